<?php
// The records of one table, a page at a time, sortable by any column.
define('QM_PAGE', 'tablelist');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

$ti = qm_request_table();
$tm = qm_table($ti);
[$where, $params] = qm_hook_conditions($tm['name'], '', []);
if (qm_param('export') === 'csv') {
    qm_export_csv($tm, $where, $params);
}
$exportUrl = qm_export_url($tm, 'tablelist.php', ['t' => $ti]);

qm_page_start($tm['name']);
?>
<div class="Actions">
<?php if (qm_flag('Add')) : ?>
<a href="<?= qm_h(qm_url('add.php', ['t' => $ti])) ?>" id="AddRecord" class="Button">Add a record</a>
<?php endif ?>
<?php if (qm_flag('Search')) : ?>
<form method="get" action="searchres.php" class="QuickSearch"><input type="hidden" name="t" value="<?= qm_h($ti) ?>">
<input type="search" name="q" aria-label="Search" placeholder="Search this table">
<button type="submit" class="Button">Search</button></form>
<?php endif ?>
<?php if (qm_flag('SearchRecords')) : ?>
<a href="<?= qm_h(qm_url('advview.php', ['t' => $ti])) ?>">Advanced search</a>
<?php endif ?>
<?php if ($exportUrl !== null) : ?>
<a href="<?= qm_h($exportUrl) ?>" id="ExportCsv">Download as CSV</a>
<?php endif ?>
<?php if (count($tm['pk']) === 0) : ?>
<span class="Hint">This table has no primary key: its records can be listed but not opened, changed or deleted here.</span>
<?php endif ?>
</div>
<?php
qm_render_list($tm, 'tablelist.php', ['t' => $ti], $where, $params, false);
qm_page_end();
