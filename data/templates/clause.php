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
// A FULLTEXT index serves a search only on a table estimated above QM_COUNT_LIMIT rows, and only
// for words that fewer than QM_COMMON_HITS of the first QM_COMMON_SCAN rows hold (a word found in
// many records is read faster by the scan than by the index, which must collect every record
// that has it before the page is sorted).
const QM_COMMON_SCAN = 2000;
const QM_COMMON_HITS = 20;
// The words the server's FULLTEXT indexes of InnoDB tables leave out, as it ships them.
const QM_FULLTEXT_STOPWORDS = ['a', 'about', 'an', 'are', 'as', 'at', 'be', 'by', 'com', 'de', 'en', 'for', 'from',
    'how', 'i', 'in', 'is', 'it', 'la', 'of', 'on', 'or', 'that', 'the', 'this', 'to', 'was', 'what', 'when', 'where',
    'who', 'will', 'with', 'und', 'www'];

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

// Paging by key needs a primary key and a sort field whose values compare exactly (no floating
// point, no long texts). NULLs in the sort field are paged by key too: the server sorts them
// before every value.
function qm_keyset_allowed(array $tm, ?int $sortPos): bool
{
    if (count($tm['pk']) === 0) {
        return false;
    }
    if ($sortPos === null) {
        return true;
    }
    $col = $tm['fields'][$sortPos]['col'];
    return !in_array($col['kind'], ['float', 'text', 'blob', 'geometry', 'bit'], true);
}

