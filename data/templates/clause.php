<?php
// The record lists of the table list and the search results: sort order from an allow-list,
// search conditions, paging, and the list itself (its data first, then its markup). A page is read
// with a deferred join (the page's keys first, from the index, then the rows for those keys), the
// primary key always ends the order so that pages are stable, and next/previous continue from the
// last or first key of the page where the sort allows it.

if (!defined('QM_PAGE')) {
    header_remove('X-Powered-By');
    header('Location: index.php', true, 302);
    exit;
}

// From this offset on a page is read by a deferred join; before it a plain read is cheaper.
const QM_DEFERRED_FROM = 1000;

// =============================================================================================
// Sort order
// =============================================================================================

// Fields that can be sorted by and searched in: not binary data, not geometry.
function qm_field_sortable(array $f): bool
{
    return !in_array($f['col']['kind'], ['blob', 'geometry'], true);
}

// [position of the sort field or null, 'ASC' or 'DESC'] from s and d of the request.
function qm_sort_state(array $tm): array
{
    $s = qm_param('s');
    $pos = null;
    if ($s !== null && ctype_digit($s) && isset($tm['fields'][(int)$s]) && qm_field_sortable($tm['fields'][(int)$s])) {
        $pos = (int)$s;
    }
    return [$pos, qm_param('d') === 'd' ? 'DESC' : 'ASC'];
}

// Columns of the order: the sort field, then the primary key (or, without one, every other field).
function qm_order_columns(array $tm, ?int $sortPos): array
{
    $cols = $sortPos === null ? [] : [$tm['fields'][$sortPos]['name']];
    $rest = $tm['pk'];
    if (count($rest) === 0) {
        foreach ($tm['fields'] as $f) {
            if (qm_field_sortable($f)) {
                $rest[] = $f['name'];
            }
        }
    }
    foreach ($rest as $c) {
        if (!in_array($c, $cols, true)) {
            $cols[] = $c;
        }
    }
    return $cols;
}

// Paging by key needs a primary key and a sort field whose values are never NULL and compare
// exactly (no floating point, no long texts).
function qm_keyset_allowed(array $tm, ?int $sortPos): bool
{
    if (count($tm['pk']) === 0) {
        return false;
    }
    if ($sortPos === null) {
        return true;
    }
    $col = $tm['fields'][$sortPos]['col'];
    return !$col['nullable'] && !in_array($col['kind'], ['float', 'text', 'blob', 'geometry', 'bit'], true);
}

function qm_order_sql(array $cols, string $alias, string $dir): string
{
    $parts = [];
    foreach ($cols as $c) {
        $parts[] = $alias . '.' . qm_ident($c) . ' ' . $dir;
    }
    return implode(', ', $parts);
}

// Whether each value can be compared with its column (a key of a page link that was not made here
// may hold anything); the page is then read by its number instead.
function qm_columns_can_hold(string $table, array $cols, array $values): bool
{
    foreach ($cols as $j => $c) {
        if (!qm_column_can_hold($table, $c, $values[$j])) {
            return false;
        }
    }
    return true;
}

// (c1 > v1) OR (c1 = v1 AND (c2 > v2 OR (c2 = v2 AND ...))) for the rows after (or before) a key.
function qm_keyset_sql(array $cols, array $values, string $alias, string $op, array &$params): string
{
    $c = $alias . '.' . qm_ident($cols[0]);
    if (count($cols) === 1) {
        $params[] = $values[0];
        return $c . ' ' . $op . ' ?';
    }
    $params[] = $values[0];
    $params[] = $values[0];
    $inner = qm_keyset_sql(array_slice($cols, 1), array_slice($values, 1), $alias, $op, $params);
    return '(' . $c . ' ' . $op . ' ? OR (' . $c . ' = ? AND ' . $inner . '))';
}

// =============================================================================================
// Search conditions
// =============================================================================================

// Fields whose values are texts: only these can hold '' (elsewhere empty means NULL; `n = ''`
// would be true for a number 0 or a zero date).
function qm_field_is_text(array $f): bool
{
    return in_array($f['col']['kind'], ['char', 'text', 'enum', 'set'], true);
}

function qm_like_pattern(string $text, bool $prefixOnly = false): string
{
    $escaped = str_replace(['\\', '%', '_'], ['\\\\', '\\%', '\\_'], $text);
    return ($prefixOnly ? '' : '%') . $escaped . '%';
}

