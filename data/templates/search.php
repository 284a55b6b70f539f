<?php
// The simple search form of a table (text searched in every column), and the suggestions of a
// lookup column whose parent table is too large for a drop-down list (search.php?lookup=i&q=).
define('QM_PAGE', 'search');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

// [value, display value] of up to 20 parent records whose display value begins with the text or
// whose value is the text. A column that cannot hold the text is not asked (see
// qm_column_can_hold).
function qm_lookup_suggestions(array $l, string $q): array
{
    $conditions = [];
    $params = [];
    if ($q !== '' && qm_column_can_hold($l['table'], $l['display'], $q)) {
        $conditions[] = qm_ident($l['display']) . ' LIKE ?';
        $params[] = qm_like_pattern($q, true);
    }
    if ($q !== '' && qm_column_can_hold($l['table'], $l['ref'], $q)) {
        $conditions[] = qm_ident($l['ref']) . ' = ?';
        $params[] = $q;
    }
    if (count($conditions) === 0) {
        return [];
    }
    $rows = qm_query('SELECT ' . qm_ident($l['ref']) . ' AS v, ' . qm_ident($l['display']) . ' AS d FROM '
        . qm_ident($l['table']) . ' WHERE ' . implode(' OR ', $conditions) . ' ORDER BY 2, 1 LIMIT 20', $params);
    $items = [];
    foreach ($rows as $row) {
        $items[] = [(string)$row['v'], (string)$row['d']];
    }
    return $items;
}

// Answers the suggestions of lookup column $lookup of a table as JSON. They serve the add and
// edit forms, so they follow those options.
function qm_answer_lookup(string $ti, string $lookup): void
{
    if (!qm_flag('Add') && !qm_flag('Edit')) {
        qm_fail(403, 'Adding and editing records are not allowed.');
    }
    $tm = qm_table($ti);
    $l = ctype_digit($lookup) ? ($tm['fields'][(int)$lookup]['lookup'] ?? null) : null;
    if ($l === null) {
        qm_fail(404, 'There is no such lookup column.');
    }
    $items = qm_lookup_suggestions($l, (string)qm_param('q'));
    qm_discard_output();
    header('Content-Type: application/json; charset=utf-8');
    echo json_encode($items, JSON_HEX_TAG | JSON_HEX_AMP | JSON_HEX_APOS | JSON_HEX_QUOT
        | JSON_INVALID_UTF8_SUBSTITUTE);
    exit;
}

$ti = qm_request_table();
$lookup = qm_param('lookup');
if ($lookup !== null) {
    qm_answer_lookup($ti, $lookup);
}

qm_require_option('Search', 'Searching records is not allowed.');
$tm = qm_table($ti);
$searched = [];
foreach ($tm['fields'] as $f) {
    if (qm_field_sortable($f)) {
        $searched[] = $f['name'];
    }
}

qm_page_start('Search ' . $tm['name']);
?>
<form method="get" action="searchres.php" class="SearchForm" id="SearchForm">
<input type="hidden" name="t" value="<?= qm_h($ti) ?>">
<p><label for="q">Find records that contain</label> <input type="search" id="q" name="q" size="40" autofocus>
<button type="submit" class="Button">Search</button></p>
<p class="Hint">The text is looked for in every column: <?= implode(', ', array_map('qm_h', $searched)) ?>.</p>
</form>
<?php if (qm_flag('SearchRecords')) : ?>
<p><a href="<?= qm_h(qm_url('advview.php', ['t' => $ti])) ?>">Advanced search</a></p>
<?php endif ?>
<p><a href="<?= qm_h(qm_url('tablelist.php', ['t' => $ti])) ?>">Back to the list</a></p>
<?php
qm_page_end();
