<?php
// What the server says about the tables of config.php: their columns, primary keys and lookup
// columns, row counts, and reading one record by its primary key. Names come only from
// config.php and the server, never from the request.

if (!defined('QM_PAGE')) {
    header_remove('X-Powered-By');
    header('Location: index.php', true, 302);
    exit;
}

function qm_ident(string $name): string
{
    return '`' . str_replace('`', '``', $name) . '`';
}

// A value as a quoted literal of a statement, escaped through the connection.
function qm_literal(string $value): string
{
    global $db;
    return "'" . $db->real_escape_string($value) . "'";
}

// ---------------------------------------------------------------------------------------------
// Columns

// Column kinds by the type names of SHOW COLUMNS; a type not listed is a text ('char').
function qm_kind_of_type(string $base): string
{
    $kinds = [
        'tinyint' => 'int', 'smallint' => 'int', 'mediumint' => 'int', 'int' => 'int', 'integer' => 'int',
        'bigint' => 'int', 'decimal' => 'decimal', 'numeric' => 'decimal', 'dec' => 'decimal',
        'fixed' => 'decimal', 'float' => 'float', 'double' => 'float', 'real' => 'float', 'bit' => 'bit',
        'date' => 'date', 'datetime' => 'datetime', 'timestamp' => 'datetime', 'time' => 'time',
        'year' => 'year', 'char' => 'char', 'varchar' => 'char', 'tinytext' => 'text', 'text' => 'text',
        'mediumtext' => 'text', 'longtext' => 'text', 'json' => 'text', 'binary' => 'blob',
        'varbinary' => 'blob', 'tinyblob' => 'blob', 'blob' => 'blob', 'mediumblob' => 'blob',
        'longblob' => 'blob', 'enum' => 'enum', 'set' => 'set', 'geometry' => 'geometry',
        'point' => 'geometry', 'linestring' => 'geometry', 'polygon' => 'geometry',
        'multipoint' => 'geometry', 'multilinestring' => 'geometry', 'multipolygon' => 'geometry',
        'geometrycollection' => 'geometry', 'inet4' => 'char', 'inet6' => 'char', 'uuid' => 'char',
    ];
    return $kinds[$base] ?? 'char';
}

function qm_kind_is_numeric(string $kind): bool
{
    return in_array($kind, ['int', 'decimal', 'float', 'bit', 'year'], true);
}

// The values of an ENUM or SET type as written in the type text ("enum('a','it''s')"), with
// their original letter case.
function qm_type_values(string $type): array
{
    $values = [];
    if (preg_match('/^\w+\((.*)\)/s', $type, $list) && preg_match_all("/'((?:[^']|'')*)'/s", $list[1], $found)) {
        foreach ($found[1] as $value) {
            $values[] = str_replace(["''", '\\\\'], ["'", '\\'], $value);
        }
    }
    return $values;
}

// The most characters a text column holds; 0 where the type sets no limit worth checking.
function qm_type_length(string $base, string $kind, string $args): int
{
    $textLimits = ['tinytext' => 255, 'text' => 65535];
    if (isset($textLimits[$base])) {
        return $textLimits[$base];
    }
    return $kind === 'char' && ctype_digit($args) ? (int)$args : 0;
}

// Whether the Extra of SHOW COLUMNS marks a column the server computes.
function qm_extra_is_generated(string $extra): bool
{
    foreach (['generated', 'virtual', 'persistent', 'stored'] as $word) {
        if (strpos($extra, $word) !== false) {
            return true;
        }
    }
    return false;
}

// One column as SHOW COLUMNS describes it, with the kind of input and display it needs.
function qm_describe_column(array $row): array
{
    $type = strtolower((string)$row['Type']);
    preg_match('/^([a-z]+)(?:\((.*)\))?(.*)$/s', $type, $m);
    $base = $m[1] ?? $type;
    $kind = qm_kind_of_type($base);
    $nullable = strtoupper((string)$row['Null']) === 'YES';
    $extra = strtolower((string)$row['Extra']);
    return [
        'name' => (string)$row['Field'],
        'type' => (string)$row['Type'],
        'base' => $base,
        'kind' => $kind,
        'unsigned' => strpos($type, 'unsigned') !== false,
        'nullable' => $nullable,
        'default' => $row['Default'],
        'has_default' => $row['Default'] !== null || $nullable,
        'auto' => strpos($extra, 'auto_increment') !== false,
        'generated' => qm_extra_is_generated($extra),
        'primary' => strtoupper((string)$row['Key']) === 'PRI',
        'length' => qm_type_length($base, $kind, $m[2] ?? ''),
        'values' => $kind === 'enum' || $kind === 'set' ? qm_type_values((string)$row['Type']) : [],
        'numeric' => qm_kind_is_numeric($kind),
    ];
}

