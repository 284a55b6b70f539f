<?php
// What the server says about the tables of config.php: their columns, primary keys and lookup
// columns, row counts, and reading one record by its primary key. Names come only from
// config.php and the server, never from the request.

if (!defined('QM_PAGE')) {
    header_remove('X-Powered-By');
    header('Location: index.php', true, 302);
    exit;
}

function qm_ident($name)
{
    return '`' . str_replace('`', '``', (string)$name) . '`';
}

// One column as SHOW COLUMNS describes it, with the kind of input and display it needs.
function qm_describe_column($row)
{
    $type = strtolower((string)$row['Type']);
    preg_match('/^([a-z]+)(?:\((.*)\))?(.*)$/s', $type, $m);
    $base = isset($m[1]) ? $m[1] : $type;
    $args = isset($m[2]) ? $m[2] : '';
    $kinds = array(
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
    );
    $kind = isset($kinds[$base]) ? $kinds[$base] : 'char';
    $values = array();
    if ($kind === 'enum' || $kind === 'set') {
        // The original spelling of the values, from the type text before it was lower-cased.
        if (preg_match('/^\w+\((.*)\)/s', (string)$row['Type'], $orig)
            && preg_match_all("/'((?:[^']|'')*)'/s", $orig[1], $vm)) {
            foreach ($vm[1] as $v) {
                $values[] = str_replace(array("''", '\\\\'), array("'", '\\'), $v);
            }
        }
    }
    $length = 0;
    if ($kind === 'char' && ctype_digit($args)) {
        $length = (int)$args;
    }
    $textLimits = array('tinytext' => 255, 'text' => 65535);
    if (isset($textLimits[$base])) {
        $length = $textLimits[$base];
    }
    $extra = strtolower((string)$row['Extra']);
    return array(
        'name' => (string)$row['Field'],
        'type' => (string)$row['Type'],
        'base' => $base,
        'kind' => $kind,
        'unsigned' => strpos($type, 'unsigned') !== false,
        'nullable' => strtoupper((string)$row['Null']) === 'YES',
        'default' => $row['Default'],
        'has_default' => $row['Default'] !== null || strtoupper((string)$row['Null']) === 'YES',
        'auto' => strpos($extra, 'auto_increment') !== false,
        'generated' => strpos($extra, 'generated') !== false || strpos($extra, 'virtual') !== false
            || strpos($extra, 'persistent') !== false || strpos($extra, 'stored') !== false,
        'primary' => strtoupper((string)$row['Key']) === 'PRI',
        'length' => $length,
        'values' => $values,
        'numeric' => in_array($kind, array('int', 'decimal', 'float', 'bit', 'year'), true),
    );
}

// One column as the result metadata of a query describes it: enough for lists, searches and the
// record view, and much cheaper to read than SHOW COLUMNS. Forms need the full description.
function qm_describe_result_field($f)
{
    $binary = (int)$f->charsetnr === 63;
    $flags = (int)$f->flags;
    switch ((int)$f->type) {
        case MYSQLI_TYPE_DECIMAL:
        case MYSQLI_TYPE_NEWDECIMAL:
            $kind = 'decimal';
            break;
        case MYSQLI_TYPE_TINY:
        case MYSQLI_TYPE_SHORT:
        case MYSQLI_TYPE_LONG:
        case MYSQLI_TYPE_LONGLONG:
        case MYSQLI_TYPE_INT24:
            $kind = 'int';
            break;
        case MYSQLI_TYPE_FLOAT:
        case MYSQLI_TYPE_DOUBLE:
            $kind = 'float';
            break;
        case MYSQLI_TYPE_TIMESTAMP:
        case MYSQLI_TYPE_DATETIME:
            $kind = 'datetime';
            break;
        case MYSQLI_TYPE_DATE:
        case MYSQLI_TYPE_NEWDATE:
            $kind = 'date';
            break;
        case MYSQLI_TYPE_TIME:
            $kind = 'time';
            break;
        case MYSQLI_TYPE_YEAR:
            $kind = 'year';
            break;
        case MYSQLI_TYPE_BIT:
            $kind = 'bit';
            break;
        case MYSQLI_TYPE_GEOMETRY:
            $kind = 'geometry';
            break;
        case 245:  // JSON
            $kind = 'text';
            break;
        case MYSQLI_TYPE_TINY_BLOB:
        case MYSQLI_TYPE_MEDIUM_BLOB:
        case MYSQLI_TYPE_LONG_BLOB:
        case MYSQLI_TYPE_BLOB:
            $kind = $binary ? 'blob' : 'text';
            break;
        default:
            $kind = ($flags & MYSQLI_ENUM_FLAG) ? 'enum' : (($flags & MYSQLI_SET_FLAG) ? 'set' : ($binary ? 'blob' : 'char'));
    }
    return array(
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
        'values' => array(),
        'numeric' => in_array($kind, array('int', 'decimal', 'float', 'bit', 'year'), true),
    );
}

