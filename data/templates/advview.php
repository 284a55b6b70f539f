<?php
// The advanced search form: a condition per column, all or any of them.
define('QM_PAGE', 'advview');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

$ti = qm_request_table();
qm_require_option('SearchRecords', 'Searching records is not allowed.');
$tm = qm_table($ti);
qm_page_start('Advanced search in ' . $tm['name']);
echo '<form method="get" action="searchres.php" class="SearchForm" id="AdvancedSearch">', "\n";
echo '<input type="hidden" name="t" value="', qm_h($ti), '"><input type="hidden" name="adv" value="1">', "\n";
echo '<table class="FormTable">', "\n";
foreach ($tm['fields'] as $f) {
    if (!qm_field_sortable($f)) {
        continue;
    }
    $pos = $f['pos'];
    echo '<tr><th scope="row"><label for="v', $pos, '">', qm_h($f['name']), '</label></th><td>';
    echo '<select name="o[', $pos, ']" id="o', $pos, '" aria-label="condition">';
    foreach (qm_search_operators() as $key => $op) {
        echo '<option value="', $key, '">', qm_h($op[0]), '</option>';
    }
    echo '</select> <input type="text" name="v[', $pos, ']" id="v', $pos, '" size="30"></td></tr>', "\n";
}
echo '<tr><th>Match</th><td><label><input type="radio" name="m" value="all" checked> all conditions</label> ',
    '<label><input type="radio" name="m" value="any"> any condition</label></td></tr>', "\n";
echo '<tr><th></th><td><button type="submit" class="Button">Search</button> <a href="',
    qm_h(qm_url('tablelist.php', array('t' => $ti))), '" class="Cancel">Cancel</a></td></tr>', "\n";
echo "</table>\n</form>\n";
qm_page_end();