// The kind of a column as the result metadata of a query gives it.
function qm_result_field_kind(object $f): string
{
    $binary = (int)$f->charsetnr === 63;
    $kinds = [
        MYSQLI_TYPE_DECIMAL => 'decimal', MYSQLI_TYPE_NEWDECIMAL => 'decimal',
        MYSQLI_TYPE_TINY => 'int', MYSQLI_TYPE_SHORT => 'int', MYSQLI_TYPE_LONG => 'int',
        MYSQLI_TYPE_LONGLONG => 'int', MYSQLI_TYPE_INT24 => 'int',
        MYSQLI_TYPE_FLOAT => 'float', MYSQLI_TYPE_DOUBLE => 'float',
        MYSQLI_TYPE_TIMESTAMP => 'datetime', MYSQLI_TYPE_DATETIME => 'datetime',
        MYSQLI_TYPE_DATE => 'date', MYSQLI_TYPE_NEWDATE => 'date',
        MYSQLI_TYPE_TIME => 'time', MYSQLI_TYPE_YEAR => 'year', MYSQLI_TYPE_BIT => 'bit',
        MYSQLI_TYPE_GEOMETRY => 'geometry',
        245 => 'text',  // JSON
        MYSQLI_TYPE_TINY_BLOB => $binary ? 'blob' : 'text', MYSQLI_TYPE_MEDIUM_BLOB => $binary ? 'blob' : 'text',
        MYSQLI_TYPE_LONG_BLOB => $binary ? 'blob' : 'text', MYSQLI_TYPE_BLOB => $binary ? 'blob' : 'text',
    ];
    $type = (int)$f->type;
    if (isset($kinds[$type])) {
        return $kinds[$type];
    }
    $flags = (int)$f->flags;
    if ($flags & MYSQLI_ENUM_FLAG) {
        return 'enum';
    }
    if ($flags & MYSQLI_SET_FLAG) {
        return 'set';
    }
    return $binary ? 'blob' : 'char';
}

// One column as the result metadata of a query describes it: enough for lists, searches and the
// record view, and much cheaper to read than SHOW COLUMNS. Forms need the full description.
function qm_describe_result_field(object $f): array
{
    $kind = qm_result_field_kind($f);
    $flags = (int)$f->flags;
    return [
        'name' => (string)$f->orgname !== '' ? (string)$f->orgname : (string)$f->name,
        'type' => '',
        'base' => '',
        'kind' => $kind,
        'unsigned' => ($flags & MYSQLI_UNSIGNED_FLAG) !== 0,
        'nullable' => ($flags & MYSQLI_NOT_NULL_FLAG) === 0,
        'default' => null,
        'has_default' => true,
        'auto' => ($flags & MYSQLI_AUTO_INCREMENT_FLAG) !== 0,
        'generated' => false,
        'primary' => ($flags & MYSQLI_PRI_KEY_FLAG) !== 0,
        'length' => 0,
        'values' => [],
        'numeric' => qm_kind_is_numeric($kind),
    ];
}

// Name => column, from SHOW COLUMNS.
function qm_read_full_columns(string $table): array
{
    $columns = [];
    foreach (qm_query('SHOW COLUMNS FROM ' . qm_ident($table)) as $row) {
        $column = qm_describe_column($row);
        $columns[$column['name']] = $column;
    }
    return $columns;
}

// Name => column, from the metadata of an empty result.
function qm_read_result_columns(string $table): array
{
    global $db;
    $columns = [];
    $result = $db->query('SELECT * FROM ' . qm_ident($table) . ' LIMIT 0');
    foreach ($result->fetch_fields() as $f) {
        $column = qm_describe_result_field($f);
        $columns[$column['name']] = $column;
    }
    $result->free();
    return $columns;
}

// Name => column of a table of the database, or null when the table cannot be read. Pages with
// forms (QM_FORMS) read the full description; the others only the result metadata.
function qm_columns(string $table): ?array
{
    static $cache = [];
    if (!array_key_exists($table, $cache)) {
        try {
            $columns = defined('QM_FORMS') ? qm_read_full_columns($table) : qm_read_result_columns($table);
            $cache[$table] = count($columns) > 0 ? $columns : null;
        } catch (mysqli_sql_exception $e) {
            error_log('quillmere site: cannot read the columns of a table: ' . $e->getMessage());
            $cache[$table] = null;
        }
    }
    return $cache[$table];
}

