<?php
// Building the statements of the record lists: sort order from an allow-list, search conditions,
// and paging. A page is read with a deferred join (the page's keys first, from the index, then
// the rows for those keys), the primary key always ends the order so that pages are stable, and
// next/previous continue from the last or first key of the page where the sort allows it.

if (!defined('QM_PAGE')) {
    header_remove('X-Powered-By');
    header('Location: index.php', true, 302);
    exit;
}

// Fields that can be sorted by and searched in: not binary data, not geometry.
function qm_field_sortable($f)
{
    return !in_array($f['col']['kind'], array('blob', 'geometry'), true);
}

// [position of the sort field or null, 'ASC' or 'DESC'] from s and d of the request.
function qm_sort_state($tm)
{
    $pos = null;
    $s = qm_param('s');
    if ($s !== null && ctype_digit($s) && isset($tm['fields'][(int)$s]) && qm_field_sortable($tm['fields'][(int)$s])) {
        $pos = (int)$s;
    }
    $dir = qm_param('d') === 'd' ? 'DESC' : 'ASC';
    return array($pos, $dir);
}

// Columns of the order: the sort field, then the primary key (or, without one, every other field).
function qm_order_columns($tm, $sortPos)
{
    $cols = array();
    if ($sortPos !== null) {
        $cols[] = $tm['fields'][$sortPos]['name'];
    }
    $rest = array();
    if (count($tm['pk']) > 0) {
        $rest = $tm['pk'];
    } else {
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
function qm_keyset_allowed($tm, $sortPos)
{
    if (count($tm['pk']) === 0) {
        return false;
    }
    if ($sortPos === null) {
        return true;
    }
    $col = $tm['fields'][$sortPos]['col'];
    return !$col['nullable'] && !in_array($col['kind'], array('float', 'text', 'blob', 'geometry', 'bit'), true);
}

function qm_order_sql($cols, $alias, $dir)
{
    $parts = array();
    foreach ($cols as $c) {
        $parts[] = $alias . '.' . qm_ident($c) . ' ' . $dir;
    }
    return implode(', ', $parts);
}

// Whether each value can be compared with its column (a key of a page link that was not made here
// may hold anything); the page is then read by its number instead.
function qm_columns_can_hold($table, $cols, $values)
{
    foreach ($cols as $j => $c) {
        if (!qm_column_can_hold($table, $c, $values[$j])) {
            return false;
        }
    }
    return true;
}

// (c1 > v1) OR (c1 = v1 AND (c2 > v2 OR (c2 = v2 AND ...))) for the rows after (or before) a key.
function qm_keyset_sql($cols, $values, $alias, $op, &$params)
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

// Fields whose values are texts: only these can hold '' (elsewhere empty means NULL; `n = ''`
// would be true for a number 0 or a zero date).
function qm_field_is_text($f)
{
    return in_array($f['col']['kind'], array('char', 'text', 'enum', 'set'), true);
}

function qm_like_pattern($text, $prefixOnly = false)
{
    $escaped = str_replace(array('\\', '%', '_'), array('\\\\', '\\%', '\\_'), $text);
    return ($prefixOnly ? '' : '%') . $escaped . '%';
}

// The condition of a simple search: the text anywhere in any searchable field (or in the
// display value of a lookup column).
function qm_simple_search_sql($tm, $q, &$params)
{
    $parts = array();
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
function qm_search_operators()
{
    return array(
        'contains' => array('contains', true),
        'begins' => array('begins with', true),
        'eq' => array('=', true),
        'ne' => array("\u{2260}", true),
        'lt' => array('<', true),
        'le' => array("\u{2264}", true),
        'gt' => array('>', true),
        'ge' => array("\u{2265}", true),
        'empty' => array('is empty', false),
        'filled' => array('is not empty', false),
    );
}

// The condition of an advanced search: o[i] and v[i] per field, joined by AND or (m=any) OR.
function qm_advanced_search_sql($tm, $ops, $values, $any, &$params)
{
    $sqlOps = array('eq' => '=', 'ne' => '<>', 'lt' => '<', 'le' => '<=', 'gt' => '>', 'ge' => '>=');
    $known = qm_search_operators();
    $parts = array();
    foreach ($tm['fields'] as $f) {
        $i = $f['pos'];
        if (!qm_field_sortable($f) || !isset($ops[$i]) || !is_string($ops[$i]) || !isset($known[$ops[$i]])) {
            continue;
        }
        $op = $ops[$i];
        $value = isset($values[$i]) && is_string($values[$i]) ? $values[$i] : '';
        $col = 't.' . qm_ident($f['name']);
        if ($op === 'empty') {
            $parts[] = qm_field_is_text($f) ? '(' . $col . ' IS NULL OR ' . $col . " = '')" : $col . ' IS NULL';
        } elseif ($op === 'filled') {
            $parts[] = qm_field_is_text($f) ? '(' . $col . ' IS NOT NULL AND ' . $col . " <> '')"
                : $col . ' IS NOT NULL';
        } elseif ($value === '') {
            continue;
        } elseif (!qm_column_can_hold($tm['name'], $f['name'], $value)
            || ($f['col']['numeric'] && $op !== 'contains' && $op !== 'begins' && !is_numeric(trim($value)))) {
            // A value the column cannot hold equals and orders with no stored value, and differs
            // from every one. (The server would compare a text that is not a number as 0 or as its
            // leading digits.)
            $parts[] = $op === 'ne' ? $col . ' IS NOT NULL' : 'FALSE';
        } elseif ($op === 'contains' || $op === 'begins') {
            $parts[] = $col . ' LIKE ?';
            $params[] = qm_like_pattern($value, $op === 'begins');
        } else {
            $parts[] = $col . ' ' . $sqlOps[$op] . ' ?';
            $params[] = $value;
        }
    }
    return count($parts) > 0 ? '(' . implode($any ? ' OR ' : ' AND ', $parts) . ')' : '';
}

// From this offset on a page is read by a deferred join; before it a plain read is cheaper.
define('QM_DEFERRED_FROM', 1000);

// Reads one page of a table. Returns rows in display order and what the pager needs.
function qm_read_page($tm, $sortPos, $dir, $where, $whereParams, $perPage)
{
    $cols = qm_order_columns($tm, $sortPos);
    $keyset = qm_keyset_allowed($tm, $sortPos);
    $reverse = $dir === 'ASC' ? 'DESC' : 'ASC';
    $page = qm_param('p');
    $p = ($page !== null && ctype_digit($page) && strlen($page) < 10) ? max(1, (int)$page) : 1;
    $after = $keyset ? qm_param_list('a') : null;
    $before = $keyset ? qm_param_list('b') : null;
    $mode = 'offset';
    if ($after !== null && count($after) === count($cols) && qm_columns_can_hold($tm['name'], $cols, $after)) {
        $mode = 'after';
    } elseif ($before !== null && count($before) === count($cols) && qm_columns_can_hold($tm['name'], $cols, $before)) {
        $mode = 'before';
    } elseif (qm_param('last') === '1') {
        $mode = 'last';
    }
    if (($mode === 'after' && !qm_key_values_fit($tm, $cols, $after)) || ($mode === 'before' && !qm_key_values_fit($tm, $cols, $before))) {
        qm_fail(404, 'There is no such page.');
    }

    $conditions = array();
    $params = array();
    if ($where !== '') {
        $conditions[] = $where;
        foreach ($whereParams as $v) {
            $params[] = $v;
        }
    }
    $order = $dir;
    $limit = ' LIMIT ' . ($perPage + 1);
    if ($mode === 'after') {
        $conditions[] = qm_keyset_sql($cols, $after, 't', $dir === 'ASC' ? '>' : '<', $params);
    } elseif ($mode === 'before') {
        $conditions[] = qm_keyset_sql($cols, $before, 't', $dir === 'ASC' ? '<' : '>', $params);
        $order = $reverse;
    } elseif ($mode === 'last') {
        $order = $reverse;
        $limit = ' LIMIT ' . $perPage;
    } else {
        $offset = ($p - 1) * $perPage;
        $limit = ' LIMIT ' . $offset . ', ' . ($perPage + 1);
    }
    $whereSql = count($conditions) > 0 ? ' WHERE ' . implode(' AND ', $conditions) : '';
    $table = qm_ident($tm['name']);
    $cut = !qm_flag('ViewTable');
    if (count($tm['pk']) > 0 && $mode === 'offset' && $p > 1 && ($p - 1) * $perPage >= QM_DEFERRED_FROM) {
        // Deferred join: the keys of the page come from the index alone.
        $keyCols = array();
        $join = array();
        foreach ($tm['pk'] as $j => $k) {
            $keyCols[] = 't.' . qm_ident($k) . ' AS p' . $j;
            $join[] = 't.' . qm_ident($k) . ' = kx.p' . $j;
        }
        $sql = 'SELECT ' . qm_select_list($tm, 't', $cut) . ' FROM ' . $table . ' AS t JOIN (SELECT '
            . implode(', ', $keyCols) . ' FROM ' . $table . ' AS t' . $whereSql . ' ORDER BY '
            . qm_order_sql($cols, 't', $order) . $limit . ') AS kx ON ' . implode(' AND ', $join)
            . ' ORDER BY ' . qm_order_sql($cols, 't', $order);
    } else {
        $sql = 'SELECT ' . qm_select_list($tm, 't', $cut) . ' FROM ' . $table . ' AS t' . $whereSql
            . ' ORDER BY ' . qm_order_sql($cols, 't', $order) . $limit;
    }
    if ($keyset) {
        // The sort value of each row, uncut, for the next/previous links.
        $sql = preg_replace('/^SELECT /', 'SELECT ' . ($sortPos !== null ? 't.' . qm_ident($cols[0]) . ' AS sv, ' : ''), $sql, 1);
    }
    $rows = qm_query($sql, $params);
    $more = count($rows) > $perPage;
    if ($more) {
        array_pop($rows);
    }
    if ($order !== $dir) {
        $rows = array_reverse($rows);
    }
    return array(
        'rows' => $rows, 'mode' => $mode, 'p' => $p, 'more' => $more, 'keyset' => $keyset, 'cols' => $cols,
    );
}

// The values of the order columns of a fetched row, for paging by key.
function qm_row_order_values($tm, $sortPos, $row)
{
    $values = array();
    if ($sortPos !== null) {
        $values[] = $row['sv'];
    }
    foreach ($tm['pk'] as $j => $k) {
        if ($sortPos !== null && $tm['fields'][$sortPos]['name'] === $k) {
            continue;
        }
        $values[] = $row['k' . $j];
    }
    foreach ($values as $v) {
        if ($v === null) {
            return null;
        }
    }
    return array_map('strval', $values);
}

// The paged list of a table, with sorting by any column, used by the table list and the search
// results. $base holds the parameters every link keeps (table, search).
function qm_render_list($tm, $pageUrl, $base, $where, $whereParams, $isSearch)
{
    $perPage = qm_per_page();
    list($sortPos, $dir) = qm_sort_state($tm);
    $sortParams = $base;
    if ($sortPos !== null) {
        $sortParams['s'] = $sortPos;
        $sortParams['d'] = $dir === 'DESC' ? 'd' : 'a';
    }
    $page = qm_read_page($tm, $sortPos, $dir, $where, $whereParams, $perPage);
    $rows = $page['rows'];

    // How many rows there are: exact for small tables, the server's estimate for large ones, and
    // not at all for a search over a large table.
    $total = null;
    $estimated = false;
    if (!$isSearch) {
        list($total, $estimated) = qm_row_count($tm['name']);
    } elseif (qm_row_estimate($tm['name']) <= QM_COUNT_LIMIT) {
        $n = qm_count_upto($tm['name'], QM_COUNT_LIMIT, $where, $whereParams);
        if ($n <= QM_COUNT_LIMIT) {
            $total = $n;
        }
    }
    $pages = $total === null ? null : max(1, (int)ceil($total / $perPage));
    $p = $page['p'];
    if ($page['mode'] === 'last') {
        $p = $pages === null ? $p : $pages;
    }
    $hasNext = $page['mode'] === 'before' ? true : ($page['mode'] === 'last' ? false : $page['more']);
    $hasPrev = $page['mode'] === 'before' ? ($page['more'] || $p > 1) : ($page['mode'] === 'last' ? ($pages !== null && $pages > 1 || count($rows) === $perPage) : $p > 1);
    if ($page['mode'] === 'last' && $pages !== null && $pages > 1 && count($rows) < $perPage) {
        $hasPrev = true;
    }

    echo '<p class="Summary">';
    if ($total !== null) {
        echo $estimated ? 'About ' . qm_h(number_format($total)) . ' records (estimated)' : qm_h(number_format($total)) . ($total === 1 ? ' record' : ' records');
        echo ' &middot; page ', qm_h(number_format($p)), ' of ', ($estimated ? 'about ' : ''), qm_h(number_format($pages));
    } else {
        echo 'Page ', qm_h(number_format($p));
    }
    echo "</p>\n";

    $canView = qm_flag('View') && count($tm['pk']) > 0;
    $canEdit = qm_flag('Edit') && count($tm['pk']) > 0;
    $canDelete = qm_flag('Delete') && count($tm['pk']) > 0;
    echo '<table class="DataTable" id="Records">', "\n<thead><tr class=\"Header\">";
    foreach ($tm['fields'] as $f) {
        echo '<th scope="col">';
        if (qm_field_sortable($f)) {
            $newDir = ($sortPos === $f['pos'] && $dir === 'ASC') ? 'd' : 'a';
            $link = $base;
            $link['s'] = $f['pos'];
            $link['d'] = $newDir;
            echo '<a href="', qm_h(qm_url($pageUrl, $link)), '" class="SortLink">', qm_h($f['name']), '</a>';
            if ($sortPos === $f['pos']) {
                echo '<img src="', $dir === 'ASC' ? 'up.gif' : 'down.gif', '" class="SortArrow" alt="',
                    $dir === 'ASC' ? 'ascending' : 'descending', '" width="11" height="6">';
            }
        } else {
            echo qm_h($f['name']);
        }
        echo '</th>';
    }
    if ($canView || $canEdit || $canDelete) {
        echo '<th scope="col" class="ActionsHeader"></th>';
    }
    echo "</tr></thead>\n<tbody>\n";
    foreach ($rows as $n => $row) {
        echo '<tr class="', $n % 2 === 1 ? 'TableAltRow' : 'TableRow', '">';
        foreach ($tm['fields'] as $f) {
            echo '<td>', qm_show_value($f, $row, !qm_flag('ViewTable')), '</td>';
        }
        $key = ($canView || $canEdit || $canDelete) ? qm_row_key_params($tm, $row) : null;
        if ($key !== null) {
            // The same query text qm_url gives, built directly: this runs for every row.
            $query = '?t=' . rawurlencode($tm['index']);
            foreach ($key as $j => $k) {
                $query .= '&amp;k%5B' . $j . '%5D=' . rawurlencode($k);
            }
            echo '<td class="RowActions">';
            if ($canView) {
                echo '<a href="view.php', $query, '">View</a> ';
            }
            if ($canEdit) {
                echo '<a href="edit.php', $query, '">Edit</a> ';
            }
            if ($canDelete) {
                echo '<a href="delete.php', $query, '">Delete</a>';
            }
            echo '</td>';
        } elseif ($canView || $canEdit || $canDelete) {
            echo '<td></td>';
        }
        echo "</tr>\n";
    }
    if (count($rows) === 0) {
        $span = count($tm['fields']) + (($canView || $canEdit || $canDelete) ? 1 : 0);
        echo '<tr class="TableRow"><td colspan="', $span, '" class="NoRecords">No records found.</td></tr>', "\n";
    }
    echo "</tbody>\n</table>\n";

    // Pager: next and previous continue from the page's last and first key where possible.
    echo '<div class="Pager">';
    $links = array();
    if ($hasPrev) {
        $links[] = '<a href="' . qm_h(qm_url($pageUrl, $sortParams)) . '" id="FirstPage">&laquo; First</a>';
        $prev = $sortParams;
        $prev['p'] = max(1, $p - 1);
        $firstKey = count($rows) > 0 && $page['keyset'] ? qm_row_order_values($tm, $sortPos, $rows[0]) : null;
        if ($firstKey !== null && $p > 2) {
            $prev['b'] = $firstKey;
        }
        $links[] = '<a href="' . qm_h(qm_url($pageUrl, $prev)) . '" id="PrevPage" rel="prev">&lsaquo; Previous</a>';
    }
    if ($hasNext) {
        $next = $sortParams;
        $next['p'] = $p + 1;
        $lastKey = count($rows) > 0 && $page['keyset'] ? qm_row_order_values($tm, $sortPos, $rows[count($rows) - 1]) : null;
        if ($lastKey !== null) {
            $next['a'] = $lastKey;
        }
        $links[] = '<a href="' . qm_h(qm_url($pageUrl, $next)) . '" id="NextPage" rel="next">Next &rsaquo;</a>';
        $last = $sortParams;
        $last['last'] = '1';
        $links[] = '<a href="' . qm_h(qm_url($pageUrl, $last)) . '" id="LastPage">Last &raquo;</a>';
    }
    echo implode(' ', $links);
    if ($hasPrev || $hasNext) {
        echo ' <form method="get" action="', qm_h($pageUrl), '" class="GoToPage">';
        foreach (qm_hidden_fields($sortParams) as $hidden) {
            echo $hidden;
        }
        echo '<label>Page <input type="number" name="p" min="1" value="', qm_h($p), '" size="6"></label> ',
            '<button type="submit" class="Button">Go</button></form>';
    }
    echo "</div>\n";
}

// Hidden inputs that carry parameters (lists as name[key]) through a GET form.
function qm_hidden_fields($params, $prefix = '')
{
    $out = array();
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