// The condition of a simple search: the text anywhere in any searchable field (or in the
// display value of a lookup column).
function qm_simple_search_sql(array $tm, string $q, array &$params): string
{
    $parts = [];
    $unmatchable = false;
    $pattern = qm_like_pattern($q);
    foreach ($tm['fields'] as $f) {
        if (!qm_field_sortable($f)) {
            continue;
        }
        $col = 't.' . qm_ident($f['name']);
        if (qm_column_can_hold($tm['name'], $f['name'], $q)) {
            $parts[] = $col . ' LIKE ?';
            $params[] = $pattern;
        } else {
            $unmatchable = true;
        }
        $l = $f['lookup'];
        if ($l !== null && !qm_column_can_hold($l['table'], $l['display'], $q)) {
            $unmatchable = true;
        } elseif ($l !== null) {
            $parts[] = 'EXISTS (SELECT 1 FROM ' . qm_ident($l['table']) . ' AS lk WHERE lk.' . qm_ident($l['ref'])
                . ' = ' . $col . ' AND lk.' . qm_ident($l['display']) . ' LIKE ?)';
            $params[] = $pattern;
        }
    }
    if (count($parts) === 0) {
        return $unmatchable ? 'FALSE' : '';
    }
    return '(' . implode(' OR ', $parts) . ')';
}

// Operators of the advanced search: key => [label, needs a value].
function qm_search_operators(): array
{
    return [
        'contains' => ['contains', true],
        'begins' => ['begins with', true],
        'eq' => ['=', true],
        'ne' => ["\u{2260}", true],
        'lt' => ['<', true],
        'le' => ["\u{2264}", true],
        'gt' => ['>', true],
        'ge' => ["\u{2265}", true],
        'empty' => ['is empty', false],
        'filled' => ['is not empty', false],
    ];
}

// The operator of field position $i in an advanced search request, or null for none.
function qm_search_operator(array $ops, int $i): ?string
{
    $op = $ops[$i] ?? null;
    return is_string($op) && isset(qm_search_operators()[$op]) ? $op : null;
}

// The condition of one field of an advanced search, or '' when it sets none.
function qm_field_condition(array $tm, array $f, string $op, string $value, array &$params): string
{
    $sqlOps = ['eq' => '=', 'ne' => '<>', 'lt' => '<', 'le' => '<=', 'gt' => '>', 'ge' => '>='];
    $col = 't.' . qm_ident($f['name']);
    if ($op === 'empty') {
        return qm_field_is_text($f) ? '(' . $col . ' IS NULL OR ' . $col . " = '')" : $col . ' IS NULL';
    }
    if ($op === 'filled') {
        return qm_field_is_text($f) ? '(' . $col . ' IS NOT NULL AND ' . $col . " <> '')" : $col . ' IS NOT NULL';
    }
    if ($value === '') {
        return '';
    }
    $like = $op === 'contains' || $op === 'begins';
    if (!qm_column_can_hold($tm['name'], $f['name'], $value)
        || ($f['col']['numeric'] && !$like && !is_numeric(trim($value)))) {
        // A value the column cannot hold equals and orders with no stored value, and differs
        // from every one. (The server would compare a text that is not a number as 0 or as its
        // leading digits.)
        return $op === 'ne' ? $col . ' IS NOT NULL' : 'FALSE';
    }
    if ($like) {
        $params[] = qm_like_pattern($value, $op === 'begins');
        return $col . ' LIKE ?';
    }
    $params[] = $value;
    return $col . ' ' . $sqlOps[$op] . ' ?';
}

// The condition of an advanced search: o[i] and v[i] per field, joined by AND or (m=any) OR.
function qm_advanced_search_sql(array $tm, array $ops, array $values, bool $any, array &$params): string
{
    $parts = [];
    foreach ($tm['fields'] as $f) {
        $i = $f['pos'];
        $op = qm_search_operator($ops, $i);
        if (!qm_field_sortable($f) || $op === null) {
            continue;
        }
        $value = isset($values[$i]) && is_string($values[$i]) ? $values[$i] : '';
        $condition = qm_field_condition($tm, $f, $op, $value, $params);
        if ($condition !== '') {
            $parts[] = $condition;
        }
    }
    return count($parts) > 0 ? '(' . implode($any ? ' OR ' : ' AND ', $parts) . ')' : '';
}