// The primary key's columns in key order; empty for a table without one.
function qm_primary_key(string $table, array $columns): array
{
    $pk = [];
    foreach ($columns as $c) {
        if ($c['primary']) {
            $pk[] = $c['name'];
        }
    }
    if (count($pk) < 2) {
        return $pk;
    }
    // The key's own order, which may differ from the column order.
    $ordered = [];
    foreach (qm_query('SHOW INDEX FROM ' . qm_ident($table)) as $row) {
        if ($row['Key_name'] === 'PRIMARY') {
            $ordered[(int)$row['Seq_in_index']] = (string)$row['Column_name'];
        }
    }
    ksort($ordered);
    return count($ordered) === count($pk) ? array_values($ordered) : $pk;
}

// ---------------------------------------------------------------------------------------------
// What config.php says about a table

// The rule of a field: "max    min   characters    nulls".
function qm_parse_rule($text): array
{
    $rule = ['max' => 0, 'min' => 0, 'chars' => '', 'nulls' => true];
    if (is_string($text) && preg_match('/^\s*(-?\d+) {4}(-?\d+) {3}(.*) {4}(\d+)\s*$/s', $text, $m)) {
        $rule = ['max' => (int)$m[1], 'min' => (int)$m[2], 'chars' => $m[3], 'nulls' => $m[4] !== '0'];
    }
    $rule['limits'] = $rule['max'] !== 0;
    return $rule;
}

// The field names of table i as the keys of $TableData give them ("i@name"), in order.
function qm_rule_field_names($ti): array
{
    $prefix = $ti . '@';
    $names = [];
    $rules = $GLOBALS['TableData'] ?? null;
    if (!is_array($rules)) {
        return $names;
    }
    foreach (array_keys($rules) as $key) {
        $key = (string)$key;
        if (strlen($key) > strlen($prefix) && strncmp($key, $prefix, strlen($prefix)) === 0) {
            $names[] = substr($key, strlen($prefix));
        }
    }
    return $names;
}

// The chosen fields of table i, in order. $Tables joins them with "@", so a name that holds "@"
// is recovered from the keys of $TableData ("i@name": the name is everything after the first "@"),
// which are written one per chosen field in the same order.
function qm_chosen_field_names($ti, string $chosen): array
{
    if ($chosen === '') {
        return [];
    }
    $known = qm_rule_field_names($ti);
    if (implode('@', $known) === $chosen) {
        return $known;
    }
    // $Tables differs from the $TableData keys (edited by hand): it decides which fields are
    // shown, and the longest run of its pieces that makes a known name is taken as that one name.
    $parts = explode('@', $chosen);
    $names = [];
    for ($i = 0, $count = count($parts); $i < $count; $i += $take) {
        $take = 1;
        $name = $parts[$i];
        for ($n = 2, $joined = $parts[$i]; $i + $n <= $count; $n++) {
            $joined .= '@' . $parts[$i + $n - 1];
            if (in_array($joined, $known, true)) {
                $take = $n;
                $name = $joined;
            }
        }
        $names[] = $name;
    }
    return $names;
}

// [field, target] of each entry "field@->target;", the text split at every ";".
function qm_split_lookup_entries(string $text): array
{
    $out = [];
    foreach (explode(';', $text) as $entry) {
        $at = strpos($entry, '@->');
        if ($at !== false) {
            $out[] = [substr($entry, 0, $at), substr($entry, $at + 3)];
        }
    }
    return $out;
}

// [offset, field] of each place where an entry starts: the start of the text or the place after
// a ";", followed by a chosen field's name (the longest that fits) and "@->".
function qm_lookup_entry_starts(string $text, array $fieldNames): array
{
    $candidates = [0];
    for ($p = strpos($text, ';'); $p !== false; $p = strpos($text, ';', $p + 1)) {
        $candidates[] = $p + 1;
    }
    $starts = [];
    foreach ($candidates as $p) {
        $field = null;
        foreach ($fieldNames as $name) {
            $name = (string)$name;
            $longer = $field === null || strlen($name) > strlen($field);
            if ($longer && substr($text, $p, strlen($name) + 3) === $name . '@->') {
                $field = $name;
            }
        }
        if ($field !== null) {
            $starts[] = [$p, $field];
        }
    }
    return $starts;
}

