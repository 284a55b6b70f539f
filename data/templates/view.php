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

$ti = qm_request_table();
qm_require_option('View', 'Viewing records is not allowed.');
$tm = qm_table($ti);
$key = qm_request_key($tm);
if ($key === null) {
    qm_fail(404, 'The record was not found.');
}
$record = qm_fetch_record($tm, $key);
if ($record === null) {
    qm_fail(404, 'The record was not found.');
}
$kp = array('t' => $ti, 'k' => $key);

// With $Form the record opens as its edit form, ready for changes.
if (qm_flag('Form') && qm_flag('Edit')) {
    qm_page_start('Record of ' . $tm['name']);
    $values = array();
    foreach ($tm['fields'] as $f) {
        $values[$f['pos']] = $record['c' . $f['pos']];
    }
    qm_render_form($tm, 'edit', $values, array(), $key, $record);
    qm_page_end();
    exit;
}

qm_page_start('Record of ' . $tm['name']);
echo '<table class="DataTable RecordView" id="Record">', "\n";
$n = 0;
foreach ($tm['fields'] as $f) {
    echo '<tr class="', $n++ % 2 === 1 ? 'TableAltRow' : 'TableRow', '"><th scope="row">', qm_h($f['name']), '</th><td>',
        nl2br(qm_show_value($f, $record, false), false), '</td></tr>', "\n";
}
echo "</table>\n<div class=\"Actions\">";
if (qm_flag('Edit')) {
    echo '<a href="', qm_h(qm_url('edit.php', $kp)), '" class="Button" id="EditRecord">Edit</a> ';
}
if (qm_flag('Delete')) {
    echo '<a href="', qm_h(qm_url('delete.php', $kp)), '" class="Button" id="DeleteRecord">Delete</a> ';
}
echo '<a href="', qm_h(qm_url('tablelist.php', array('t' => $ti))), '">Back to the list</a></div>', "\n";

if (qm_flag('Navigator')) {
    // Neighbours in primary key order.
    $cols = $tm['pk'];
    $order = qm_order_sql($cols, 't', 'ASC');
    $reverse = qm_order_sql($cols, 't', 'DESC');
    $select = 'SELECT ' . implode(', ', array_map(function ($j) use ($cols) {
        return 't.' . qm_ident($cols[$j]) . ' AS k' . $j;
    }, array_keys($cols))) . ' FROM ' . qm_ident($tm['name']) . ' AS t';
    $p1 = array();
    $prevSql = $select . ' WHERE ' . qm_keyset_sql($cols, $key, 't', '<', $p1) . ' ORDER BY ' . $reverse . ' LIMIT 1';
    $p2 = array();
    $nextSql = $select . ' WHERE ' . qm_keyset_sql($cols, $key, 't', '>', $p2) . ' ORDER BY ' . $order . ' LIMIT 1';
    $targets = array(
        'First' => qm_query($select . ' ORDER BY ' . $order . ' LIMIT 1'),
        'Previous' => qm_query($prevSql, $p1),
        'Next' => qm_query($nextSql, $p2),
        'Last' => qm_query($select . ' ORDER BY ' . $reverse . ' LIMIT 1'),
    );
    echo '<div class="Pager Navigator" id="Navigator">';
    foreach ($targets as $label => $rows) {
        $k = $rows ? qm_row_key_params($tm, $rows[0]) : null;
        if ($k === null || $k === $key) {
            echo '<span class="Disabled">', qm_h($label), '</span> ';
        } else {
            echo '<a href="', qm_h(qm_url('view.php', array('t' => $ti, 'k' => $k))), '" id="Nav', $label, '">', qm_h($label), '</a> ';
        }
    }
    echo "</div>\n";
}
qm_page_end();