// =============================================================================================
// Reading one page
// =============================================================================================

// Which page the request asks for: [mode, page number, key]. The mode is 'after' or 'before' the
// key of a next or previous link, 'last', or 'offset' (by page number alone).
function qm_page_request(array $tm, array $cols, bool $keyset): array
{
    $page = qm_param('p');
    $p = ($page !== null && ctype_digit($page) && strlen($page) < 10) ? max(1, (int)$page) : 1;
    $after = $keyset ? qm_param_list('a') : null;
    $before = $keyset ? qm_param_list('b') : null;
    if ($after !== null && count($after) === count($cols) && qm_columns_can_hold($tm['name'], $cols, $after)) {
        [$mode, $key] = ['after', $after];
    } elseif ($before !== null && count($before) === count($cols) && qm_columns_can_hold($tm['name'], $cols, $before)) {
        [$mode, $key] = ['before', $before];
    } else {
        return [qm_param('last') === '1' ? 'last' : 'offset', $p, null];
    }
    if (!qm_key_values_fit($tm, $cols, $key)) {
        qm_fail(404, 'There is no such page.');
    }
    return [$mode, $p, $key];
}

// The statement of a page. With $deferred the keys of the page are read first, from the index
// alone, and the rows joined to them.
function qm_page_select(
    array $tm,
    string $selectList,
    string $whereSql,
    string $orderSql,
    string $limit,
    bool $deferred
): string {
    $table = qm_ident($tm['name']);
    if (!$deferred) {
        return 'SELECT ' . $selectList . ' FROM ' . $table . ' AS t' . $whereSql . ' ORDER BY ' . $orderSql . $limit;
    }
    $keyCols = [];
    $join = [];
    foreach ($tm['pk'] as $j => $k) {
        $keyCols[] = 't.' . qm_ident($k) . ' AS p' . $j;
        $join[] = 't.' . qm_ident($k) . ' = kx.p' . $j;
    }
    return 'SELECT ' . $selectList . ' FROM ' . $table . ' AS t JOIN (SELECT ' . implode(', ', $keyCols)
        . ' FROM ' . $table . ' AS t' . $whereSql . ' ORDER BY ' . $orderSql . $limit . ') AS kx ON '
        . implode(' AND ', $join) . ' ORDER BY ' . $orderSql;
}

// Reads one page of a table. Returns rows in display order and what the pager needs.
function qm_read_page(array $tm, ?int $sortPos, string $dir, string $where, array $whereParams, int $perPage): array
{
    $cols = qm_order_columns($tm, $sortPos);
    $keyset = qm_keyset_allowed($tm, $sortPos);
    [$mode, $p, $key] = qm_page_request($tm, $cols, $keyset);

    $conditions = $where === '' ? [] : [$where];
    $params = $where === '' ? [] : array_values($whereParams);
    $order = $dir;
    $limit = ' LIMIT ' . ($perPage + 1);
    if ($mode === 'after') {
        $conditions[] = qm_keyset_sql($cols, $key, 't', $dir === 'ASC' ? '>' : '<', $params);
    } elseif ($mode === 'before') {
        $conditions[] = qm_keyset_sql($cols, $key, 't', $dir === 'ASC' ? '<' : '>', $params);
        $order = $dir === 'ASC' ? 'DESC' : 'ASC';
    } elseif ($mode === 'last') {
        $order = $dir === 'ASC' ? 'DESC' : 'ASC';
        $limit = ' LIMIT ' . $perPage;
    } else {
        $limit = ' LIMIT ' . (($p - 1) * $perPage) . ', ' . ($perPage + 1);
    }
    // With paging by key each row also brings its sort value, uncut, for the next/previous links.
    $selectList = ($keyset && $sortPos !== null ? 't.' . qm_ident($cols[0]) . ' AS sv, ' : '')
        . qm_select_list($tm, 't', !qm_flag('ViewTable'));
    $deferred = count($tm['pk']) > 0 && $mode === 'offset' && ($p - 1) * $perPage >= QM_DEFERRED_FROM;
    $whereSql = count($conditions) > 0 ? ' WHERE ' . implode(' AND ', $conditions) : '';
    $orderSql = qm_order_sql($cols, 't', $order);
    $rows = qm_query(qm_page_select($tm, $selectList, $whereSql, $orderSql, $limit, $deferred), $params);

    $more = count($rows) > $perPage;
    if ($more) {
        array_pop($rows);
    }
    if ($order !== $dir) {
        $rows = array_reverse($rows);
    }
    return ['rows' => $rows, 'mode' => $mode, 'p' => $p, 'more' => $more, 'keyset' => $keyset, 'cols' => $cols];
}

