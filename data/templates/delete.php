<?php
// Asks before a record is deleted; the deletion itself is a POST to execute.php.
define('QM_PAGE', 'delete');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';

$request = qm_record_request('Delete', 'Deleting records is not allowed.');
['ti' => $ti, 'tm' => $tm, 'key' => $key, 'record' => $record] = $request;

$rows = [];
foreach ($tm['fields'] as $i => $f) {
    $rows[] = [
        'class' => $i % 2 === 1 ? 'TableAltRow' : 'TableRow',
        'name' => $f['name'],
        'value' => qm_show_value($f, $record, true),
    ];
}
$hidden = [['action', 'delete'], ['t', $ti]];
foreach ($key as $k) {
    $hidden[] = ['k[]', $k];
}
$hidden[] = ['h', qm_record_hash($tm, $record)];
$listUrl = qm_url('tablelist.php', ['t' => $ti]);

qm_page_start('Delete a record of ' . $tm['name']);
?>
<p class="Warning">Do you really want to delete this record? This cannot be undone.</p>
<table class="DataTable RecordView">
<?php foreach ($rows as $row) : ?>
<tr class="<?= $row['class'] ?>"><th scope="row"><?= qm_h($row['name']) ?></th><td><?= $row['value'] ?></td></tr>
<?php endforeach ?>
</table>
<form method="post" action="execute.php" class="Actions" id="DeleteForm"><?= qm_csrf_field() ?>
<?php foreach ($hidden as [$name, $value]) : ?>
<input type="hidden" name="<?= qm_h($name) ?>" value="<?= qm_h($value) ?>"><?php endforeach ?>
<button type="submit" class="Button Danger" id="ConfirmDelete">Delete this record</button> <?php
?><a href="<?= qm_h($listUrl) ?>" class="Cancel">Cancel</a></form>
<?php
qm_page_end();
