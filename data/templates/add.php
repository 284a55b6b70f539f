<?php
// The form for a new record; it is saved by execute.php.
define('QM_PAGE', 'add');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

// The form starts with the column defaults, or with the values f[position] of the query string (a
// record view's child list links here with its key filled in). They are only shown: execute.php
// checks them like any typed value.
function qm_prefilled_values(array $tm): array
{
    $values = qm_default_values($tm);
    $given = isset($_GET['f']) && is_array($_GET['f']) ? $_GET['f'] : [];
    foreach ($tm['fields'] as $f) {
        $value = $given[$f['pos']] ?? null;
        if (is_string($value) && qm_field_editable($f, 'add')) {
            $values[$f['pos']] = $value;
        }
    }
    return $values;
}

['tm' => $tm] = qm_record_request('Add', 'Adding records is not allowed.', 'table');

qm_page_start('Add a record to ' . $tm['name']);
qm_render_form($tm, 'add', qm_prefilled_values($tm), [], null, null);
qm_page_end();