// The values of the order columns of a fetched row, for paging by key.
function qm_row_order_values(array $tm, ?int $sortPos, array $row): ?array
{
    $values = $sortPos === null ? [] : [$row['sv']];
    foreach ($tm['pk'] as $j => $k) {
        if ($sortPos === null || $tm['fields'][$sortPos]['name'] !== $k) {
            $values[] = $row['k' . $j];
        }
    }
    return in_array(null, $values, true) ? null : array_map('strval', $values);
}

// =============================================================================================
// The list: its data, then its markup
// =============================================================================================

// [number of rows, whether it is an estimate]: exact for small tables, the server's estimate for
// large ones, and [null, false] (not counted at all) for a search, or a list with the conditions of
// a hook, over a large table.
function qm_list_total(array $tm, string $where, array $whereParams, bool $isSearch): array
{
    if (!$isSearch && $where === '') {
        return qm_row_count($tm['name']);
    }
    if (qm_row_estimate($tm['name']) <= QM_COUNT_LIMIT) {
        $n = qm_count_upto($tm['name'], QM_COUNT_LIMIT, $where, $whereParams);
        if ($n <= QM_COUNT_LIMIT) {
            return [$n, false];
        }
    }
    return [null, false];
}

// [whether there is a previous page, whether there is a next page] of a page read by
// qm_read_page, which is page $p of $pages (null when the rows were not counted).
function qm_page_neighbours(array $page, int $p, ?int $pages, int $perPage): array
{
    switch ($page['mode']) {
        case 'before':
            return [$page['more'] || $p > 1, true];
        case 'last':
            return [($pages !== null && $pages > 1) || count($page['rows']) === $perPage, false];
        default:
            return [$p > 1, $page['more']];
    }
}

// [first, last] order values of the rows of a page, for the previous and next links to continue
// from (null where the page cannot be paged by key).
function qm_page_edge_keys(array $tm, ?int $sortPos, array $page): array
{
    $rows = $page['rows'];
    if (count($rows) === 0 || !$page['keyset']) {
        return [null, null];
    }
    return [
        qm_row_order_values($tm, $sortPos, $rows[0]),
        qm_row_order_values($tm, $sortPos, $rows[count($rows) - 1]),
    ];
}

// The links of the pager (null where there is none): first and previous, next and last. Next
// and previous continue from the page's edge keys where there are some.
function qm_pager_links(
    string $pageUrl,
    array $sortParams,
    int $p,
    bool $hasPrev,
    bool $hasNext,
    array $edgeKeys
): array {
    [$firstKey, $lastKey] = $edgeKeys;
    $links = ['first' => null, 'prev' => null, 'next' => null, 'last' => null];
    if ($hasPrev) {
        $prev = $sortParams + ['p' => max(1, $p - 1)];
        if ($firstKey !== null && $p > 2) {
            $prev['b'] = $firstKey;
        }
        $links['first'] = qm_url($pageUrl, $sortParams);
        $links['prev'] = qm_url($pageUrl, $prev);
    }
    if ($hasNext) {
        $next = $sortParams + ['p' => $p + 1];
        if ($lastKey !== null) {
            $next['a'] = $lastKey;
        }
        $links['next'] = qm_url($pageUrl, $next);
        $links['last'] = qm_url($pageUrl, $sortParams + ['last' => '1']);
    }
    return $links;
}

// The line above the list: how many records (null when they were not counted) and which page.
function qm_list_summary(?int $total, bool $estimated, int $p, ?int $pages): array
{
    if ($total === null) {
        return ['count' => null, 'page' => number_format($p), 'pages' => null];
    }
    return [
        'count' => $estimated ? 'About ' . number_format($total) . ' records (estimated)'
            : number_format($total) . ($total === 1 ? ' record' : ' records'),
        'page' => number_format($p),
        'pages' => ($estimated ? 'about ' : '') . number_format($pages),
    ];
}

