<?php
// The form that changes one record; it is saved by execute.php.
define('QM_PAGE', 'edit');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

['tm' => $tm, 'key' => $key, 'record' => $record] = qm_record_request('Edit', 'Editing records is not allowed.');

qm_page_start('Edit a record of ' . $tm['name']);
qm_render_form($tm, 'edit', qm_record_values($tm, $record), [], $key, $record);
qm_page_end();