// [field, target] of each entry "field@->target;" of a lookup text. An entry starts where a
// chosen field's name and "@->" follow the start of the text or a ";", so names holding ";" or
// "@" keep their entries; without the field names the text is split at every ";".
function qm_lookup_entries(string $text, ?array $fieldNames): array
{
    if ($fieldNames === null) {
        return qm_split_lookup_entries($text);
    }
    $starts = qm_lookup_entry_starts($text, $fieldNames);
    $out = [];
    foreach ($starts as $i => [$p, $field]) {
        $last = !isset($starts[$i + 1]);
        $end = $last ? strlen($text) : $starts[$i + 1][0] - 1;
        $from = $p + strlen($field) + 3;
        $target = substr($text, $from, $end - $from);
        if ($last && substr($target, -1) === ';') {
            $target = substr($target, 0, -1);
        }
        $out[] = [$field, $target];
    }
    return $out;
}

// Where "table.column" splits: a table name may itself hold a dot, so a split that names a table
// of the site is preferred to the first dot. Null without a dot.
function qm_lookup_target_split(string $target, array $tables): ?int
{
    $split = null;
    for ($p = strpos($target, '.'); $p !== false; $p = strpos($target, '.', $p + 1)) {
        if (in_array(substr($target, 0, $p), $tables, true)) {
            return $p;
        }
        $split = $split ?? $p;
    }
    return $split;
}

// field => [table, column] of the lookup entries "field@->table.column;" of one table.
function qm_parse_lookups($text, ?array $fieldNames = null): array
{
    $out = [];
    if (!is_string($text)) {
        return $out;
    }
    $tables = qm_table_names();
    foreach (qm_lookup_entries($text, $fieldNames) as [$field, $target]) {
        $split = qm_lookup_target_split($target, $tables);
        if ($field !== '' && $split !== null) {
            $out[$field] = [substr($target, 0, $split), substr($target, $split + 1)];
        }
    }
    return $out;
}

// Foreign keys of a table: column => [parent table, parent column].
function qm_foreign_keys(string $table): array
{
    $out = [];
    $rows = qm_query('SELECT COLUMN_NAME, REFERENCED_TABLE_NAME, REFERENCED_COLUMN_NAME'
        . ' FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ?'
        . ' AND REFERENCED_TABLE_NAME IS NOT NULL', [$table]);
    foreach ($rows as $row) {
        $out[$row['COLUMN_NAME']][] = [$row['REFERENCED_TABLE_NAME'], $row['REFERENCED_COLUMN_NAME']];
    }
    return $out;
}

// The foreign keys of the site's tables that point to a table, read once per request: per
// constraint, the child table and its columns with the parent columns they refer to, in key order.
// The site's tables are named in the query, so that the server opens only those to read their
// keys, not every table of the database; the names are escaped through the connection (one
// round trip).
function qm_referencing_keys(string $parent): array
{
    static $cache = [];
    if (isset($cache[$parent])) {
        return $cache[$parent];
    }
    // A name no table can have (not UTF-8, or beyond the characters the server's names use) is
    // left out: the server refuses to compare its names with it.
    $names = array_filter(array_unique(qm_table_names()), function (string $name): bool {
        return preg_match('/^[\x{0}-\x{FFFF}]*$/u', $name) === 1;
    });
    $tables = implode(', ', array_map('qm_literal', $names));
    $rows = $tables === '' ? [] : qm_query('SELECT TABLE_NAME, CONSTRAINT_NAME, COLUMN_NAME, REFERENCED_COLUMN_NAME'
        . ' FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME IN (' . $tables . ')'
        . ' AND REFERENCED_TABLE_SCHEMA = DATABASE() AND REFERENCED_TABLE_NAME = ' . qm_literal($parent)
        . ' ORDER BY TABLE_NAME, CONSTRAINT_NAME, ORDINAL_POSITION');
    $keys = [];
    foreach ($rows as $row) {
        $id = $row['TABLE_NAME'] . "\0" . $row['CONSTRAINT_NAME'];
        $keys[$id]['table'] = (string)$row['TABLE_NAME'];
        $keys[$id]['columns'][] = (string)$row['COLUMN_NAME'];
        $keys[$id]['refs'][] = (string)$row['REFERENCED_COLUMN_NAME'];
    }
    $cache[$parent] = array_values($keys);
    return $cache[$parent];
}

