<?php
// Asks before a record is deleted; the deletion itself is a POST to execute.php.
define('QM_PAGE', 'delete');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';

$ti = qm_request_table();
qm_require_option('Delete', 'Deleting records is not allowed.');
$tm = qm_table($ti);
$key = qm_request_key($tm);
$record = $key === null ? null : qm_fetch_record($tm, $key);
if ($record === null) {
    qm_fail(404, 'The record was not found.');
}
qm_page_start('Delete a record of ' . $tm['name']);
echo '<p class="Warning">Do you really want to delete this record? This cannot be undone.</p>', "\n";
echo '<table class="DataTable RecordView">', "\n";
$n = 0;
foreach ($tm['fields'] as $f) {
    echo '<tr class="', $n++ % 2 === 1 ? 'TableAltRow' : 'TableRow', '"><th scope="row">', qm_h($f['name']), '</th><td>',
        qm_show_value($f, $record, true), '</td></tr>', "\n";
}
echo "</table>\n";
echo '<form method="post" action="execute.php" class="Actions" id="DeleteForm">', qm_csrf_field(),
    '<input type="hidden" name="action" value="delete"><input type="hidden" name="t" value="', qm_h($ti), '">';
foreach ($key as $k) {
    echo '<input type="hidden" name="k[]" value="', qm_h($k), '">';
}
echo '<button type="submit" class="Button Danger" id="ConfirmDelete">Delete this record</button> ',
    '<a href="', qm_h(qm_url('tablelist.php', array('t' => $ti))), '" class="Cancel">Cancel</a></form>', "\n";
qm_page_end();