// The head of each column: its name, the link that sorts by it (null when it cannot be sorted
// by) and the arrow of the current sort ([image, text] or null).
function qm_list_columns(array $tm, ?int $sortPos, string $dir, string $pageUrl, array $base): array
{
    $columns = [];
    foreach ($tm['fields'] as $f) {
        $sorted = $sortPos === $f['pos'];
        $newDir = $sorted && $dir === 'ASC' ? 'd' : 'a';
        $columns[] = [
            'name' => $f['name'],
            'sortUrl' => qm_field_sortable($f) ? qm_url($pageUrl, $base + ['s' => $f['pos'], 'd' => $newDir]) : null,
            'arrow' => !$sorted ? null : ($dir === 'ASC' ? ['up.gif', 'ascending'] : ['down.gif', 'descending']),
        ];
    }
    return $columns;
}

// The pages a record links to from its row, page => link text, as the options allow (each
// option is named as its link).
function qm_row_actions(array $tm): array
{
    $actions = [];
    if (count($tm['pk']) === 0) {
        return $actions;
    }
    foreach (['view.php' => 'View', 'edit.php' => 'Edit', 'delete.php' => 'Delete'] as $page => $option) {
        if (qm_flag($option)) {
            $actions[$page] = $option;
        }
    }
    return $actions;
}

// The rows of the list: each one's cells (HTML-escaped by qm_show_value) and the query that
// addresses its record (null when it has no key or there is nothing to link to).
function qm_list_rows(array $tm, array $rows, bool $withKeys): array
{
    $cut = !qm_flag('ViewTable');
    $out = [];
    foreach ($rows as $row) {
        $cells = [];
        foreach ($tm['fields'] as $f) {
            $cells[] = qm_show_value($f, $row, $cut);
        }
        $key = $withKeys ? qm_row_key_params($tm, $row) : null;
        $query = null;
        if ($key !== null) {
            // The same query text qm_url gives, built directly: this runs for every row.
            $query = '?t=' . rawurlencode($tm['index']);
            foreach ($key as $j => $k) {
                $query .= '&k%5B' . $j . '%5D=' . rawurlencode($k);
            }
        }
        $out[] = ['cells' => $cells, 'query' => $query];
    }
    return $out;
}

// Everything the list of a page shows: summary, column heads, rows and pager. $base holds the
// parameters every link keeps (table, search).
function qm_list_state(
    array $tm,
    string $pageUrl,
    array $base,
    string $where,
    array $whereParams,
    bool $isSearch
): array {
    $perPage = qm_per_page();
    [$sortPos, $dir] = qm_sort_state($tm);
    $sortParams = $sortPos === null ? $base : $base + ['s' => $sortPos, 'd' => $dir === 'DESC' ? 'd' : 'a'];
    $page = qm_read_page($tm, $sortPos, $dir, $where, $whereParams, $perPage);
    [$total, $estimated] = qm_list_total($tm, $where, $whereParams, $isSearch);
    $pages = $total === null ? null : max(1, (int)ceil($total / $perPage));
    $p = $page['mode'] === 'last' && $pages !== null ? $pages : $page['p'];
    [$hasPrev, $hasNext] = qm_page_neighbours($page, $p, $pages, $perPage);
    $edgeKeys = qm_page_edge_keys($tm, $sortPos, $page);
    $actions = qm_row_actions($tm);
    return [
        'summary' => qm_list_summary($total, $estimated, $p, $pages),
        'columns' => qm_list_columns($tm, $sortPos, $dir, $pageUrl, $base),
        'actions' => $actions,
        'rows' => qm_list_rows($tm, $page['rows'], count($actions) > 0),
        'span' => count($tm['fields']) + (count($actions) > 0 ? 1 : 0),
        'pager' => qm_pager_links($pageUrl, $sortParams, $p, $hasPrev, $hasNext, $edgeKeys),
        'goTo' => $hasPrev || $hasNext ? ['action' => $pageUrl, 'params' => $sortParams, 'page' => $p] : null,
    ];
}

// The paged list of a table, with sorting by any column, used by the table list and the search
// results.
function qm_render_list(
    array $tm,
    string $pageUrl,
    array $base,
    string $where,
    array $whereParams,
    bool $isSearch
): void {
    qm_list_markup(qm_list_state($tm, $pageUrl, $base, $where, $whereParams, $isSearch));
}