// Whether the first of the order columns (the sort field) may hold NULL.
function qm_sort_nullable(array $tm, ?int $sortPos): bool
{
    return $sortPos !== null && $tm['fields'][$sortPos]['col']['nullable'];
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
// may hold anything); the page is then read by its number instead. NULL compares with any.
function qm_columns_can_hold(string $table, array $cols, array $values): bool
{
    foreach ($cols as $j => $c) {
        if ($values[$j] !== null && !qm_column_can_hold($table, $c, $values[$j])) {
            return false;
        }
    }
    return true;
}

// (c1 > v1) OR (c1 = v1 AND (c2 > v2 OR (c2 = v2 AND ...))) for the rows after (or before) a key,
// in ascending order ('>') or descending ('<'). Where the first column may hold NULL ($nullable),
// NULL counts as lower than any value, as the server sorts it; v1 is then NULL or a value.
function qm_keyset_sql(array $cols, array $values, string $alias, string $op, array &$params, bool $nullable = false): string
{
    $c = $alias . '.' . qm_ident($cols[0]);
    if ($nullable) {
        $restValues = array_slice($values, 1);
        if ($values[0] === null) {
            $rest = qm_keyset_sql(array_slice($cols, 1), $restValues, $alias, $op, $params);
            return $op === '>' ? '(' . $c . ' IS NOT NULL OR (' . $c . ' IS NULL AND ' . $rest . '))'
                : '(' . $c . ' IS NULL AND ' . $rest . ')';
        }
        $params[] = $values[0];
        $params[] = $values[0];
        $rest = qm_keyset_sql(array_slice($cols, 1), $restValues, $alias, $op, $params);
        return '(' . $c . ' ' . $op . ' ?' . ($op === '<' ? ' OR ' . $c . ' IS NULL' : '') . ' OR (' . $c . ' = ? AND '
            . $rest . '))';
    }
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

// Whether a field's values, written as text, can hold $q at all: numbers, dates and times are
// written with a few characters only, and an ENUM's or SET's members are known. Leaving out a
// field that cannot match keeps a search's condition to the columns an index may serve.
function qm_field_may_contain(array $f, string $q): bool
{
    $kind = $f['col']['kind'];
    if (qm_kind_is_numeric($kind)) {
        return preg_match('/^[0-9.eE+\-]*$/', $q) === 1;
    }
    if (in_array($kind, ['date', 'datetime', 'time'], true)) {
        return preg_match('/^[0-9\-:. ]*$/', $q) === 1;
    }
    if (in_array($kind, ['enum', 'set'], true) && !preg_match('/[\x80-\xff]/', $q)) {
        if ($kind === 'set' && strpos($q, ',') !== false) {
            return true;
        }
        $members = qm_type_values($f['col']['type']);
        if (count($members) === 0) {
            return true;   // members not known (read from a result's metadata)
        }
        foreach ($members as $member) {
            // (A member with letters beyond ASCII may match by the collation's rules, an accent
            // left aside, what stripos does not see.)
            if (stripos($member, $q) !== false || preg_match('/[\x80-\xff]/', $member)) {
                return true;
            }
        }
        return false;
    }
    return true;
}

// The FULLTEXT indexes of an InnoDB table, each as the list of its columns ([] for none, or
// where the server's stopwords are not the ones it ships). Read once per request.
function qm_fulltext_indexes(string $table): array
{
    static $cache = [];
    if (isset($cache[$table])) {
        return $cache[$table];
    }
    $rows = qm_query("SELECT s.INDEX_NAME AS i, s.COLUMN_NAME AS c, t.ENGINE AS e, @@innodb_ft_min_token_size AS m,"
        . " @@innodb_ft_enable_stopword AS sw, CONCAT(@@innodb_ft_server_stopword_table, '') AS st"
        . " FROM information_schema.STATISTICS s JOIN information_schema.TABLES t"
        . " ON t.TABLE_SCHEMA = s.TABLE_SCHEMA AND t.TABLE_NAME = s.TABLE_NAME"
        . " WHERE s.TABLE_SCHEMA = DATABASE() AND s.TABLE_NAME = ? AND s.INDEX_TYPE = 'FULLTEXT'"
        . " ORDER BY s.INDEX_NAME, s.SEQ_IN_INDEX", [$table]);
    $indexes = [];
    foreach ($rows as $row) {
        if (strcasecmp((string)$row['e'], 'InnoDB') !== 0 || (string)$row['st'] !== '') {
            return $cache[$table] = [];
        }
        $indexes[(string)$row['i']]['cols'][] = (string)$row['c'];
        $indexes[(string)$row['i']]['minLength'] = (int)$row['m'];
        $indexes[(string)$row['i']]['stopwords'] = (string)$row['sw'] === '1';
    }
    return $cache[$table] = array_values($indexes);
}

// The condition that finds the words of $q through a FULLTEXT index of exactly the text fields
// $fields, or null where the search is better left to LIKE: a small table, no such index, or no
// word the index holds that is not common. A record matches when each such word begins a word of
// one of the fields (a trailing * changes nothing) and each other word (shorter than the index
// holds, a stopword, a common word) is found anywhere in one of them, as LIKE finds it.
function qm_fulltext_sql(array $tm, array $fields, string $q, array &$params): ?string
{
    if (count($fields) === 0 || qm_row_estimate($tm['name']) <= QM_COUNT_LIMIT) {
        return null;
    }
    $names = array_map(fn ($f) => $f['name'], $fields);
    $index = null;
    foreach (qm_fulltext_indexes($tm['name']) as $candidate) {
        $cols = $candidate['cols'];
        if (count($cols) === count($names) && count(array_diff($names, $cols)) === 0) {
            $index = $candidate;
        }
    }
    $words = $index === null ? false : preg_split('/[^\p{L}\p{N}_]+/u', $q, -1, PREG_SPLIT_NO_EMPTY);
    if ($words === false) {
        return null;   // no index, or not UTF-8
    }
    $long = [];
    $short = [];
    foreach ($words as $w) {
        // (The stopwords are ASCII; the length counts characters, not bytes.)
        $stop = $index['stopwords'] && in_array(strtolower($w), QM_FULLTEXT_STOPWORDS, true);
        if (preg_match_all('/./us', $w) >= $index['minLength'] && !$stop) {
            $long[] = $w;
        } else {
            $short[] = $w;
        }
    }
    // Each word anywhere in one of the fields, as LIKE finds it.
    $anywhere = function (string $w, array &$into) use ($tm, $names): string {
        $parts = [];
        foreach ($names as $n) {
            if (qm_column_can_hold($tm['name'], $n, $w)) {
                $parts[] = 't.' . qm_ident($n) . ' LIKE ?';
                $into[] = qm_like_pattern($w);
            }
        }
        return count($parts) > 0 ? '(' . implode(' OR ', $parts) . ')' : 'FALSE';
    };
    // How many of the first rows hold each word: a common one is left to LIKE with the short
    // ones, which the rows the index finds for the others narrow down.
    $cols = implode(', ', array_map(fn ($n) => 't.' . qm_ident($n), $names));
    if (count($long) > 0) {
        $probeParams = [];
        $counts = [];
        foreach ($long as $j => $w) {
            $counts[] = 'SUM(' . $anywhere($w, $probeParams) . ') AS w' . $j;
        }
        $found = qm_query('SELECT ' . implode(', ', $counts) . ' FROM (SELECT ' . $cols . ' FROM ' . qm_ident($tm['name'])
            . ' AS t LIMIT ' . QM_COMMON_SCAN . ') AS t', $probeParams)[0];
        foreach ($long as $j => $w) {
            if ((int)$found['w' . $j] >= QM_COMMON_HITS) {
                $short[] = $w;
                unset($long[$j]);
            }
        }
    }
    if (count($long) === 0) {
        return null;
    }
    $params[] = implode(' ', array_map(fn ($w) => '+' . $w . '*', $long));
    $parts = ['MATCH (' . $cols . ') AGAINST (? IN BOOLEAN MODE)'];
    foreach ($short as $w) {
        $parts[] = $anywhere($w, $params);
    }
    return '(' . implode(' AND ', $parts) . ')';
}

// The condition of a simple search: the text anywhere in any searchable field (or in the
// display value of a lookup column). A trailing * asks for values that begin with the text
// (which an index of the column serves). Where a FULLTEXT index covers every text field the
// list shows, the words are found through it (qm_fulltext_sql).
function qm_simple_search_sql(array $tm, string $q, array &$params): string
{
    $parts = [];
    $unmatchable = false;
    $prefix = strlen($q) > 1 && substr($q, -1) === '*';
    if ($prefix) {
        $q = substr($q, 0, -1);
    }
    $pattern = qm_like_pattern($q, $prefix);
    $texts = array_values(array_filter($tm['fields'],
        fn ($f) => qm_field_sortable($f) && in_array($f['col']['kind'], ['char', 'text'], true)));
    $fulltext = qm_fulltext_sql($tm, $texts, $q, $params);
    if ($fulltext !== null) {
        $parts[] = $fulltext;
    }
    foreach ($tm['fields'] as $f) {
        if (!qm_field_sortable($f)) {
            continue;
        }
        $col = 't.' . qm_ident($f['name']);
        if ($fulltext !== null && in_array($f, $texts, true)) {
            // found through the index
        } elseif (!qm_field_may_contain($f, $q)) {
            // its values never hold this text
        } elseif (qm_column_can_hold($tm['name'], $f['name'], $q)) {
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
        // No field can hold the text; a table with no field to search in is listed whole.
        return $unmatchable || count(array_filter($tm['fields'], 'qm_field_sortable')) > 0 ? 'FALSE' : '';
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
    if ($op === 'contains' && in_array($f['col']['kind'], ['char', 'text'], true)) {
        // A FULLTEXT index of this one column finds its words (see qm_fulltext_sql).
        $fulltext = qm_fulltext_sql($tm, [$f], $value, $params);
        if ($fulltext !== null) {
            return $fulltext;
        }
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
// key of a next or previous link, 'last', or 'offset' (by page number alone). The page number of
// a page reached by key from the end of a list that was not counted is not known: 0. With n=1
// the key's sort value is NULL (its place in a[] or b[] is then empty).
function qm_page_request(array $tm, array $cols, bool $keyset, bool $nullable): array
{
    $page = qm_param('p');
    $p = ($page !== null && ctype_digit($page) && strlen($page) < 10) ? (int)$page : 1;
    $after = $keyset ? qm_param_list('a') : null;
    $before = $keyset ? qm_param_list('b') : null;
    $key = null;
    foreach (['after' => $after, 'before' => $before] as $mode => $values) {
        if ($values !== null && count($values) === count($cols)) {
            if ($nullable && qm_param('n') === '1') {
                $values[0] = null;
            }
            if (qm_columns_can_hold($tm['name'], $cols, $values)) {
                $key = $values;
                break;
            }
        }
    }
    if ($key === null) {
        return [qm_param('last') === '1' ? 'last' : 'offset', max(1, $p), null];
    }
    $checked = $key[0] === null ? array_slice($key, 1) : $key;
    if (!qm_key_values_fit($tm, array_slice($cols, count($key) - count($checked)), $checked)) {
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

// Reads one page of a table. Returns rows in display order and what the pager needs. The last
// page is read from the other end of the order: $lastRows rows where the rows were counted (so
// that it and the pages before it show what the pages by number show), else a whole page.
function qm_read_page(
    array $tm,
    ?int $sortPos,
    string $dir,
    string $where,
    array $whereParams,
    int $perPage,
    ?int $lastRows = null
): array {
    $cols = qm_order_columns($tm, $sortPos);
    $keyset = qm_keyset_allowed($tm, $sortPos);
    $nullable = qm_sort_nullable($tm, $sortPos);
    [$mode, $p, $key] = qm_page_request($tm, $cols, $keyset, $nullable);

    $conditions = $where === '' ? [] : [$where];
    $params = $where === '' ? [] : array_values($whereParams);
    $order = $dir;
    $limit = ' LIMIT ' . ($perPage + 1);
    if ($mode === 'after') {
        $conditions[] = qm_keyset_sql($cols, $key, 't', $dir === 'ASC' ? '>' : '<', $params, $nullable);
    } elseif ($mode === 'before') {
        $conditions[] = qm_keyset_sql($cols, $key, 't', $dir === 'ASC' ? '<' : '>', $params, $nullable);
        $order = $dir === 'ASC' ? 'DESC' : 'ASC';
    } elseif ($mode === 'last') {
        $order = $dir === 'ASC' ? 'DESC' : 'ASC';
        $limit = ' LIMIT ' . ($lastRows ?? $perPage);
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
    return ['rows' => $rows, 'mode' => $mode, 'p' => $p, 'more' => $more, 'keyset' => $keyset, 'cols' => $cols,
        'perPage' => $perPage];
}

// The values of the order columns of a fetched row, for paging by key: texts, and the sort
// value NULL where it is.
function qm_row_order_values(array $tm, ?int $sortPos, array $row): ?array
{
    $values = [];
    foreach ($tm['pk'] as $j => $k) {
        if ($sortPos === null || $tm['fields'][$sortPos]['name'] !== $k) {
            if ($row['k' . $j] === null) {
                return null;
            }
            $values[] = (string)$row['k' . $j];
        }
    }
    return $sortPos === null ? $values : [$row['sv'] === null ? null : (string)$row['sv'], ...$values];
}

// =============================================================================================
// The list: its data, then its markup
// =============================================================================================

// [number of rows, whether it is an estimate]: exact for small tables, the server's estimate for
// large ones, and [null, false] (not counted at all) for a search, or a list with the conditions of
// a hook, over a large table. With count=1 (the "Count exactly" link) the rows are counted
// whatever that costs.
function qm_list_total(array $tm, string $where, array $whereParams, bool $isSearch): array
{
    if (qm_param('count') === '1') {
        $rows = qm_query('SELECT COUNT(*) AS n FROM ' . qm_ident($tm['name']) . ' AS t'
            . ($where !== '' ? ' WHERE ' . $where : ''), $whereParams);
        return [(int)$rows[0]['n'], false];
    }
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
// qm_read_page, which is page $p (0: not known) of $pages (null when the rows were not counted).
function qm_page_neighbours(array $page, int $p, ?int $pages, int $perPage): array
{
    // A page read by key knows its neighbours from the rows around its key, whatever its number
    // says: rows may have come or gone since the link was made.
    switch ($page['mode']) {
        case 'before':
            return [$page['more'], true];
        case 'after':
            return [true, $page['more']];
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
    // A key whose sort value is NULL goes as an empty value and n=1.
    $keyParams = function (string $name, array $key): array {
        return $key[0] === null ? [$name => ['', ...array_slice($key, 1)], 'n' => '1'] : [$name => $key];
    };
    if ($hasPrev) {
        $prev = $sortParams + ['p' => $p === 0 ? 0 : max(1, $p - 1)];
        if ($firstKey !== null) {
            $prev += $keyParams('b', $firstKey);
        }
        $links['first'] = qm_url($pageUrl, $sortParams);
        $links['prev'] = qm_url($pageUrl, $prev);
    }
    if ($hasNext) {
        $next = $sortParams + ['p' => $p === 0 ? 0 : $p + 1];
        if ($lastKey !== null) {
            $next += $keyParams('a', $lastKey);
        }
        $links['next'] = qm_url($pageUrl, $next);
        $links['last'] = qm_url($pageUrl, $sortParams + ['last' => '1']);
    }
    return $links;
}

// The line above the list: how many records and which page, and the link that counts them
// exactly where the number is an estimate or was not counted. Rows that were not counted are
// told by what the pages so far have shown: "More than N" while there is a next page.
function qm_list_summary(?int $total, bool $estimated, int $p, ?int $pages, array $page, bool $hasNext, ?string $countUrl): array
{
    $records = fn (int $n, string $before = ''): string => $before . number_format($n) . ($n === 1 ? ' record' : ' records');
    if ($total !== null) {
        return [
            'count' => $estimated ? 'About ' . $records($total) . ' (estimated)' : $records($total),
            'page' => 'page ' . number_format($p) . ' of ' . ($estimated ? 'about ' : '') . number_format($pages),
            'countUrl' => $estimated ? $countUrl : null,
        ];
    }
    if ($p === 0) {
        return ['count' => null, 'page' => $page['mode'] === 'last' ? 'last page' : 'near the end', 'countUrl' => $countUrl];
    }
    $seen = ($p - 1) * $page['perPage'] + count($page['rows']);
    return [
        'count' => $hasNext ? $records($seen, 'More than ') : $records($seen),
        'page' => 'page ' . number_format($p) . ($hasNext ? '' : ' of ' . number_format($p)),
        'countUrl' => $hasNext ? $countUrl : null,
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
    [$total, $estimated] = qm_list_total($tm, $where, $whereParams, $isSearch);
    $pages = $total === null ? null : max(1, (int)ceil($total / $perPage));
    $lastRows = $total === null || $estimated ? null : max(1, $total - ($pages - 1) * $perPage);
    $page = qm_read_page($tm, $sortPos, $dir, $where, $whereParams, $perPage, $lastRows);
    $p = $page['mode'] === 'last' ? ($pages ?? 0) : $page['p'];
    if ($page['mode'] === 'before' && !$page['more']) {
        $p = 1;   // nothing before it: the first page, whatever the link said
    }
    [$hasPrev, $hasNext] = qm_page_neighbours($page, $p, $pages, $perPage);
    $edgeKeys = qm_page_edge_keys($tm, $sortPos, $page);
    $actions = qm_row_actions($tm);
    $countUrl = qm_url($pageUrl, $sortParams + ['count' => '1']);
    return [
        'summary' => qm_list_summary($total, $estimated, $p, $pages, $page, $hasNext, $countUrl),
        'columns' => qm_list_columns($tm, $sortPos, $dir, $pageUrl, $base),
        'actions' => $actions,
        'rows' => qm_list_rows($tm, $page['rows'], count($actions) > 0),
        'span' => count($tm['fields']) + (count($actions) > 0 ? 1 : 0),
        'pager' => qm_pager_links($pageUrl, $sortParams, $p, $hasPrev, $hasNext, $edgeKeys),
        'goTo' => $hasPrev || $hasNext ? ['action' => $pageUrl, 'params' => $sortParams, 'page' => $p > 0 ? $p : ''] : null,
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
<p class="Summary"><?php if ($summary['count'] === null) : ?><?= qm_h(ucfirst($summary['page'])) ?>
<?php else : ?><?= qm_h($summary['count']) ?> &middot; <?= qm_h($summary['page']) ?>
<?php endif ?><?php if ($summary['countUrl'] !== null) : ?> <a href="<?= qm_h($summary['countUrl']) ?>"
    id="CountExactly">Count exactly</a><?php endif ?></p>
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
