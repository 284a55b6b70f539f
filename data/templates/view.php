<?php
// One record, found by its primary key, with first/previous/next/last when $Navigator is on.
define('QM_PAGE', 'view');
require __DIR__ . '/main.php';
if (qm_flag('Form') && qm_flag('Edit')) {
    define('QM_FORMS', true);  // the record opens as its edit form
}
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';
require __DIR__ . '/validator.php';

// label => key (null where there is none) of the first, previous, next and last record in
// primary key order.
function qm_neighbour_keys(array $tm, array $key): array
{
    $cols = $tm['pk'];
    $order = qm_order_sql($cols, 't', 'ASC');
    $reverse = qm_order_sql($cols, 't', 'DESC');
    $keyColumns = [];
    foreach ($cols as $j => $col) {
        $keyColumns[] = 't.' . qm_ident($col) . ' AS k' . $j;
    }
    $select = 'SELECT ' . implode(', ', $keyColumns) . ' FROM ' . qm_ident($tm['name']) . ' AS t';
    $beforeParams = [];
    $before = qm_keyset_sql($cols, $key, 't', '<', $beforeParams);
    $afterParams = [];
    $after = qm_keyset_sql($cols, $key, 't', '>', $afterParams);
    $found = [
        'First' => qm_query($select . ' ORDER BY ' . $order . ' LIMIT 1'),
        'Previous' => qm_query($select . ' WHERE ' . $before . ' ORDER BY ' . $reverse . ' LIMIT 1', $beforeParams),
        'Next' => qm_query($select . ' WHERE ' . $after . ' ORDER BY ' . $order . ' LIMIT 1', $afterParams),
        'Last' => qm_query($select . ' ORDER BY ' . $reverse . ' LIMIT 1'),
    ];
    $keys = [];
    foreach ($found as $label => $rows) {
        $keys[$label] = $rows ? qm_row_key_params($tm, $rows[0]) : null;
    }
    return $keys;
}

$request = qm_record_request('View', 'Viewing records is not allowed.');
['ti' => $ti, 'tm' => $tm, 'key' => $key, 'record' => $record] = $request;

// With $Form the record opens as its edit form, ready for changes.
if (qm_flag('Form') && qm_flag('Edit')) {
    qm_page_start('Record of ' . $tm['name']);
    qm_render_form($tm, 'edit', qm_record_values($tm, $record), [], $key, $record);
    qm_page_end();
    exit;
}

$rows = [];
foreach ($tm['fields'] as $i => $f) {
    $rows[] = [
        'class' => $i % 2 === 1 ? 'TableAltRow' : 'TableRow',
        'name' => $f['name'],
        'value' => nl2br(qm_show_value($f, $record, false), false),
    ];
}
$recordParams = ['t' => $ti, 'k' => $key];
$actions = [];
if (qm_flag('Edit')) {
    $actions[] = ['Edit', qm_url('edit.php', $recordParams), 'EditRecord'];
}
if (qm_flag('Delete')) {
    $actions[] = ['Delete', qm_url('delete.php', $recordParams), 'DeleteRecord'];
}
$listUrl = qm_url('tablelist.php', ['t' => $ti]);
// label => link, or null where it would lead nowhere or back to this record.
$navigator = null;
if (qm_flag('Navigator')) {
    $navigator = [];
    foreach (qm_neighbour_keys($tm, $key) as $label => $k) {
        $navigator[$label] = $k === null || $k === $key ? null : qm_url('view.php', ['t' => $ti, 'k' => $k]);
    }
}

qm_page_start('Record of ' . $tm['name']);
?>
<table class="DataTable RecordView" id="Record">
<?php foreach ($rows as $row) : ?>
<tr class="<?= $row['class'] ?>"><th scope="row"><?= qm_h($row['name']) ?></th><td><?= $row['value'] ?></td></tr>
<?php endforeach ?>
</table>
<div class="Actions"><?php foreach ($actions as [$label, $url, $id]) : ?>
<a href="<?= qm_h($url) ?>" class="Button" id="<?= $id ?>"><?= qm_h($label) ?></a> <?php endforeach ?>
<a href="<?= qm_h($listUrl) ?>">Back to the list</a></div>
<?php if ($navigator !== null) : ?>
<div class="Pager Navigator" id="Navigator"><?php foreach ($navigator as $label => $url) : ?>
<?php if ($url === null) : ?>
<span class="Disabled"><?= qm_h($label) ?></span> <?php else : ?>
<a href="<?= qm_h($url) ?>" id="Nav<?= $label ?>"><?= qm_h($label) ?></a> <?php endif ?>
<?php endforeach ?></div>
<?php endif ?>
<?php
qm_page_end();