// The markup of a list computed by qm_list_state. Cells come HTML-escaped from qm_show_value.
function qm_list_markup(array $list): void
{
    $summary = $list['summary'];
    $pager = $list['pager'];
    $goTo = $list['goTo'];
    ?>
<p class="Summary"><?php if ($summary['count'] === null) : ?>Page <?= qm_h($summary['page']) ?>
<?php else : ?><?= qm_h($summary['count']) ?> &middot; page <?= qm_h($summary['page']) ?> of <?= qm_h($summary['pages']) ?>
<?php endif ?></p>
<table class="DataTable" id="Records">
<thead><tr class="Header">
<?php foreach ($list['columns'] as $c) : ?>
<th scope="col"><?php if ($c['sortUrl'] === null) : ?><?= qm_h($c['name']) ?>
<?php else : ?><a href="<?= qm_h($c['sortUrl']) ?>" class="SortLink"><?= qm_h($c['name']) ?></a><?php endif ?>
<?php if ($c['arrow'] !== null) : ?><img src="<?= qm_h($c['arrow'][0]) ?>" class="SortArrow"
    alt="<?= qm_h($c['arrow'][1]) ?>" width="11" height="6"><?php endif ?></th>
<?php endforeach ?>
<?php if (count($list['actions']) > 0) : ?>
<th scope="col" class="ActionsHeader"></th>
<?php endif ?>
</tr></thead>
<tbody>
<?php foreach ($list['rows'] as $n => $row) : ?>
<tr class="<?= $n % 2 === 1 ? 'TableAltRow' : 'TableRow' ?>">
<?php foreach ($row['cells'] as $cell) : ?>
<td><?= $cell ?></td>
<?php endforeach ?>
<?php if ($row['query'] !== null) : ?>
<td class="RowActions">
<?php foreach ($list['actions'] as $page => $label) : ?>
<a href="<?= qm_h($page . $row['query']) ?>"><?= qm_h($label) ?></a>
<?php endforeach ?>
</td>
<?php elseif (count($list['actions']) > 0) : ?>
<td></td>
<?php endif ?>
</tr>
<?php endforeach ?>
<?php if (count($list['rows']) === 0) : ?>
<tr class="TableRow"><td colspan="<?= qm_h($list['span']) ?>" class="NoRecords">No records found.</td></tr>
<?php endif ?>
</tbody>
</table>
<div class="Pager">
<?php if ($pager['prev'] !== null) : ?>
<a href="<?= qm_h($pager['first']) ?>" id="FirstPage">&laquo; First</a>
<a href="<?= qm_h($pager['prev']) ?>" id="PrevPage" rel="prev">&lsaquo; Previous</a>
<?php endif ?>
<?php if ($pager['next'] !== null) : ?>
<a href="<?= qm_h($pager['next']) ?>" id="NextPage" rel="next">Next &rsaquo;</a>
<a href="<?= qm_h($pager['last']) ?>" id="LastPage">Last &raquo;</a>
<?php endif ?>
<?php if ($goTo !== null) : ?>
<form method="get" action="<?= qm_h($goTo['action']) ?>" class="GoToPage">
<?= implode('', qm_hidden_fields($goTo['params'])) ?>
<label>Page <input type="number" name="p" min="1" value="<?= qm_h($goTo['page']) ?>" size="6"></label>
<button type="submit" class="Button">Go</button></form>
<?php endif ?>
</div>
<?php
}

// Hidden inputs that carry parameters (lists as name[key]) through a GET form.
function qm_hidden_fields(array $params, string $prefix = ''): array
{
    $out = [];
    foreach ($params as $k => $v) {
        $name = $prefix === '' ? (string)$k : $prefix . '[' . $k . ']';
        if (is_array($v)) {
            foreach (qm_hidden_fields($v, $name) as $h) {
                $out[] = $h;
            }
        } else {
            $out[] = '<input type="hidden" name="' . qm_h($name) . '" value="' . qm_h($v) . '">';
        }
    }
    return $out;
}

// =============================================================================================
// Export as CSV
// =============================================================================================

