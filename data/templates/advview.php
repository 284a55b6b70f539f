<?php
// The advanced search form: a condition per column, all or any of them.
define('QM_PAGE', 'advview');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

$ti = qm_request_table();
qm_require_option('SearchRecords', 'Searching records is not allowed.');
$tm = qm_table($ti);
$fields = array_filter($tm['fields'], 'qm_field_sortable');

qm_page_start('Advanced search in ' . $tm['name']);
?>
<form method="get" action="searchres.php" class="SearchForm" id="AdvancedSearch">
<input type="hidden" name="t" value="<?= qm_h($ti) ?>"><input type="hidden" name="adv" value="1">
<table class="FormTable">
<?php foreach ($fields as $f) : ?>
<tr><th scope="row"><label for="v<?= $f['pos'] ?>"><?= qm_h($f['name']) ?></label></th><td>
<select name="o[<?= $f['pos'] ?>]" id="o<?= $f['pos'] ?>" aria-label="condition">
<?php foreach (qm_search_operators() as $key => [$label]) : ?>
<option value="<?= qm_h($key) ?>"><?= qm_h($label) ?></option>
<?php endforeach ?>
</select> <input type="text" name="v[<?= $f['pos'] ?>]" id="v<?= $f['pos'] ?>" size="30"></td></tr>
<?php endforeach ?>
<tr><th>Match</th><td><label><input type="radio" name="m" value="all" checked> all conditions</label>
<label><input type="radio" name="m" value="any"> any condition</label></td></tr>
<tr><th></th><td><button type="submit" class="Button">Search</button>
<a href="<?= qm_h(qm_url('tablelist.php', ['t' => $ti])) ?>" class="Cancel">Cancel</a></td></tr>
</table>
</form>
<?php
qm_page_end();
