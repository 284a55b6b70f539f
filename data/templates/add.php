<?php
// The form for a new record; it is saved by execute.php.
define('QM_PAGE', 'add');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

$ti = qm_request_table();
qm_require_option('Add', 'Adding records is not allowed.');
$tm = qm_table($ti);
qm_page_start('Add a record to ' . $tm['name']);
$values = array();
foreach ($tm['fields'] as $f) {
    // A column's plain default is offered as the starting value; a NULL default ticks the NULL box.
    $d = $f['col']['default'];
    if ($d === null && $f['col']['nullable']) {
        $values[$f['pos']] = null;
    } else {
        $values[$f['pos']] = ($d !== null && !preg_match('/^(current_timestamp|curdate|now)\b|\(/i', (string)$d)) ? (string)$d : '';
    }
}
qm_render_form($tm, 'add', $values, array(), null, null);
qm_page_end();