// The parent column a lookup matches the field against: the foreign key's referenced column where
// the schema has one, else the parent's primary key; null when neither can be found.
function qm_resolve_lookup(string $field, array $target, array $foreign): ?array
{
    [$parent, $display] = $target;
    $parentColumns = qm_columns($parent);
    if ($parentColumns === null || !isset($parentColumns[$display])) {
        return null;
    }
    $ref = null;
    foreach ($foreign[$field] ?? [] as [$fkTable, $fkColumn]) {
        if ($fkTable === $parent && isset($parentColumns[$fkColumn])) {
            $ref = $fkColumn;
        }
    }
    if ($ref === null) {
        $pk = qm_primary_key($parent, $parentColumns);
        if (count($pk) !== 1) {
            return null;
        }
        $ref = $pk[0];
    }
    return ['table' => $parent, 'display' => $display, 'ref' => $ref];
}

// The chosen fields of table i that the database has, in order: position, name, column, rule and
// resolved lookup (or null).
function qm_table_fields($ti, string $name, array $columns): array
{
    $chosen = $GLOBALS['Tables'][$ti] ?? '';
    $chosenNames = qm_chosen_field_names($ti, is_scalar($chosen) ? (string)$chosen : '');
    $lookups = [];
    if (qm_flag('FK') && isset($GLOBALS['FKInfo'][$ti])) {
        $lookups = qm_parse_lookups($GLOBALS['FKInfo'][$ti], $chosenNames);
    }
    $foreign = null;
    $fields = [];
    foreach ($chosenNames as $fieldName) {
        if (!isset($columns[$fieldName])) {
            error_log('quillmere site: column ' . $fieldName . ' of ' . $name . ' is not in the database');
            continue;
        }
        $lookup = null;
        if (isset($lookups[$fieldName])) {
            $foreign = $foreign ?? qm_foreign_keys($name);
            $lookup = qm_resolve_lookup($fieldName, $lookups[$fieldName], $foreign);
        }
        $fields[] = [
            'pos' => count($fields),
            'name' => $fieldName,
            'col' => $columns[$fieldName],
            'rule' => qm_parse_rule($GLOBALS['TableData'][$ti . '@' . $fieldName] ?? null),
            'lookup' => $lookup,
        ];
    }
    return $fields;
}

// Everything a page needs to know about table i of config.php: index, name, columns, fields and
// primary key. A table the server cannot open, or without a field to show, ends the page.
function qm_table($ti): array
{
    static $cache = [];
    if (isset($cache[$ti])) {
        return $cache[$ti];
    }
    $name = qm_table_names()[$ti];
    $columns = qm_columns($name);
    if ($columns === null) {
        qm_fail(404, 'The table ' . $name . ' cannot be opened.');
    }
    $fields = qm_table_fields($ti, $name, $columns);
    if (count($fields) === 0) {
        qm_fail(404, 'The table ' . $name . ' has no columns to show.');
    }
    $cache[$ti] = [
        'index' => $ti,
        'name' => $name,
        'columns' => $columns,
        'fields' => $fields,
        'pk' => qm_primary_key($name, $columns),
    ];
    return $cache[$ti];
}

// ---------------------------------------------------------------------------------------------
// Counting rows

// The server's estimate of a table's rows (cheap on any size of table).
function qm_row_estimate(string $table): int
{
    global $db;
    // One round trip: the name is escaped through the connection instead of bound.
    $rows = qm_query("SELECT TABLE_ROWS FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()"
        . " AND TABLE_NAME = '" . $db->real_escape_string($table) . "'");
    return $rows ? (int)$rows[0]['TABLE_ROWS'] : 0;
}

// Counts rows up to a limit: cost bounded by the limit, not by the table.
function qm_count_upto(string $table, int $limit, string $where = '', array $params = []): int
{
    $rows = qm_query('SELECT COUNT(*) AS n FROM (SELECT 1 FROM ' . qm_ident($table) . ' AS t'
        . ($where !== '' ? ' WHERE ' . $where : '') . ' LIMIT ' . ($limit + 1) . ') AS x', $params);
    return (int)$rows[0]['n'];
}

// $where and its values with the condition of the table's list_conditions hook ANDed to it, for
// the queries of lists, searches, exports and counts (the table's alias there is t). The hook
// returns ['sql' => condition with ? placeholders, 'params' => their values].
function qm_hook_conditions(string $table, string $where, array $params): array
{
    $hook = qm_hook($table, 'list_conditions');
    $extra = $hook === null ? null : $hook();
    if (!is_array($extra) || !isset($extra['sql']) || !is_string($extra['sql']) || trim($extra['sql']) === '') {
        return [$where, $params];
    }
    $extraParams = isset($extra['params']) && is_array($extra['params']) ? array_values($extra['params']) : [];
    $condition = '(' . $extra['sql'] . ')';
    return [$where === '' ? $condition : '(' . $where . ') AND ' . $condition, array_merge(array_values($params), $extraParams)];
}