// Name => column of a table of the database, or null when the table cannot be read. Pages with
// forms (QM_FORMS) read the full description; the others only the result metadata.
function qm_columns($table)
{
    static $cache = array();
    if (array_key_exists($table, $cache)) {
        return $cache[$table];
    }
    global $db;
    $columns = null;
    try {
        if (defined('QM_FORMS')) {
            foreach (qm_query('SHOW COLUMNS FROM ' . qm_ident($table)) as $row) {
                $c = qm_describe_column($row);
                $columns[$c['name']] = $c;
            }
        } else {
            $result = $db->query('SELECT * FROM ' . qm_ident($table) . ' LIMIT 0');
            foreach ($result->fetch_fields() as $f) {
                $c = qm_describe_result_field($f);
                $columns[$c['name']] = $c;
            }
            $result->free();
        }
    } catch (mysqli_sql_exception $e) {
        error_log('quillmere site: cannot read the columns of a table: ' . $e->getMessage());
        $columns = null;
    }
    $cache[$table] = $columns;
    return $columns;
}

// The primary key's columns in key order; empty for a table without one.
function qm_primary_key($table, $columns)
{
    $pk = array();
    foreach ($columns as $c) {
        if ($c['primary']) {
            $pk[] = $c['name'];
        }
    }
    if (count($pk) > 1) {
        // The key's own order, which may differ from the column order.
        $ordered = array();
        foreach (qm_query('SHOW INDEX FROM ' . qm_ident($table)) as $row) {
            if ($row['Key_name'] === 'PRIMARY') {
                $ordered[(int)$row['Seq_in_index']] = (string)$row['Column_name'];
            }
        }
        ksort($ordered);
        if (count($ordered) === count($pk)) {
            $pk = array_values($ordered);
        }
    }
    return $pk;
}

// The rule of a field: "max    min   characters    nulls".
function qm_parse_rule($text)
{
    $rule = array('max' => 0, 'min' => 0, 'chars' => '', 'nulls' => true);
    if (is_string($text) && preg_match('/^\s*(-?\d+) {4}(-?\d+) {3}(.*) {4}(\d+)\s*$/s', $text, $m)) {
        $rule['max'] = (int)$m[1];
        $rule['min'] = (int)$m[2];
        $rule['chars'] = $m[3];
        $rule['nulls'] = $m[4] !== '0';
    }
    $rule['limits'] = $rule['max'] !== 0;
    return $rule;
}