// The link that downloads a list as shown, its search and sort kept; null when $Export = False.
function qm_export_url(array $tm, string $pageUrl, array $base): ?string
{
    if (!qm_flag_or_on('Export')) {
        return null;
    }
    [$sortPos, $dir] = qm_sort_state($tm);
    $params = $sortPos === null ? $base : $base + ['s' => $sortPos, 'd' => $dir === 'DESC' ? 'd' : 'a'];
    return qm_url($pageUrl, $params + ['export' => 'csv']);
}

// One field of a CSV line (RFC 4180): quoted where it holds a comma, a quote or a line break,
// with its quotes doubled; NULL is an empty field. A spreadsheet takes a cell that starts with =,
// +, -, @, a tab or a carriage return for a formula: such a text gets a leading ' so that it stays
// text. A number of a number column is left as it is (-5 is no formula).
function qm_csv_field($value, bool $numeric): string
{
    if ($value === null) {
        return '';
    }
    $text = (string)$value;
    if ($text !== '' && strpos("=+-@\t\r", $text[0]) !== false && !($numeric && is_numeric($text))) {
        $text = "'" . $text;
    }
    if (strpbrk($text, ",\"\r\n") !== false) {
        $text = '"' . str_replace('"', '""', $text) . '"';
    }
    return $text;
}

// [heading, expression, whether numeric] of each column of an export: every shown field as
// stored (binary data as hexadecimal digits), and after a lookup field the value it shows.
function qm_export_columns(array $tm): array
{
    $columns = [];
    foreach ($tm['fields'] as $f) {
        $col = 't.' . qm_ident($f['name']);
        $expression = $f['col']['kind'] === 'blob' ? 'HEX(' . $col . ')' : qm_column_expression($f, $col, false);
        $columns[] = [$f['name'], $expression, $f['col']['numeric']];
        $l = $f['lookup'];
        if ($l !== null) {
            $columns[] = [$f['name'] . ' (' . $l['table'] . '.' . $l['display'] . ')', qm_lookup_expression($l, $col), false];
        }
    }
    return $columns;
}

// Sends the records of a list ($where: its search) in the list's sort order as a CSV file and ends
// the request. The rows are read unbuffered and written one by one, so that a table of any size
// takes the same memory; $Export = False refuses the download.
function qm_export_csv(array $tm, string $where, array $whereParams): void
{
    if (!qm_flag_or_on('Export')) {
        qm_fail(403, 'Exporting records is not allowed.');
    }
    [$sortPos, $dir] = qm_sort_state($tm);
    $columns = qm_export_columns($tm);
    $select = [];
    foreach ($columns as $i => [, $expression]) {
        $select[] = $expression . ' AS e' . $i;
    }
    $sql = 'SELECT ' . implode(', ', $select) . ' FROM ' . qm_ident($tm['name']) . ' AS t'
        . ($where !== '' ? ' WHERE ' . $where : '') . ' ORDER BY ' . qm_order_sql(qm_order_columns($tm, $sortPos), 't', $dir);
    // The visitor's other pages need not wait for the download to end.
    if (session_status() === PHP_SESSION_ACTIVE) {
        session_write_close();
    }
    if (function_exists('set_time_limit')) {
        set_time_limit(0);
    }
    qm_discard_output();
    $ascii = preg_replace('/[^A-Za-z0-9._-]+/', '_', $tm['name']);
    header('Content-Type: text/csv; charset=utf-8');
    header('Content-Disposition: attachment; filename="' . $ascii . '.csv"; filename*=UTF-8\'\'' . rawurlencode($tm['name'] . '.csv'));
    $numeric = array_column($columns, 2);
    $headings = [];
    foreach ($columns as [$heading]) {
        $headings[] = qm_csv_field($heading, false);
    }
    echo implode(',', $headings), "\r\n";
    // Lines are sent 500 at a time: one write per line costs more than the line itself.
    $n = 0;
    $lines = '';
    qm_each_row($sql, array_values($whereParams), function (array $row) use ($numeric, &$n, &$lines): void {
        $fields = [];
        foreach ($row as $i => $value) {
            $fields[] = qm_csv_field($value, $numeric[$i]);
        }
        $lines .= implode(',', $fields) . "\r\n";
        if (++$n % 500 === 0) {
            echo $lines;
            $lines = '';
            flush();
        }
    });
    echo $lines;
    flush();
    exit;
}