// [number of rows, whether it is an estimate]. Small tables are counted exactly; a large one
// gets the server's estimate, so no page ever waits on counting a whole big table.
function qm_row_count(string $table): array
{
    $estimate = qm_row_estimate($table);
    if ($estimate > QM_COUNT_LIMIT) {
        return [$estimate, true];
    }
    $n = qm_count_upto($table, QM_COUNT_LIMIT);
    if ($n > QM_COUNT_LIMIT) {
        return [max($estimate, $n), true];
    }
    return [$n, false];
}

// ---------------------------------------------------------------------------------------------
// Reading records

// The expression that reads a field's column for display: BLOBs as their size, long texts cut
// when $cut, bits as a number, geometry as text.
function qm_column_expression(array $f, string $col, bool $cut): string
{
    switch ($f['col']['kind']) {
        case 'blob':
            return 'LENGTH(' . $col . ')';
        case 'text':
            return $cut ? 'LEFT(' . $col . ', ' . (QM_TEXT_CUT + 1) . ')' : $col;
        case 'bit':
            return $col . ' + 0';
        case 'geometry':
            return 'ST_AsText(' . $col . ')';
        default:
            return $col;
    }
}

// The display value of a lookup field: the parent's display column of the row it refers to.
function qm_lookup_expression(array $lookup, string $col): string
{
    return '(SELECT lk.' . qm_ident($lookup['display']) . ' FROM ' . qm_ident($lookup['table']) . ' AS lk WHERE lk.'
        . qm_ident($lookup['ref']) . ' = ' . $col . ' LIMIT 1)';
}

// The select list of a table's chosen fields. Columns come back as c0, c1, ... (BLOBs as their
// size, long texts cut when $cut), lookup display values as d0, d1, ..., key columns as k0, k1.
function qm_select_list(array $tm, string $alias, bool $cut): string
{
    $parts = [];
    foreach ($tm['fields'] as $f) {
        $col = $alias . '.' . qm_ident($f['name']);
        $parts[] = qm_column_expression($f, $col, $cut) . ' AS c' . $f['pos'];
        if ($f['lookup'] !== null) {
            $parts[] = qm_lookup_expression($f['lookup'], $col) . ' AS d' . $f['pos'];
        }
    }
    foreach ($tm['pk'] as $j => $k) {
        $parts[] = $alias . '.' . qm_ident($k) . ' AS k' . $j;
    }
    return implode(', ', $parts);
}

// Column name => character set (null for columns that are not texts) of a table of the database.
function qm_column_charsets(string $table): array
{
    static $cache = [];
    if (!isset($cache[$table])) {
        $cache[$table] = [];
        $rows = qm_query('SELECT COLUMN_NAME, CHARACTER_SET_NAME FROM information_schema.COLUMNS'
            . ' WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ?', [$table]);
        foreach ($rows as $row) {
            $cache[$table][(string)$row['COLUMN_NAME']] = $row['CHARACTER_SET_NAME'];
        }
    }
    return $cache[$table];
}

// Whether a text comes back unchanged from a trip through a character set (asked of the server
// once per text and set).
function qm_charset_keeps(string $charset, string $value): bool
{
    static $checked = [];
    $id = $charset . ':' . $value;
    if (!isset($checked[$id])) {
        $rows = qm_query('SELECT CAST(CONVERT(CONVERT(? USING ' . $charset . ') USING utf8mb4) AS BINARY)'
            . ' = CAST(? AS BINARY) AS same', [$value, $value]);
        $checked[$id] = $rows && (string)$rows[0]['same'] === '1';
    }
    return $checked[$id];
}

