<?php
// Results of a simple (q) or advanced (adv, o[], v[], m) search, paged and sortable like the list.
define('QM_PAGE', 'searchres');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

$ti = qm_request_table();
$advanced = qm_param('adv') === '1';
qm_require_option($advanced ? 'SearchRecords' : 'Search', 'Searching records is not allowed.');
$tm = qm_table($ti);
$params = array();
$base = array('t' => $ti);
if ($advanced) {
    $ops = isset($_GET['o']) && is_array($_GET['o']) ? $_GET['o'] : array();
    $values = isset($_GET['v']) && is_array($_GET['v']) ? $_GET['v'] : array();
    $any = qm_param('m') === 'any';
    $where = qm_advanced_search_sql($tm, $ops, $values, $any, $params);
    $base['adv'] = '1';
    $base['m'] = $any ? 'any' : 'all';
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        if (isset($ops[$pos]) && is_string($ops[$pos]) && isset(qm_search_operators()[$ops[$pos]])) {
            $base['o'][$pos] = $ops[$pos];
            $base['v'][$pos] = isset($values[$pos]) && is_string($values[$pos]) ? $values[$pos] : '';
        }
    }
    $title = 'Search results in ' . $tm['name'];
} else {
    $q = (string)qm_param('q');
    $where = $q === '' ? '' : qm_simple_search_sql($tm, $q, $params);
    $base['q'] = $q;
    $title = 'Records of ' . $tm['name'] . ' containing "' . $q . '"';
}
qm_page_start($title);
echo '<div class="Actions"><a href="', qm_h(qm_url($advanced ? 'advview.php' : 'search.php', array('t' => $ti))),
    '">New search</a> <a href="', qm_h(qm_url('tablelist.php', array('t' => $ti))), '">All records</a></div>', "\n";
qm_render_list($tm, 'searchres.php', $base, $where, $params, true);
qm_page_end();
