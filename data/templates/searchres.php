<?php
// Results of a simple (q) or advanced (adv, o[], v[], m) search, paged and sortable like the list.
define('QM_PAGE', 'searchres');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

// [title, condition, its values, parameters every link keeps] of an advanced search. Only the
// conditions of known operators are carried on to the next pages.
function qm_advanced_search(array $tm): array
{
    $ops = isset($_GET['o']) && is_array($_GET['o']) ? $_GET['o'] : [];
    $values = isset($_GET['v']) && is_array($_GET['v']) ? $_GET['v'] : [];
    $any = qm_param('m') === 'any';
    $params = [];
    $where = qm_advanced_search_sql($tm, $ops, $values, $any, $params);
    $base = ['t' => $tm['index'], 'adv' => '1', 'm' => $any ? 'any' : 'all'];
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        $op = qm_search_operator($ops, $pos);
        if ($op !== null) {
            $base['o'][$pos] = $op;
            $base['v'][$pos] = isset($values[$pos]) && is_string($values[$pos]) ? $values[$pos] : '';
        }
    }
    return ['Search results in ' . $tm['name'], $where, $params, $base];
}

// The same for a simple search: the text q anywhere in the record.
function qm_simple_search(array $tm): array
{
    $q = (string)qm_param('q');
    $params = [];
    $where = $q === '' ? '' : qm_simple_search_sql($tm, $q, $params);
    $title = 'Records of ' . $tm['name'] . ' containing "' . $q . '"';
    return [$title, $where, $params, ['t' => $tm['index'], 'q' => $q]];
}

$ti = qm_request_table();
$advanced = qm_param('adv') === '1';
qm_require_option($advanced ? 'SearchRecords' : 'Search', 'Searching records is not allowed.');
$tm = qm_table($ti);
[$title, $where, $params, $base] = $advanced ? qm_advanced_search($tm) : qm_simple_search($tm);
[$where, $params] = qm_hook_conditions($tm['name'], $where, $params);
if (qm_param('export') === 'csv') {
    qm_export_csv($tm, $where, $params);
}
$exportUrl = qm_export_url($tm, 'searchres.php', $base);

qm_page_start($title);
?>
<div class="Actions"><a href="<?= qm_h(qm_url($advanced ? 'advview.php' : 'search.php', ['t' => $ti])) ?>">New search</a>
<a href="<?= qm_h(qm_url('tablelist.php', ['t' => $ti])) ?>">All records</a>
<?php if ($exportUrl !== null) : ?>
<a href="<?= qm_h($exportUrl) ?>" id="ExportCsv">Download as CSV</a>
<?php endif ?>
</div>
<?php
qm_render_list($tm, 'searchres.php', $base, $where, $params, true);
qm_page_end();