// Whether a value of the request can be compared with a column. The server refuses to compare a
// text column with a value its character set cannot represent ("Illegal mix of collations": an
// emoji against utf8mb3, a Greek letter against latin1, bytes that are not UTF-8 against
// either). Such a value equals no stored text, so callers leave the comparison out instead.
// Plain ASCII, the usual case, costs nothing; otherwise the table's character sets are read once.
function qm_column_can_hold(string $table, string $column, $value): bool
{
    $value = (string)$value;
    if (!preg_match('/[\x80-\xff]/', $value)) {
        return true;
    }
    $charset = strtolower((string)(qm_column_charsets($table)[$column] ?? ''));
    if ($charset === '' || $charset === 'binary') {
        return true;  // compared as a number, a date or bytes: the server converts the value
    }
    if (!preg_match('//u', $value)) {
        return false;  // not UTF-8: no stored text reads back as these bytes
    }
    if ($charset === 'utf8mb4') {
        return true;
    }
    if ($charset === 'utf8mb3' || $charset === 'utf8') {
        return !preg_match('/[\x{10000}-\x{10FFFF}]/u', $value);
    }
    // Any other character set: the value must come back unchanged from a trip through it.
    return preg_match('/^[a-z0-9_]+$/', $charset) === 1 && qm_charset_keeps($charset, $value);
}

// Whether a value of the request can be a value of its column as the server writes it, so that a
// key is never matched loosely: compared with a number column, 7abc would find the record 7.
function qm_key_value_fits(array $c, $v): bool
{
    $patterns = [
        'int' => $c['unsigned'] ? '/^\d{1,20}$/D' : '/^-?\d{1,20}$/D',
        'decimal' => '/^-?\d{1,65}(\.\d{1,38})?$/D',
        'float' => '/^-?\d+(\.\d+)?(e[+-]?\d+)?$/Di',
        'year' => '/^\d{4}$/D',
        'date' => '/^\d{4}-\d{2}-\d{2}$/D',
        'datetime' => '/^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}(\.\d{1,6})?$/D',
        'time' => '/^-?\d{2,3}:\d{2}:\d{2}(\.\d{1,6})?$/D',
    ];
    if (isset($patterns[$c['kind']])) {
        return preg_match($patterns[$c['kind']], (string)$v) === 1;
    }
    if ($c['kind'] === 'bit') {
        return strlen((string)$v) <= 8;
    }
    return true;
}

// Whether every value of a list fits the column of the same place (names of $tm['columns']).
function qm_key_values_fit(array $tm, array $names, array $values): bool
{
    foreach (array_values($names) as $i => $name) {
        if (!isset($tm['columns'][$name], $values[$i]) || !qm_key_value_fits($tm['columns'][$name], $values[$i])
            || !qm_column_can_hold($tm['name'], $name, $values[$i])) {
            return false;
        }
    }
    return true;
}

// The key of the request (k[] in key order) or null when it does not fit the table's key.
function qm_request_key(array $tm, ?array $source = null): ?array
{
    $key = qm_param_list('k', $source);
    if ($key === null || count($tm['pk']) === 0 || count($key) !== count($tm['pk'])
        || !qm_key_values_fit($tm, $tm['pk'], $key)) {
        return null;
    }
    return $key;
}

// The condition that finds a record by its key: one placeholder per key column, in key order.
function qm_key_where(array $tm, string $alias): string
{
    $parts = [];
    foreach ($tm['pk'] as $k) {
        $parts[] = $alias . '.' . qm_ident($k) . ' = ?';
    }
    return implode(' AND ', $parts);
}

// Runs one statement whose values are escaped into its text (a round trip, where a prepared
// statement takes two) and returns its rows with the values a prepared statement gives: FLOAT and
// DOUBLE values as numbers, so that a page shows them as it always has (3.4E+38, not the server's
// 3.4e38). With $params (values for ? placeholders) it runs as a prepared statement.
function qm_query_numbers(string $sql, array $params = []): array
{
    global $db;
    if (count($params) > 0) {
        return qm_query($sql, $params);
    }
    $result = $db->query($sql);
    $floats = [];
    foreach ($result->fetch_fields() as $f) {
        if ($f->type === MYSQLI_TYPE_FLOAT || $f->type === MYSQLI_TYPE_DOUBLE) {
            $floats[] = $f->name;
        }
    }
    $rows = qm_result_rows($result);
    foreach ($rows as &$row) {
        foreach ($floats as $name) {
            $row[$name] = $row[$name] === null ? null : (float)$row[$name];
        }
    }
    unset($row);
    return $rows;
}

// The condition that finds a record by its key, with the key's values as literals.
function qm_key_literal_where(array $tm, string $alias, array $key): string
{
    $parts = [];
    foreach ($tm['pk'] as $j => $k) {
        $parts[] = $alias . '.' . qm_ident($k) . ' = ' . qm_literal((string)$key[$j]);
    }
    return implode(' AND ', $parts);
}

