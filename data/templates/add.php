<?php
// The form for a new record; it is saved by execute.php.
define('QM_PAGE', 'add');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

['tm' => $tm] = qm_record_request('Add', 'Adding records is not allowed.', 'table');

qm_page_start('Add a record to ' . $tm['name']);
qm_render_form($tm, 'add', qm_default_values($tm), [], null, null);
qm_page_end();
