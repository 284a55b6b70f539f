<?php
// Start page: the tables of the site with what can be done with each.
define('QM_PAGE', 'index');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';

// How many records a table has: counted up to QM_COUNT_LIMIT, the server's estimate above it
// (where a hook limits the table's lists, its records in them, counted up to QM_COUNT_LIMIT).
function qm_records_text(string $table): string
{
    [$where, $params] = qm_hook_conditions($table, '', []);
    if ($where !== '') {
        $n = qm_count_upto($table, QM_COUNT_LIMIT, $where, $params);
        return $n > QM_COUNT_LIMIT ? 'more than ' . number_format(QM_COUNT_LIMIT) : number_format($n);
    }
    $estimate = qm_row_estimate($table);
    if ($estimate > QM_COUNT_LIMIT) {
        return 'about ' . number_format($estimate);
    }
    return number_format(qm_count_upto($table, QM_COUNT_LIMIT));
}

// Link text => page, for what the options allow on every table.
function qm_table_links(): array
{
    $links = [];
    foreach (['Add' => ['Add', 'add.php'], 'Search' => ['Search', 'search.php'],
        'SearchRecords' => ['Advanced search', 'advview.php']] as $option => [$label, $page]) {
        if (qm_flag($option)) {
            $links[$label] = $page;
        }
    }
    return $links;
}

$tables = [];
foreach (qm_table_names() as $i => $name) {
    $tables[] = ['index' => $i, 'name' => $name, 'records' => qm_records_text($name)];
}
$links = qm_table_links();

qm_page_start('Tables');
?>
<?php if (count($tables) === 0) : ?>
<p>No tables have been set up for this site.</p>
<?php else : ?>
<table class="DataTable" id="TableList">
<thead><tr class="Header"><th scope="col">Table</th><th scope="col">Records</th><th scope="col"></th></tr></thead>
<tbody>
<?php foreach ($tables as $n => $table) : ?>
<tr class="<?= $n % 2 === 1 ? 'TableAltRow' : 'TableRow' ?>">
<td><a href="<?= qm_h(qm_url('tablelist.php', ['t' => $table['index']])) ?>"><?= qm_h($table['name']) ?></a></td>
<td class="Number"><?= qm_h($table['records']) ?></td>
<td class="RowActions">
<?php foreach ($links as $label => $page) : ?>
<a href="<?= qm_h(qm_url($page, ['t' => $table['index']])) ?>"><?= qm_h($label) ?></a>
<?php endforeach ?>
</td>
</tr>
<?php endforeach ?>
</tbody>
</table>
<?php endif ?>
<?php
qm_page_end();
