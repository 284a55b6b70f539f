<?php
// The simple search form of a table (text searched in every column), and the suggestions of a
// lookup column whose parent table is too large for a drop-down list (search.php?lookup=i&q=).
define('QM_PAGE', 'search');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

$ti = qm_request_table();
$lookup = qm_param('lookup');
if ($lookup !== null) {
    // Suggestions serve the add and edit forms, so they follow those options.
    if (!qm_flag('Add') && !qm_flag('Edit')) {
        qm_fail(403, 'Adding and editing records are not allowed.');
    }
    $tm = qm_table($ti);
    if (!ctype_digit($lookup) || !isset($tm['fields'][(int)$lookup]) || $tm['fields'][(int)$lookup]['lookup'] === null) {
        qm_fail(404, 'There is no such lookup column.');
    }
    $l = $tm['fields'][(int)$lookup]['lookup'];
    $q = (string)qm_param('q');
    $items = array();
    // The text begins the display value or is the value itself; a column that cannot hold the text
    // is not asked (see qm_column_can_hold).
    $conditions = array();
    $params = array();
    if ($q !== '' && qm_column_can_hold($l['table'], $l['display'], $q)) {
        $conditions[] = qm_ident($l['display']) . ' LIKE ?';
        $params[] = qm_like_pattern($q, true);
    }
    if ($q !== '' && qm_column_can_hold($l['table'], $l['ref'], $q)) {
        $conditions[] = qm_ident($l['ref']) . ' = ?';
        $params[] = $q;
    }
    if (count($conditions) > 0) {
        $rows = qm_query('SELECT ' . qm_ident($l['ref']) . ' AS v, ' . qm_ident($l['display']) . ' AS d FROM '
            . qm_ident($l['table']) . ' WHERE ' . implode(' OR ', $conditions) . ' ORDER BY 2, 1 LIMIT 20', $params);
        foreach ($rows as $row) {
            $items[] = array((string)$row['v'], (string)$row['d']);
        }
    }
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    header('Content-Type: application/json; charset=utf-8');
    echo json_encode($items, JSON_HEX_TAG | JSON_HEX_AMP | JSON_HEX_APOS | JSON_HEX_QUOT | JSON_INVALID_UTF8_SUBSTITUTE);
    exit;
}

qm_require_option('Search', 'Searching records is not allowed.');
$tm = qm_table($ti);
qm_page_start('Search ' . $tm['name']);
echo '<form method="get" action="searchres.php" class="SearchForm" id="SearchForm">', "\n";
echo '<input type="hidden" name="t" value="', qm_h($ti), '">', "\n";
echo '<p><label for="q">Find records that contain</label> <input type="search" id="q" name="q" size="40" autofocus> ',
    '<button type="submit" class="Button">Search</button></p>', "\n";
echo '<p class="Hint">The text is looked for in every column: ';
$names = array();
foreach ($tm['fields'] as $f) {
    if (qm_field_sortable($f)) {
        $names[] = qm_h($f['name']);
    }
}
echo implode(', ', $names), ".</p>\n</form>\n";
if (qm_flag('SearchRecords')) {
    echo '<p><a href="', qm_h(qm_url('advview.php', array('t' => $ti))), '">Advanced search</a></p>', "\n";
}
echo '<p><a href="', qm_h(qm_url('tablelist.php', array('t' => $ti))), '">Back to the list</a></p>', "\n";
qm_page_end();
