<?php
// The form that changes one record; it is saved by execute.php.
define('QM_PAGE', 'edit');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

$ti = qm_request_table();
qm_require_option('Edit', 'Editing records is not allowed.');
$tm = qm_table($ti);
$key = qm_request_key($tm);
$record = $key === null ? null : qm_fetch_record($tm, $key);
if ($record === null) {
    qm_fail(404, 'The record was not found.');
}
qm_page_start('Edit a record of ' . $tm['name']);
$values = array();
foreach ($tm['fields'] as $f) {
    $values[$f['pos']] = $record['c' . $f['pos']];
}
qm_render_form($tm, 'edit', $values, array(), $key, $record);
qm_page_end();