// The chosen fields of table i, in order. $Tables joins them with "@", so a name that holds "@"
// is recovered from the keys of $TableData ("i@name": the name is everything after the first "@"),
// which are written one per chosen field in the same order.
function qm_chosen_field_names($ti, $chosen)
{
    $prefix = $ti . '@';
    $known = array();
    if (isset($GLOBALS['TableData']) && is_array($GLOBALS['TableData'])) {
        foreach (array_keys($GLOBALS['TableData']) as $k) {
            $k = (string)$k;
            if (strlen($k) > strlen($prefix) && strncmp($k, $prefix, strlen($prefix)) === 0) {
                $known[] = substr($k, strlen($prefix));
            }
        }
    }
    if ($chosen === '' || implode('@', $known) === $chosen) {
        return $chosen === '' ? array() : $known;
    }
    // $Tables differs from the $TableData keys (edited by hand): it decides which fields are
    // shown, and a run of its pieces that makes a known name is taken as that one name.
    $parts = explode('@', $chosen);
    $names = array();
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

// [field, target] of each entry "field@->target;" of a lookup text. An entry starts where a
// chosen field's name and "@->" follow the start of the text or a ";", so names holding ";" or
// "@" keep their entries; without the field names the text is split at every ";".
function qm_lookup_entries($text, $fieldNames)
{
    $out = array();
    if ($fieldNames === null) {
        foreach (explode(';', $text) as $entry) {
            $at = strpos($entry, '@->');
            if ($at !== false) {
                $out[] = array(substr($entry, 0, $at), substr($entry, $at + 3));
            }
        }
        return $out;
    }
    $candidates = array(0);
    for ($p = strpos($text, ';'); $p !== false; $p = strpos($text, ';', $p + 1)) {
        $candidates[] = $p + 1;
    }
    $starts = array();
    foreach ($candidates as $p) {
        $field = null;
        foreach ($fieldNames as $name) {
            $name = (string)$name;
            if (substr($text, $p, strlen($name) + 3) === $name . '@->' && ($field === null || strlen($name) > strlen($field))) {
                $field = $name;
            }
        }
        if ($field !== null) {
            $starts[] = array($p, $field);
        }
    }
    foreach ($starts as $i => $start) {
        list($p, $field) = $start;
        $end = isset($starts[$i + 1]) ? $starts[$i + 1][0] - 1 : strlen($text);
        $target = substr($text, $p + strlen($field) + 3, $end - $p - strlen($field) - 3);
        if (!isset($starts[$i + 1]) && substr($target, -1) === ';') {
            $target = substr($target, 0, -1);
        }
        $out[] = array($field, $target);
    }
    return $out;
}

// field => [table, column] of the lookup entries "field@->table.column;" of one table.
function qm_parse_lookups($text, $fieldNames = null)
{
    $out = array();
    if (!is_string($text)) {
        return $out;
    }
    $tables = qm_table_names();
    foreach (qm_lookup_entries($text, $fieldNames) as $entry) {
        list($field, $target) = $entry;
        // A table name may itself hold a dot: prefer a split that names a table of the site.
        $split = null;
        for ($p = strpos($target, '.'); $p !== false; $p = strpos($target, '.', $p + 1)) {
            if ($split === null) {
                $split = $p;
            }
            if (in_array(substr($target, 0, $p), $tables, true)) {
                $split = $p;
                break;
            }
        }
        if ($field === '' || $split === null) {
            continue;
        }
        $out[$field] = array(substr($target, 0, $split), substr($target, $split + 1));
    }
    return $out;
}

// Foreign keys of a table: column => [parent table, parent column].
function qm_foreign_keys($table)
{
    $out = array();
    $rows = qm_query('SELECT COLUMN_NAME, REFERENCED_TABLE_NAME, REFERENCED_COLUMN_NAME'
        . ' FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ?'
        . ' AND REFERENCED_TABLE_NAME IS NOT NULL', array($table));
    foreach ($rows as $row) {
        $out[$row['COLUMN_NAME']][] = array($row['REFERENCED_TABLE_NAME'], $row['REFERENCED_COLUMN_NAME']);
    }
    return $out;
}

// Everything a page needs to know about table i of config.php.
function qm_table($ti)
{
    static $cache = array();
    if (isset($cache[$ti])) {
        return $cache[$ti];
    }
    $names = qm_table_names();
    $name = $names[$ti];
    $columns = qm_columns($name);
    if ($columns === null) {
        qm_fail(404, 'The table ' . $name . ' cannot be opened.');
    }
    $chosen = isset($GLOBALS['Tables'][$ti]) && is_scalar($GLOBALS['Tables'][$ti]) ? (string)$GLOBALS['Tables'][$ti] : '';
    $chosenNames = qm_chosen_field_names($ti, $chosen);
    $lookups = array();
    if (qm_flag('FK') && isset($GLOBALS['FKInfo'][$ti])) {
        $lookups = qm_parse_lookups($GLOBALS['FKInfo'][$ti], $chosenNames);
    }
    $foreign = null;
    $fields = array();
    foreach ($chosenNames as $fieldName) {
        if (!isset($columns[$fieldName])) {
            error_log('quillmere site: column ' . $fieldName . ' of ' . $name . ' is not in the database');
            continue;
        }
        $key = $ti . '@' . $fieldName;
        $ruleText = isset($GLOBALS['TableData'][$key]) ? $GLOBALS['TableData'][$key] : null;
        $field = array(
            'pos' => count($fields),
            'name' => $fieldName,
            'col' => $columns[$fieldName],
            'rule' => qm_parse_rule($ruleText),
            'lookup' => null,
        );
        if (isset($lookups[$fieldName])) {
            if ($foreign === null) {
                $foreign = qm_foreign_keys($name);
            }
            $field['lookup'] = qm_resolve_lookup($fieldName, $lookups[$fieldName], $foreign);
        }
        $fields[] = $field;
    }
    if (count($fields) === 0) {
        qm_fail(404, 'The table ' . $name . ' has no columns to show.');
    }
    $table = array(
        'index' => $ti,
        'name' => $name,
        'columns' => $columns,
        'fields' => $fields,
        'pk' => qm_primary_key($name, $columns),
    );
    $cache[$ti] = $table;
    return $table;
}

// The parent column a lookup matches the field against: the foreign key's referenced column where
// the schema has one, else the parent's primary key; null when neither can be found.
function qm_resolve_lookup($field, $target, $foreign)
{
    list($parent, $display) = $target;
    $parentColumns = qm_columns($parent);
    if ($parentColumns === null || !isset($parentColumns[$display])) {
        return null;
    }
    $ref = null;
    if (isset($foreign[$field])) {
        foreach ($foreign[$field] as $fk) {
            if ($fk[0] === $parent && isset($parentColumns[$fk[1]])) {
                $ref = $fk[1];
            }
        }
    }
    if ($ref === null) {
        $pk = qm_primary_key($parent, $parentColumns);
        if (count($pk) !== 1) {
            return null;
        }
        $ref = $pk[0];
    }
    return array('table' => $parent, 'display' => $display, 'ref' => $ref);
}

// The server's estimate of a table's rows (cheap on any size of table).
function qm_row_estimate($table)
{
    global $db;
    // One round trip: the name is escaped through the connection instead of bound.
    $rows = qm_query("SELECT TABLE_ROWS FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()"
        . " AND TABLE_NAME = '" . $db->real_escape_string($table) . "'");
    return $rows ? (int)$rows[0]['TABLE_ROWS'] : 0;
}

// Counts rows up to a limit: cost bounded by the limit, not by the table.
function qm_count_upto($table, $limit, $where = '', $params = array())
{
    $rows = qm_query('SELECT COUNT(*) AS n FROM (SELECT 1 FROM ' . qm_ident($table) . ' AS t'
        . ($where !== '' ? ' WHERE ' . $where : '') . ' LIMIT ' . ((int)$limit + 1) . ') AS x', $params);
    return (int)$rows[0]['n'];
}

// [number of rows, whether it is an estimate]. Small tables are counted exactly; a large one
// gets the server's estimate, so no page ever waits on counting a whole big table.
function qm_row_count($table)
{
    $estimate = qm_row_estimate($table);
    if ($estimate > QM_COUNT_LIMIT) {
        return array($estimate, true);
    }
    $n = qm_count_upto($table, QM_COUNT_LIMIT);
    if ($n > QM_COUNT_LIMIT) {
        return array(max($estimate, $n), true);
    }
    return array($n, false);
}

// The select list of a table's chosen fields. Columns come back as c0, c1, ... (BLOBs as their
// size, long texts cut when $cut), lookup display values as d0, d1, ..., key columns as k0, k1.
function qm_select_list($tm, $alias, $cut)
{
    $parts = array();
    foreach ($tm['fields'] as $f) {
        $col = $alias . '.' . qm_ident($f['name']);
        switch ($f['col']['kind']) {
            case 'blob':
                $expr = 'LENGTH(' . $col . ')';
                break;
            case 'text':
                $expr = $cut ? 'LEFT(' . $col . ', ' . (QM_TEXT_CUT + 1) . ')' : $col;
                break;
            case 'bit':
                $expr = $col . ' + 0';
                break;
            case 'geometry':
                $expr = 'ST_AsText(' . $col . ')';
                break;
            default:
                $expr = $col;
        }
        $parts[] = $expr . ' AS c' . $f['pos'];
        if ($f['lookup'] !== null) {
            $l = $f['lookup'];
            $parts[] = '(SELECT lk.' . qm_ident($l['display']) . ' FROM ' . qm_ident($l['table']) . ' AS lk WHERE lk.'
                . qm_ident($l['ref']) . ' = ' . $col . ' LIMIT 1) AS d' . $f['pos'];
        }
    }
    foreach ($tm['pk'] as $j => $k) {
        $parts[] = $alias . '.' . qm_ident($k) . ' AS k' . $j;
    }
    return implode(', ', $parts);
}

// Column name => character set (null for columns that are not texts) of a table of the database.
function qm_column_charsets($table)
{
    static $cache = array();
    if (!isset($cache[$table])) {
        $cache[$table] = array();
        $rows = qm_query('SELECT COLUMN_NAME, CHARACTER_SET_NAME FROM information_schema.COLUMNS'
            . ' WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ?', array($table));
        foreach ($rows as $row) {
            $cache[$table][(string)$row['COLUMN_NAME']] = $row['CHARACTER_SET_NAME'];
        }
    }
    return $cache[$table];
}

// Whether a value of the request can be compared with a column. The server refuses to compare a
// text column with a value its character set cannot represent ("Illegal mix of collations": an
// emoji against utf8mb3, a Greek letter against latin1, bytes that are not UTF-8 against
// either). Such a value equals no stored text, so callers leave the comparison out instead.
// Plain ASCII, the usual case, costs nothing; otherwise the table's character sets are read once.
function qm_column_can_hold($table, $column, $value)
{
    static $checked = array();
    $value = (string)$value;
    if (!preg_match('/[\x80-\xff]/', $value)) {
        return true;
    }
    $sets = qm_column_charsets($table);
    $charset = isset($sets[$column]) ? strtolower((string)$sets[$column]) : '';
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
    if (!preg_match('/^[a-z0-9_]+$/', $charset)) {
        return false;
    }
    // Any other character set: the value must come back unchanged from a trip through it.
    $id = $charset . ':' . $value;
    if (!isset($checked[$id])) {
        $rows = qm_query('SELECT CAST(CONVERT(CONVERT(? USING ' . $charset . ') USING utf8mb4) AS BINARY)'
            . ' = CAST(? AS BINARY) AS same', array($value, $value));
        $checked[$id] = $rows && (string)$rows[0]['same'] === '1';
    }
    return $checked[$id];
}

// Whether a value of the request can be a value of its column as the server writes it, so that a
// key is never matched loosely: compared with a number column, 7abc would find the record 7.
function qm_key_value_fits($c, $v)
{
    $patterns = array(
        'int' => $c['unsigned'] ? '/^\d{1,20}$/D' : '/^-?\d{1,20}$/D',
        'decimal' => '/^-?\d{1,65}(\.\d{1,38})?$/D',
        'float' => '/^-?\d+(\.\d+)?(e[+-]?\d+)?$/Di',
        'year' => '/^\d{4}$/D',
        'date' => '/^\d{4}-\d{2}-\d{2}$/D',
        'datetime' => '/^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}(\.\d{1,6})?$/D',
        'time' => '/^-?\d{2,3}:\d{2}:\d{2}(\.\d{1,6})?$/D',
    );
    if (isset($patterns[$c['kind']])) {
        return preg_match($patterns[$c['kind']], (string)$v) === 1;
    }
    if ($c['kind'] === 'bit') {
        return strlen((string)$v) <= 8;
    }
    return true;
}

// Whether every value of a list fits the column of the same place (names of $tm['columns']).
function qm_key_values_fit($tm, $names, $values)
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
function qm_request_key($tm, $source = null)
{
    $key = qm_param_list('k', $source);
    if ($key === null || count($tm['pk']) === 0 || count($key) !== count($tm['pk'])
        || !qm_key_values_fit($tm, $tm['pk'], $key)) {
        return null;
    }
    return $key;
}

function qm_key_where($tm, $alias)
{
    $parts = array();
    foreach ($tm['pk'] as $k) {
        $parts[] = $alias . '.' . qm_ident($k) . ' = ?';
    }
    return implode(' AND ', $parts);
}

// One record by its key, or null.
function qm_fetch_record($tm, $key)
{
    $rows = qm_query('SELECT ' . qm_select_list($tm, 't', false) . ' FROM ' . qm_ident($tm['name'])
        . ' AS t WHERE ' . qm_key_where($tm, 't') . ' LIMIT 1', $key);
    return $rows ? $rows[0] : null;
}

// The k[] parameters that address a fetched row.
function qm_row_key_params($tm, $row)
{
    $key = array();
    foreach ($tm['pk'] as $j => $k) {
        if (!array_key_exists('k' . $j, $row) || $row['k' . $j] === null) {
            return null;
        }
        $key[] = (string)$row['k' . $j];
    }
    return $key;
}

// A value for display, HTML-escaped: NULL marked, BLOBs as their size, long texts cut.
function qm_show_value($f, $row, $cut)
{
    $v = $row['c' . $f['pos']];
    if ($v === null) {
        return '<span class="Null">NULL</span>';
    }
    if ($f['col']['kind'] === 'blob') {
        $n = (int)$v;
        $size = $n < 1024 ? $n . ' bytes' : ($n < 1048576 ? round($n / 1024, 1) . ' KB' : round($n / 1048576, 1) . ' MB');
        return '<span class="Blob">[binary, ' . qm_h($size) . ']</span>';
    }
    $text = (string)$v;
    if ($cut) {
        $text = qm_cut($text, QM_TEXT_CUT);
    }
    $out = qm_h($text);
    if ($f['lookup'] !== null && array_key_exists('d' . $f['pos'], $row) && $row['d' . $f['pos']] !== null) {
        $display = (string)$row['d' . $f['pos']];
        $out = '<span class="Lookup" title="' . qm_h($v) . '">' . qm_h($cut ? qm_cut($display, QM_TEXT_CUT) : $display) . '</span>';
    }
    return $out;
}