// One record by its key, or null. With $lock (inside a transaction) the row stays locked against
// other writers until the transaction ends.
function qm_fetch_record(array $tm, array $key, bool $lock = false): ?array
{
    $rows = qm_query_numbers('SELECT ' . qm_select_list($tm, 't', false) . ' FROM ' . qm_ident($tm['name'])
        . ' AS t WHERE ' . qm_key_literal_where($tm, 't', $key) . ' LIMIT 1' . ($lock ? ' FOR UPDATE' : ''));
    return $rows ? $rows[0] : null;
}

// A token of a record as its page read it (the values c0, c1, ...). The edit form and the delete
// confirmation carry it (h), and execute.php refuses to change a record that no longer gives it:
// nobody overwrites another visitor's change unseen. Each value goes in with its length, and NULL
// apart from every text.
function qm_record_hash(array $tm, array $record): string
{
    $text = '';
    foreach ($tm['fields'] as $f) {
        $value = $record['c' . $f['pos']] ?? null;
        $text .= $value === null ? 'N;' : 'S' . strlen((string)$value) . ':' . $value . ';';
    }
    return hash('sha256', $text);
}

// Whether a record was changed since its form was shown: the token the form sent (h) differs from
// the record's now. A request without a token (not sent by a form of this site) is not checked.
function qm_record_changed(array $tm, array $record): bool
{
    $seen = qm_param('h', $_POST);
    return $seen !== null && !hash_equals(qm_record_hash($tm, $record), $seen);
}

// name => value of the key of a record, as the hooks get it.
function qm_named_key(array $tm, array $key): array
{
    $named = [];
    foreach ($tm['pk'] as $j => $k) {
        $named[$k] = $key[$j];
    }
    return $named;
}

// What a record page works on, read from the request ($source, else the query string) in the
// order every record page checks it: the table (404 when unknown), the page's option (403 when
// switched off), then as far as $needs asks: 'table' stops there, 'key' also reads the record's
// key, 'record' also fetches the record. A key that does not fit the table's key, or names no
// record, ends the page with 404. Returns ['ti', 'tm', 'key', 'record'].
function qm_record_request(string $option, string $refusal, string $needs = 'record', ?array $source = null): array
{
    $ti = qm_request_table($source);
    qm_require_option($option, $refusal);
    $request = ['ti' => $ti, 'tm' => qm_table($ti), 'key' => null, 'record' => null];
    if ($needs === 'table') {
        return $request;
    }
    $request['key'] = qm_request_key($request['tm'], $source);
    if ($request['key'] !== null && $needs === 'record') {
        $request['record'] = qm_fetch_record($request['tm'], $request['key']);
    }
    if ($request['key'] === null || ($needs === 'record' && $request['record'] === null)) {
        qm_fail(404, 'The record was not found.');
    }
    return $request;
}

// The k[] parameters that address a fetched row.
function qm_row_key_params(array $tm, array $row): ?array
{
    $key = [];
    foreach ($tm['pk'] as $j => $k) {
        if (!isset($row['k' . $j])) {
            return null;
        }
        $key[] = (string)$row['k' . $j];
    }
    return $key;
}

// A size in bytes as people read it: "512 bytes", "2 KB", "1.5 MB".
function qm_size_text(int $bytes): string
{
    if ($bytes < 1024) {
        return $bytes . ' bytes';
    }
    if ($bytes < 1048576) {
        return round($bytes / 1024, 1) . ' KB';
    }
    return round($bytes / 1048576, 1) . ' MB';
}

// A value for display, HTML-escaped: NULL marked, BLOBs as their size, long texts cut, lookups
// as the parent's display value with the stored value as its title.
function qm_show_value(array $f, array $row, bool $cut): string
{
    $value = $row['c' . $f['pos']];
    if ($value === null) {
        return '<span class="Null">NULL</span>';
    }
    if ($f['col']['kind'] === 'blob') {
        return '<span class="Blob">[binary, ' . qm_h(qm_size_text((int)$value)) . ']</span>';
    }
    $display = $f['lookup'] !== null ? $row['d' . $f['pos']] ?? null : null;
    if ($display === null) {
        return qm_h($cut ? qm_cut((string)$value, QM_TEXT_CUT) : (string)$value);
    }
    $display = $cut ? qm_cut((string)$display, QM_TEXT_CUT) : (string)$display;
    return '<span class="Lookup" title="' . qm_h($value) . '">' . qm_h($display) . '</span>';
}
