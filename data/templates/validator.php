<?php
// The add and edit forms: inputs that fit each column, lookup drop-downs, the rules of config.php
// checked on the server ($PHPValidate) and, when asked for, also in the browser ($JavaValidate),
// and turning the posted form into the values written to the database.

if (!defined('QM_PAGE')) {
    header_remove('X-Powered-By');
    header('Location: index.php', true, 302);
    exit;
}

const QM_LINE_LENGTH = 255;  // a VARCHAR longer than this gets a text area
const QM_EXACT_INTEGER = 9007199254740991;  // the largest whole number a browser's number input keeps exactly

// ---------------------------------------------------------------------------------------------
// What a field offers on a form

// Whether a field gets an input on the form of the given mode ('add' or 'edit').
function qm_field_editable(array $f, string $mode): bool
{
    $c = $f['col'];
    return !$c['generated'] && $c['kind'] !== 'blob' && !$c['auto'];
}

// Whether a field gets a NULL box beside its input: a nullable column that can also hold an empty
// text, so that an empty input alone cannot tell '' from NULL. Elsewhere an empty input means NULL
// (a number or date cannot be ''), and a lookup's "(none)" means NULL.
function qm_field_has_null_box(array $f): bool
{
    $c = $f['col'];
    if (!$c['nullable'] || $f['lookup'] !== null) {
        return false;
    }
    return in_array($c['kind'], ['char', 'text', 'set'], true)
        || ($c['kind'] === 'enum' && in_array('', $c['values'], true));
}

// How an input of the form carries a value: a one-line text box, a multi-line text area (long
// texts, and VARCHARs longer than a line), an option of a drop-down list, or the check boxes of a SET.
function qm_field_widget(array $f): string
{
    if ($f['lookup'] !== null) {
        return qm_lookup_choices($f['lookup']) === null ? 'line' : 'option';
    }
    if ($f['col']['kind'] === 'char' && $f['col']['length'] > QM_LINE_LENGTH) {
        return 'area';
    }
    $widgets = ['enum' => 'option', 'set' => 'set', 'text' => 'area'];
    return $widgets[$f['col']['kind']] ?? 'line';
}

// A value as the text an input shows: a SET's list joined with commas, NULL as nothing.
function qm_value_text($value): string
{
    if (is_array($value)) {
        return implode(',', $value);
    }
    return $value === null ? '' : (string)$value;
}

// The values an add form starts with: a column's plain default (not one the server computes,
// such as the current time); a NULL default ticks the NULL box.
function qm_default_values(array $tm): array
{
    $values = [];
    foreach ($tm['fields'] as $f) {
        $default = $f['col']['default'];
        if ($default === null && $f['col']['nullable']) {
            $values[$f['pos']] = null;
        } elseif ($default !== null && !preg_match('/^(current_timestamp|curdate|now)\b|\(/i', (string)$default)) {
            $values[$f['pos']] = (string)$default;
        } else {
            $values[$f['pos']] = '';
        }
    }
    return $values;
}

// The values an edit form starts with: the fetched record's.
function qm_record_values(array $tm, array $record): array
{
    $values = [];
    foreach ($tm['fields'] as $f) {
        $values[$f['pos']] = $record['c' . $f['pos']];
    }
    return $values;
}

// ---------------------------------------------------------------------------------------------
// Telling changed fields of an edit form from untouched ones

// What a browser sends back for a value shown in an untouched field (null for a ticked NULL box):
// a NUL byte arrives as U+FFFD and bytes that are not UTF-8 as U+FFFD too; a text box drops line
// breaks; a text area and a list option send every line break as CR LF.
function qm_form_echo(array $f, $value): ?string
{
    if ($value === null) {
        return qm_field_has_null_box($f) ? null : '';
    }
    $text = qm_value_text($value);
    $widget = qm_field_widget($f);
    if ($widget === 'set') {
        return $text;
    }
    $text = str_replace("\0", "\u{FFFD}", htmlspecialchars_decode(qm_h($text), ENT_QUOTES | ENT_HTML5));
    if ($widget === 'line') {
        return str_replace(["\r", "\n"], '', $text);
    }
    return preg_replace('/\r\n|\r|\n/', "\r\n", $text);
}

// The token of a posted value that an edit form compares with what the field first held.
function qm_form_hash($posted): string
{
    return hash('sha256', $posted === null ? 'n' : 's' . qm_value_text($posted));
}

// position => token of the value each editable field of an edit form sends back when left alone.
// A field whose posted value still gives its token was not changed and is left out of the UPDATE:
// what a form cannot carry exactly (a NUL byte, a lone line break, a float's digits) stays as stored.
function qm_form_hashes(array $tm, array $values): array
{
    $out = [];
    foreach ($tm['fields'] as $f) {
        if (qm_field_editable($f, 'edit')) {
            $out[$f['pos']] = qm_form_hash(qm_form_echo($f, $values[$f['pos']] ?? null));
        }
    }
    return $out;
}

// The tokens an edit form sent back (o[position]).
function qm_posted_hashes(array $tm): array
{
    $sent = isset($_POST['o']) && is_array($_POST['o']) ? $_POST['o'] : [];
    $out = [];
    foreach ($tm['fields'] as $f) {
        $hash = $sent[$f['pos']] ?? null;
        if (is_string($hash) && preg_match('/^[0-9a-f]{64}$/', $hash)) {
            $out[$f['pos']] = $hash;
        }
    }
    return $out;
}

// ---------------------------------------------------------------------------------------------
// Lookup columns

// The choices of a lookup column, or null when its parent table is too large for a list.
function qm_lookup_choices(array $l): ?array
{
    static $cache = [];
    $id = $l['table'] . "\0" . $l['ref'] . "\0" . $l['display'];
    if (!array_key_exists($id, $cache)) {
        $small = qm_count_upto($l['table'], QM_LOOKUP_LIMIT) <= QM_LOOKUP_LIMIT;
        $cache[$id] = $small ? qm_read_lookup_choices($l) : null;
    }
    return $cache[$id];
}

// Stored value => display value of the rows of a lookup's parent table, by display value.
function qm_read_lookup_choices(array $l): array
{
    $choices = [];
    $rows = qm_query('SELECT ' . qm_ident($l['ref']) . ' AS v, ' . qm_ident($l['display']) . ' AS d FROM '
        . qm_ident($l['table']) . ' ORDER BY 2, 1 LIMIT ' . QM_LOOKUP_LIMIT);
    foreach ($rows as $row) {
        if ($row['v'] !== null) {
            $choices[(string)$row['v']] = (string)($row['d'] ?? $row['v']);
        }
    }
    return $choices;
}

// The display value of one lookup key, or null.
function qm_lookup_display(array $l, $value): ?string
{
    $rows = qm_query('SELECT ' . qm_ident($l['display']) . ' AS d FROM ' . qm_ident($l['table']) . ' WHERE '
        . qm_ident($l['ref']) . ' = ? LIMIT 1', [$value]);
    return $rows ? (string)$rows[0]['d'] : null;
}

// Whether a lookup's parent table has a row with this value.
function qm_lookup_exists(array $l, string $value): bool
{
    $rows = qm_query('SELECT 1 FROM ' . qm_ident($l['table']) . ' WHERE ' . qm_ident($l['ref']) . ' = ? LIMIT 1', [$value]);
    return count($rows) > 0;
}

// ---------------------------------------------------------------------------------------------
// Inputs

// Rule text shown beside a field.
function qm_rule_hint(array $f): string
{
    if (!qm_flag('PHPValidate') && !qm_flag('JavaValidate')) {
        return '';
    }
    $rule = $f['rule'];
    $hints = [];
    if (!$rule['nulls']) {
        $hints[] = 'required';
    }
    if ($rule['limits']) {
        $range = $rule['min'] . ' to ' . $rule['max'];
        $hints[] = $f['col']['numeric'] ? 'from ' . $range : $range . ' characters';
    }
    if ($rule['chars'] !== '') {
        $hints[] = 'must include ' . $rule['chars'];
    }
    return implode(', ', $hints);
}

// Browser-side checks ($JavaValidate): the same rules as data attributes for the form's script.
function qm_rule_attributes(array $f): array
{
    if (!qm_flag('JavaValidate')) {
        return [];
    }
    $rule = $f['rule'];
    $c = $f['col'];
    $attributes = [];
    if (!$rule['nulls']) {
        $attributes['data-required'] = '1';
    }
    if ($rule['chars'] !== '') {
        $attributes['data-chars'] = $rule['chars'];
    }
    if ($rule['limits']) {
        $attributes['data-min'] = (int)$rule['min'];
        $attributes['data-max'] = (int)$rule['max'];
        $attributes['data-numeric'] = $c['numeric'] ? '1' : '0';
    }
    return $attributes;
}

// name => value pairs as the attributes of a tag, each with a blank before it.
function qm_attributes(array $attributes): string
{
    $out = '';
    foreach ($attributes as $name => $value) {
        $out .= ' ' . $name . '="' . qm_h($value) . '"';
    }
    return $out;
}

// A drop-down list; $options: [value, label, selected] in order.
function qm_select(string $name, array $attributes, array $options): string
{
    ob_start();
    ?><select name="<?= qm_h($name) ?>"<?= qm_attributes($attributes) ?>><?php
    foreach ($options as [$value, $label, $selected]) :
        ?><option value="<?= qm_h($value) ?>"<?= $selected ? ' selected' : '' ?>><?= qm_h($label) ?></option><?php
    endforeach;
    ?></select><?php
    return ob_get_clean();
}

// The drop-down of a lookup: its parent's rows by display value, after "(choose)" for a field
// still empty or "(none)" to empty it. A stored value the parent lacks stays selectable.
function qm_lookup_select(string $name, array $attributes, string $text, array $choices): string
{
    $options = [['', $text === '' ? '(choose)' : '(none)', false]];
    if ($text !== '' && !isset($choices[$text])) {
        $options[] = [$text, $text, true];
    }
    foreach ($choices as $value => $label) {
        $options[] = [(string)$value, $label, (string)$value === $text];
    }
    return qm_select($name, $attributes + ['class' => 'Lookup'], $options);
}

// A lookup whose parent table is too large for a list: a search box with suggestions, and the
// display value of the stored key beside it.
function qm_lookup_search(array $tm, array $f, string $name, array $attributes, string $text): string
{
    $pos = $f['pos'];
    $shown = $text === '' ? '' : (qm_lookup_display($f['lookup'], $text) ?? '');
    $attributes += [
        'list' => 'dl' . $pos,
        'data-lookup' => qm_url('search.php', ['t' => $tm['index'], 'lookup' => $pos]),
        'autocomplete' => 'off',
        'class' => 'LookupSearch',
        'placeholder' => 'type to search ' . $f['lookup']['display'],
    ];
    ob_start();
    ?><input type="text" name="<?= qm_h($name) ?>" value="<?= qm_h($text) ?>"<?= qm_attributes($attributes) ?>><?php
    ?><datalist id="dl<?= $pos ?>"></datalist> <span class="LookupShown" id="shown<?= $pos ?>"><?= qm_h($shown) ?></span><?php
    return ob_get_clean();
}

// The drop-down of an ENUM column, with an empty choice where the column may stay empty.
function qm_enum_select(array $c, string $name, array $attributes, string $text): string
{
    $options = [];
    if ($c['nullable'] || $text === '' || !in_array($text, $c['values'], true)) {
        $options[] = ['', '', false];
    }
    foreach ($c['values'] as $value) {
        $options[] = [$value, $value, $value === $text];
    }
    return qm_select($name, $attributes, $options);
}

// The check boxes of a SET column. The hidden empty item makes the list arrive even when no box
// is ticked.
function qm_set_choices(array $c, string $name, array $attributes, array $chosen): string
{
    ob_start();
    ?><span class="SetChoices"<?= qm_attributes($attributes) ?>><input type="hidden" name="<?= qm_h($name) ?>[]" value=""><?php
    foreach ($c['values'] as $value) :
        $ticked = in_array($value, $chosen, true);
        ?><label><input type="checkbox" name="<?= qm_h($name) ?>[]" value="<?= qm_h($value) ?>"<?= $ticked ? ' checked' : '' ?>> <?php
        ?><?= qm_h($value) ?></label> <?php
    endforeach;
    ?></span><?php
    return ob_get_clean();
}

// A text area. The line break after the opening tag is dropped by the browser, so a text that
// starts with a line break keeps it.
function qm_text_area(string $name, array $attributes, string $text): string
{
    ob_start();
    ?><textarea name="<?= qm_h($name) ?>"<?= qm_attributes($attributes) ?> rows="4" cols="50">
<?= qm_h($text) ?></textarea><?php
    return ob_get_clean();
}

// A one-line text box, sized to the column, with the format the column expects as placeholder.
function qm_text_box(array $c, string $name, array $attributes, string $text): string
{
    $placeholders = ['date' => 'YYYY-MM-DD', 'datetime' => 'YYYY-MM-DD hh:mm:ss', 'time' => 'hh:mm:ss',
        'year' => 'YYYY', 'geometry' => 'POINT(x y)'];
    $attributes['size'] = $c['kind'] === 'char' ? min(50, max(10, $c['length'])) : 20;
    if (isset($placeholders[$c['kind']])) {
        $attributes['placeholder'] = $placeholders[$c['kind']];
    }
    ob_start();
    ?><input type="text" name="<?= qm_h($name) ?>" value="<?= qm_h($text) ?>"<?= qm_attributes($attributes) ?>><?php
    return ob_get_clean();
}

// ---------------------------------------------------------------------------------------------
// Inputs that fit the column's type. They help the visitor (a date picker, a number's limits);
// the checks on the server stay the same whatever a browser sends.

// The numbers in a column type's brackets: "decimal(8,2)" gives [8, 2], "datetime(3)" [3].
function qm_type_numbers(array $c): array
{
    return preg_match('/^\w+\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\)/', $c['type'], $m) ? array_map('intval', array_slice($m, 1)) : [];
}

// [lowest, highest] of a whole-number type, as texts: BIGINT's limits are beyond a float's exactness.
function qm_integer_limits(array $c): array
{
    $limits = [
        'tinyint' => ['-128', '127', '255'], 'smallint' => ['-32768', '32767', '65535'],
        'mediumint' => ['-8388608', '8388607', '16777215'], 'int' => ['-2147483648', '2147483647', '4294967295'],
        'integer' => ['-2147483648', '2147483647', '4294967295'],
        'bigint' => ['-9223372036854775808', '9223372036854775807', '18446744073709551615'],
    ];
    [$lo, $hi, $unsignedHi] = $limits[$c['base']] ?? $limits['bigint'];
    return $c['unsigned'] ? ['0', $unsignedHi] : [$lo, $hi];
}

// [lowest, highest] of a DECIMAL(p,s): as many nines as the type holds, e.g. 999999.99.
function qm_decimal_limits(array $c, int $precision, int $scale): array
{
    $hi = ($precision > $scale ? str_repeat('9', $precision - $scale) : '0') . ($scale > 0 ? '.' . str_repeat('9', $scale) : '');
    return [$c['unsigned'] ? '0' : '-' . $hi, $hi];
}

// Limits narrowed by the limits of the field's rule, where it sets some. Either may be null (none).
function qm_rule_narrowed(array $f, ?string $lo, ?string $hi): array
{
    $rule = $f['rule'];
    if ($rule['limits'] && $f['col']['numeric']) {
        if ($lo === null || (float)$rule['min'] > (float)$lo) {
            $lo = (string)$rule['min'];
        }
        if ($hi === null || (float)$rule['max'] < (float)$hi) {
            $hi = (string)$rule['max'];
        }
    }
    return [$lo, $hi];
}

// The attributes of a number input, or of a text box for digits where the limits go beyond what a
// number input keeps exactly (it would round the last digits).
function qm_number_input(array $f, ?string $lo, ?string $hi, string $step): array
{
    [$lo, $hi] = qm_rule_narrowed($f, $lo, $hi);
    $exact = $lo !== null && $hi !== null && abs((float)$lo) <= QM_EXACT_INTEGER && abs((float)$hi) <= QM_EXACT_INTEGER;
    if (!$exact && $step !== 'any') {
        $digits = $step === '1' ? '[0-9]+' : '[0-9]+(\.[0-9]+)?';
        return ['type' => 'text', 'inputmode' => $step === '1' ? 'numeric' : 'decimal',
            'pattern' => ($lo !== null && $lo[0] === '-' ? '-?' : '') . $digits, 'size' => 24];
    }
    $attributes = ['type' => 'number'];
    if ($lo !== null) {
        $attributes['min'] = $lo;
    }
    if ($hi !== null) {
        $attributes['max'] = $hi;
    }
    $attributes['step'] = $step;
    return $attributes;
}

// The digits a time or date-and-time column keeps after the second: "datetime(3)" keeps 3.
function qm_fraction_digits(array $c): int
{
    return qm_type_numbers($c)[0] ?? 0;
}

// The step of a time or date-and-time input: seconds, or the fractions of a second the type keeps.
function qm_seconds_step(array $c): string
{
    $digits = qm_fraction_digits($c);
    return $digits > 0 ? '0.' . str_repeat('0', $digits - 1) . '1' : '1';
}

// The type and attributes of the input that fits a field's column (a number input's limits, a
// text's longest length); type 'text' where no other fits. A time type keeping more than
// milliseconds stays text: a browser's picker shows at most three digits and drops the rest.
function qm_column_input(array $f): array
{
    $c = $f['col'];
    $fine = in_array($c['kind'], ['datetime', 'time'], true) && qm_fraction_digits($c) > 3;
    switch ($c['kind']) {
        case 'int':
            [$lo, $hi] = qm_integer_limits($c);
            return qm_number_input($f, $lo, $hi, '1');
        case 'decimal':
            [$precision, $scale] = qm_type_numbers($c) + [10, 0];
            $step = $scale > 0 ? '0.' . str_repeat('0', $scale - 1) . '1' : '1';
            [$lo, $hi] = qm_decimal_limits($c, $precision, $scale);
            // Beyond 15 digits a number input would round: without limits it becomes a text box.
            return qm_number_input($f, $precision > 15 ? null : $lo, $precision > 15 ? null : $hi, $step);
        case 'float':
            return qm_number_input($f, $c['unsigned'] ? '0' : null, null, 'any');
        case 'year':
            return qm_number_input($f, '1901', '2155', '1');
        case 'date':
            return ['type' => 'date'];
        case 'datetime':
            return $fine ? ['type' => 'text'] : ['type' => 'datetime-local', 'step' => qm_seconds_step($c)];
        case 'time':
            return $fine ? ['type' => 'text'] : ['type' => 'time', 'step' => qm_seconds_step($c)];
        default:
            return ['type' => 'text'];
    }
}

// A value as the input of the given type shows it, or null when that input cannot show it (a zero
// date, a time past 24 hours): the field is then a text box, so that the value is kept.
function qm_input_value(string $type, string $text): ?string
{
    if ($text === '' || $type === 'text') {
        return $text;
    }
    $time = '([01]\d|2[0-3]):[0-5]\d(?::[0-5]\d(?:\.\d{1,3})?)?';
    $patterns = [
        'number' => '/^-?(?:\d+(?:\.\d+)?|\.\d+)(?:[eE][+-]?\d+)?$/D',
        'date' => '/^(\d{4})-(\d\d)-(\d\d)$/D',
        'datetime-local' => '/^(\d{4})-(\d\d)-(\d\d) ' . $time . '$/D',
        'time' => '/^' . $time . '$/D',
    ];
    if (!preg_match($patterns[$type], $text, $m)) {
        return null;
    }
    if (($type === 'date' || $type === 'datetime-local') && ((int)$m[1] < 1 || !checkdate((int)$m[2], (int)$m[3], (int)$m[1]))) {
        return null;
    }
    return $type === 'datetime-local' ? str_replace(' ', 'T', $text) : $text;
}

// A date and time as a date-and-time input sends it (2026-02-03T04:05, seconds left off when 0)
// in the server's format, with the fractional digits the column keeps: the same text the edit form
// was given, so that an untouched value reads as unchanged. Other texts are left as typed.
function qm_posted_datetime(array $c, string $v): string
{
    if (!preg_match('/^(\d{4}-\d\d-\d\d)T(\d\d:\d\d)(?::(\d\d)(?:\.(\d{1,6}))?)?$/D', $v, $m)) {
        return $v;
    }
    $digits = qm_fraction_digits($c);
    $fraction = $m[4] ?? '';
    if ($digits > 0 || $fraction !== '') {
        $fraction = '.' . str_pad($fraction, $digits, '0');
    }
    return $m[1] . ' ' . $m[2] . ':' . ($m[3] ?? '00') . $fraction;
}

// Whether a value of a column's kind can be an empty text ('' as opposed to NULL).
function qm_kind_can_be_empty(array $c): bool
{
    return in_array($c['kind'], ['char', 'text', 'set'], true)
        || ($c['kind'] === 'enum' && in_array('', $c['values'], true));
}

// Whether a field is marked required: its rule asks for a value, or its column needs one that an
// empty input cannot give (NOT NULL, no default, not filled in by the server, not a text).
function qm_field_required(array $f, string $mode): bool
{
    $c = $f['col'];
    if (!$f['rule']['nulls'] && (qm_flag('PHPValidate') || qm_flag('JavaValidate'))) {
        return true;
    }
    if ($c['nullable'] || $c['auto'] || $c['generated'] || ($mode === 'add' && $c['default'] !== null)) {
        return false;
    }
    return !qm_kind_can_be_empty($c);
}

// The attributes every input of a field gets from its column and rule: the longest text (the
// column's characters, or fewer where the rule limits the length) and required.
function qm_field_attributes(array $f, string $mode): array
{
    $c = $f['col'];
    $attributes = [];
    $longest = $c['kind'] === 'char' ? $c['length'] : 0;
    $rule = $f['rule'];
    if ($rule['limits'] && !$c['numeric'] && $rule['max'] > 0 && ($longest === 0 || $rule['max'] < $longest)) {
        $longest = $rule['max'];
    }
    if ($longest > 0 && in_array($c['kind'], ['char', 'text'], true)) {
        $attributes['maxlength'] = $longest;
    }
    if ($c['kind'] !== 'set' && qm_field_required($f, $mode)) {
        $attributes['required'] = 'required';
    }
    return $attributes;
}

// A date, time or number input for the field's column, or a text box where the value does not
// fit one.
function qm_typed_box(array $f, string $name, array $attributes, string $text): string
{
    $input = qm_column_input($f);
    $shown = qm_input_value($input['type'], $text);
    if (($input['type'] === 'text' && count($input) === 1) || $shown === null) {
        return qm_text_box($f['col'], $name, $attributes, $text);
    }
    $type = $input['type'];
    unset($input['type']);
    ob_start();
    ?><input type="<?= qm_h($type) ?>" name="<?= qm_h($name) ?>" value="<?= qm_h($shown) ?>"<?= qm_attributes($attributes + $input) ?>><?php
    return ob_get_clean();
}

// The input of one field holding $value (text, or a list for SET columns; null for NULL), without
// its NULL box.
function qm_field_value_input(array $tm, array $f, $value, string $mode = 'edit'): string
{
    $c = $f['col'];
    $name = 'f[' . $f['pos'] . ']';
    $attributes = ['id' => 'f' . $f['pos'], 'aria-describedby' => 'err' . $f['pos']] + qm_rule_attributes($f);
    $text = qm_value_text($value);
    if ($f['lookup'] !== null) {
        $choices = qm_lookup_choices($f['lookup']);
        if ($choices === null) {
            return qm_lookup_search($tm, $f, $name, $attributes, $text);
        }
        return qm_lookup_select($name, $attributes, $text, $choices);
    }
    $attributes += qm_field_attributes($f, $mode);
    switch ($c['kind']) {
        case 'enum':
            return qm_enum_select($c, $name, $attributes, $text);
        case 'set':
            $chosen = is_array($value) ? $value : ($text === '' ? [] : explode(',', $text));
            return qm_set_choices($c, $name, $attributes, $chosen);
        default:
            if (qm_field_widget($f) === 'area') {
                return qm_text_area($name, $attributes, $text);
            }
            return qm_typed_box($f, $name, $attributes, $text);
    }
}

// The input of one field holding $value, with a NULL box where the column needs one.
function qm_field_input(array $tm, array $f, $value, string $mode = 'edit'): string
{
    $input = qm_field_value_input($tm, $f, $value, $mode);
    if (!qm_field_has_null_box($f)) {
        return $input;
    }
    $pos = $f['pos'];
    $box = ['type' => 'checkbox', 'name' => 'n[' . $pos . ']', 'value' => '1', 'id' => 'n' . $pos, 'data-null-for' => 'f' . $pos];
    ob_start();
    ?><?= $input ?> <label class="NullChoice"><input<?= qm_attributes($box) ?><?= $value === null ? ' checked' : '' ?>> NULL</label><?php
    return ob_get_clean();
}

// ---------------------------------------------------------------------------------------------
// The form

// One row of the form: the field's input (or its stored value, or nothing), the hint beside it
// and the reason it was refused.
function qm_form_row(array $tm, array $f, string $mode, array $values, array $errors, ?array $record): array
{
    $row = ['pos' => $f['pos'], 'name' => $f['name'], 'value' => '', 'hint' => '', 'error' => $errors[$f['pos']] ?? ''];
    if (qm_field_editable($f, $mode)) {
        $row['value'] = qm_field_input($tm, $f, $values[$f['pos']] ?? null, $mode);
        $row['hint'] = qm_rule_hint($f);
    } elseif ($f['col']['auto'] && $mode === 'add') {
        $row['hint'] = 'assigned automatically';
    } elseif ($record !== null) {
        $row['value'] = qm_show_value($f, $record, false);
        $row['hint'] = '(not changed here)';
    } else {
        $row['hint'] = 'not entered here';
    }
    if (!qm_field_editable($f, $mode)) {
        // Shown, not sent: an automatic number, a generated column or a BLOB is never written here.
        $row['value'] = '<output id="f' . $f['pos'] . '" class="ReadOnly">' . $row['value'] . '</output>';
    }
    return $row;
}

// The add or edit form. $values: position => value shown; $errors: position => message; $hashes:
// the tokens of the unchanged values of an edit form (made from $values when not given); $others:
// position => the stored value (HTML) of a field someone else changed since the form was shown.
// An edit form carries the token of $record (h), the record as it was read.
function qm_render_form(
    array $tm,
    string $mode,
    array $values,
    array $errors,
    ?array $key,
    ?array $record,
    string $message = '',
    ?array $hashes = null,
    array $others = []
): void {
    $alert = $message !== '' ? $message : (count($errors) > 0 ? 'Please correct the marked fields.' : '');
    $hidden = [['action', $mode === 'add' ? 'add' : 'edit'], ['t', $tm['index']]];
    foreach ($key ?? [] as $k) {
        $hidden[] = ['k[]', $k];
    }
    if ($mode === 'edit' && $record !== null) {
        $hidden[] = ['h', qm_record_hash($tm, $record)];
    }
    $unchanged = $mode === 'edit' ? ($hashes ?? qm_form_hashes($tm, $values)) : null;
    $rows = [];
    foreach ($tm['fields'] as $f) {
        $rows[] = qm_form_row($tm, $f, $mode, $values, $errors, $record);
    }
    $submit = $mode === 'add' ? 'Add record' : 'Save changes';
    $cancel = qm_url('tablelist.php', ['t' => $tm['index']]);
    // PHP drops the line break right after a closing tag: where the page needs one, a blank line
    // follows the tag, and a blank that separates two elements may start the next line.
    ?>
<?php if ($alert !== '') : ?>
<p class="ErrorMessage" role="alert"><?= qm_h($alert) ?></p>
<?php endif ?>
<form method="post" action="execute.php" class="RecordForm" id="RecordForm" novalidate
<?= qm_flag('JavaValidate') ? ' data-validate="1"' : '' ?>><?= qm_csrf_field() ?>

<?php foreach ($hidden as [$name, $value]) : ?>
<input type="hidden" name="<?= qm_h($name) ?>" value="<?= qm_h($value) ?>">
<?php endforeach ?>
<?php if ($unchanged !== null) : ?>
<?php foreach ($unchanged as $pos => $hash) : ?><input type="hidden" name="o[<?= (int)$pos ?>]" value="<?= qm_h($hash) ?>"><?php endforeach ?>

<?php endif ?>
<table class="FormTable">
<?php foreach ($rows as $row) : ?>
<tr><th scope="row"><label for="f<?= $row['pos'] ?>"><?= qm_h($row['name']) ?></label></th><td><?= $row['value'] ?>
<?php if ($row['hint'] !== '') : ?> <span class="Hint"><?= qm_h($row['hint']) ?></span><?php endif ?>
<?php if (isset($others[$row['pos']])) : ?> <span class="OtherValue" id="other<?= $row['pos'] ?>">Saved meanwhile by someone else: <?= $others[$row['pos']] ?></span><?php endif ?>
 <span class="FieldError" id="err<?= $row['pos'] ?>"><?= qm_h($row['error']) ?></span></td></tr>
<?php endforeach ?>
<tr><th></th><td><button type="submit" class="Button" id="Save"><?= qm_h($submit) ?></button> <a href="<?= qm_h($cancel) ?>" class="Cancel">Cancel</a></td></tr>
</table>
</form>
<?php
    qm_script(qm_form_script());
}

// ---------------------------------------------------------------------------------------------
// Reading and checking the posted form

// The posted value of one field: text, or a list of texts for a SET; what is missing or of the
// wrong shape counts as empty.
function qm_posted_value(array $f, array $posted)
{
    $isSet = $f['col']['kind'] === 'set';
    if (!isset($posted[$f['pos']])) {
        return $isSet ? [] : '';
    }
    $value = $posted[$f['pos']];
    if (!$isSet) {
        if (is_string($value) && $f['col']['kind'] === 'datetime') {
            return qm_posted_datetime($f['col'], $value);  // a date-and-time input's "T" form
        }
        return is_string($value) ? $value : '';
    }
    $list = [];
    foreach (is_array($value) ? $value : [$value] as $item) {
        if (is_string($item) && $item !== '') {
            $list[] = $item;
        }
    }
    return $list;
}

// The posted values of the form, position => text or list, or null for a ticked NULL box beside
// an empty input (text typed beside a ticked box wins).
function qm_posted_values(array $tm): array
{
    $posted = isset($_POST['f']) && is_array($_POST['f']) ? $_POST['f'] : [];
    $nulls = isset($_POST['n']) && is_array($_POST['n']) ? $_POST['n'] : [];
    $values = [];
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        $value = qm_posted_value($f, $posted);
        $empty = $value === '' || $value === [];
        $values[$pos] = isset($nulls[$pos]) && $empty && qm_field_has_null_box($f) ? null : $value;
    }
    return $values;
}

// Checks a whole number against its column's type. Returns a message or ''.
function qm_integer_error(array $c, string $v): string
{
    $pattern = $c['unsigned'] || $c['kind'] === 'bit' ? '/^\+?\d{1,20}$/' : '/^[+-]?\d{1,19}$/';
    if (!preg_match($pattern, $v)) {
        return 'Must be a whole number' . ($c['unsigned'] ? ' of 0 or more' : '') . '.';
    }
    $ranges = [
        'tinyint' => 127, 'smallint' => 32767, 'mediumint' => 8388607, 'int' => 2147483647, 'integer' => 2147483647,
    ];
    if (!isset($ranges[$c['base']])) {
        return '';
    }
    $hi = $c['unsigned'] ? $ranges[$c['base']] * 2 + 1 : $ranges[$c['base']];
    $lo = $c['unsigned'] ? 0 : -$ranges[$c['base']] - 1;
    return (float)$v < $lo || (float)$v > $hi ? 'Must be a whole number from ' . $lo . ' to ' . $hi . '.' : '';
}

// Whether a text is a date and time as the server reads one (the time may be left off).
function qm_is_datetime(string $v): bool
{
    if (!preg_match('/^(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.\d{1,6})?)?)?$/', $v, $m)
        || !checkdate((int)$m[2], (int)$m[3], (int)$m[1])) {
        return false;
    }
    return !isset($m[4]) || ((int)$m[4] < 24 && (int)$m[5] < 60 && (!isset($m[6]) || (int)$m[6] < 60));
}

// Checks a value against its column's type. Returns a message or ''.
function qm_type_error(array $c, string $v): string
{
    switch ($c['kind']) {
        case 'int':
        case 'bit':
            return qm_integer_error($c, $v);
        case 'decimal':
        case 'float':
            if (!is_numeric($v)) {
                return 'Must be a number.';
            }
            return $c['unsigned'] && (float)$v < 0 ? 'Must be 0 or more.' : '';
        case 'year':
            $valid = preg_match('/^\d{4}$/', $v) && ((int)$v === 0 || ((int)$v >= 1901 && (int)$v <= 2155));
            return $valid ? '' : 'Must be a year from 1901 to 2155.';
        case 'date':
            $valid = preg_match('/^(\d{4})-(\d{1,2})-(\d{1,2})$/', $v, $m)
                && checkdate((int)$m[2], (int)$m[3], (int)$m[1]);
            return $valid ? '' : 'Must be a date written YYYY-MM-DD.';
        case 'datetime':
            return qm_is_datetime($v) ? '' : 'Must be a date and time written YYYY-MM-DD hh:mm:ss.';
        case 'time':
            $valid = preg_match('/^-?\d{1,3}:[0-5]\d(?::[0-5]\d(?:\.\d{1,6})?)?$/', $v);
            return $valid ? '' : 'Must be a time written hh:mm:ss.';
        case 'enum':
            return in_array($v, $c['values'], true) ? '' : 'Choose one of the listed values.';
        case 'char':
            $tooLong = $c['length'] > 0 && qm_text_length($v) > $c['length'];
            return $tooLong ? 'At most ' . $c['length'] . ' characters.' : '';
        case 'text':
            return $c['length'] > 0 && strlen($v) > $c['length'] ? 'The text is too long for this field.' : '';
        default:
            return '';
    }
}

// Checks a value against the characters its rule asks for. Returns a message or ''.
function qm_rule_chars_error(array $rule, string $v): string
{
    if ($rule['chars'] === '') {
        return '';
    }
    $missing = [];
    foreach (preg_split('//u', $rule['chars'], -1, PREG_SPLIT_NO_EMPTY) ?: str_split($rule['chars']) as $ch) {
        if (strpos($v, $ch) === false) {
            $missing[] = $ch;
        }
    }
    return count($missing) > 0 ? 'Must include: ' . implode(' ', $missing) : '';
}

// Checks a value against the limits of its rule: a number's range, or a text's length in
// characters. Returns a message or ''.
function qm_rule_limits_error(array $f, string $v): string
{
    $rule = $f['rule'];
    if (!$rule['limits']) {
        return '';
    }
    if ($f['col']['numeric']) {
        $inside = is_numeric($v) && (float)$v >= $rule['min'] && (float)$v <= $rule['max'];
        return $inside ? '' : 'Must be a number from ' . $rule['min'] . ' to ' . $rule['max'] . '.';
    }
    $length = qm_text_length($v);
    $inside = $length >= $rule['min'] && $length <= $rule['max'];
    return $inside ? '' : 'Must be ' . $rule['min'] . ' to ' . $rule['max'] . ' characters long.';
}

// The first reason a value that is not empty cannot be written ($PHPValidate): its type, its
// rule, or a lookup value its parent lacks. '' when there is none.
function qm_value_error(array $f, string $v): string
{
    $message = $f['col']['kind'] === 'set' ? '' : qm_type_error($f['col'], $v);
    if ($message === '') {
        $message = qm_rule_chars_error($f['rule'], $v);
    }
    if ($message === '') {
        $message = qm_rule_limits_error($f, $v);
    }
    if ($message === '' && $f['lookup'] !== null && !qm_lookup_exists($f['lookup'], $v)) {
        $message = 'Choose one of the listed values.';
    }
    return $message;
}

// What an empty input writes: ['value' => '' or null], [] to leave the column to its default, or
// ['error' => message].
function qm_empty_value_result(array $f, string $mode, bool $validate): array
{
    $c = $f['col'];
    if ($validate && !$f['rule']['nulls']) {
        return ['error' => 'This field is required.'];
    }
    if (qm_field_has_null_box($f)) {
        return ['value' => ''];  // an empty text, not NULL: the NULL box was left empty
    }
    if ($c['nullable']) {
        return ['value' => null];
    }
    if ($mode === 'add' && $c['default'] !== null) {
        return [];  // the column's default applies
    }
    if (qm_kind_can_be_empty($c)) {
        return ['value' => ''];
    }
    return $validate ? ['error' => 'A value is needed.'] : ['value' => ''];
}

// What one posted value writes: ['value' => text or null], [] to leave the column out, or
// ['error' => message].
function qm_check_value(array $f, string $mode, $raw, bool $validate): array
{
    if ($raw === null) {
        // The NULL box, which only nullable columns have.
        return $validate && !$f['rule']['nulls'] ? ['error' => 'This field is required.'] : ['value' => null];
    }
    $kind = $f['col']['kind'];
    $setError = '';
    if ($kind === 'set') {
        if ($validate && count(array_diff($raw, $f['col']['values'])) > 0) {
            $setError = 'Choose only the listed values.';
        }
        $v = implode(',', $raw);
    } else {
        $v = in_array($kind, ['char', 'text', 'enum'], true) ? $raw : trim($raw);
    }
    if ($v === '') {
        return qm_empty_value_result($f, $mode, $validate);
    }
    $message = $validate ? qm_value_error($f, $v) : '';
    if ($message === '') {
        $message = $setError;
    }
    return $message === '' ? ['value' => $v] : ['error' => $message];
}

// Checks the posted values and turns them into the values to write: position => text or null.
// Fields that are left to the server (its default, an automatic number) are absent from the
// result, and so are the fields of an edit form that come back as they were sent ($hashes: the
// tokens of qm_form_hashes). Returns [errors, values].
function qm_check_values(array $tm, string $mode, array $posted, array $hashes = []): array
{
    $errors = [];
    $out = [];
    $validate = qm_flag('PHPValidate');
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        if (!qm_field_editable($f, $mode)) {
            continue;
        }
        if (isset($hashes[$pos]) && hash_equals($hashes[$pos], qm_form_hash($posted[$pos]))) {
            continue;  // not changed: the stored value stays exactly as it is
        }
        $result = qm_check_value($f, $mode, $posted[$pos], $validate);
        if (isset($result['error'])) {
            $errors[$pos] = $result['error'];
        } elseif (array_key_exists('value', $result)) {
            $out[$pos] = $result['value'];
        }
    }
    return [$errors, $out];
}

// ---------------------------------------------------------------------------------------------
// Writing

// The placeholder of a value in INSERT and UPDATE: some kinds are converted by the server.
function qm_value_placeholder(array $f): string
{
    $placeholders = ['geometry' => 'ST_GeomFromText(?)', 'bit' => 'CAST(? AS UNSIGNED)'];
    return $placeholders[$f['col']['kind']] ?? '?';
}

// The server wants a value for a column the INSERT left out: named, so that whoever runs the
// site knows which column to put on the form. $values: the values that were written.
function qm_missing_columns_message(array $tm, array $values): string
{
    $written = [];
    foreach ($tm['fields'] as $f) {
        if (array_key_exists($f['pos'], $values)) {
            $written[$f['name']] = true;
        }
    }
    $missing = [];
    foreach ($tm['columns'] as $c) {
        $needed = !$c['nullable'] && $c['default'] === null && !$c['auto'] && !$c['generated'];
        if ($needed && !isset($written[$c['name']])) {
            $missing[] = '"' . $c['name'] . '"';
        }
    }
    if (count($missing) === 0) {
        return 'A column that is not on this form needs a value, so the record cannot be saved here.';
    }
    $one = count($missing) === 1;
    return ($one ? 'The column ' : 'The columns ') . implode(', ', $missing) . ($one ? ' is' : ' are')
        . ' not on this form but need' . ($one ? 's' : '') . ' a value, so the record cannot be saved here.';
}

// What the visitor is told when the server refuses a change: never the statement or its text.
function qm_db_error_message(Throwable $e): string
{
    $messages = [
        1062 => 'A record with the same key already exists.',
        1451 => 'Other records refer to this record, so it cannot be changed or deleted.',
        1452 => 'A lookup value does not match any record of its table.',
        1048 => 'A required value is missing.',
        1364 => 'A column that is not on this form needs a value, so the record cannot be saved here.',
        1406 => 'A value is too long for its field.',
        1264 => 'A number is outside the range of its field.',
        1265 => 'A value does not fit its field.',
        1366 => 'A value does not have the right format for its field.',
        1292 => 'A date, time or number does not have the right format.',
        1367 => 'A value does not have the right format for its field.',
        1416 => 'A geometry value could not be read.',
        4025 => 'A value breaks a rule of the table.',
        3819 => 'A value breaks a rule of the table.',
    ];
    return $messages[(int)$e->getCode()] ?? 'The database did not accept the change.';
}

// ---------------------------------------------------------------------------------------------
// The form's script, sent inline with the page's nonce (the content security policy allows no
// other inline script): the rules of $JavaValidate checked before the form is sent, the NULL
// boxes kept in step with their inputs, and suggestions for lookup search boxes.

function qm_form_script(): string
{
    return <<<'JS'
(function () {
  var form = document.getElementById('RecordForm');
  if (!form) { return; }
  function chars(s) { return Array.from(s); }
  function check(el) {
    var v = el.value, msg = '';
    var t = v.replace(/^\s+|\s+$/g, '');
    if (el.dataset.required && t === '') { msg = 'This field is required.'; }
    else if (v !== '') {
      if (el.dataset.chars) {
        var missing = chars(el.dataset.chars).filter(function (c) { return v.indexOf(c) < 0; });
        if (missing.length) { msg = 'Must include: ' + missing.join(' '); }
      }
      if (!msg && el.dataset.max !== undefined) {
        var lo = Number(el.dataset.min), hi = Number(el.dataset.max);
        if (el.dataset.numeric === '1') {
          var n = Number(t);
          if (t === '' || isNaN(n) || n < lo || n > hi) { msg = 'Must be a number from ' + lo + ' to ' + hi + '.'; }
        } else {
          var len = chars(v).length;
          if (len < lo || len > hi) { msg = 'Must be ' + lo + ' to ' + hi + ' characters long.'; }
        }
      }
    }
    var err = document.getElementById('err' + el.id.substring(1));
    if (err) { err.textContent = msg; }
    return msg === '';
  }
  if (form.dataset.validate) {
    form.addEventListener('submit', function (ev) {
      var first = null;
      form.querySelectorAll('[data-required],[data-chars],[data-max]').forEach(function (el) {
        if (el.id && !check(el) && !first) { first = el; }
      });
      if (first) { ev.preventDefault(); first.focus(); }
    });
  }
  // Typing a value clears the NULL box beside it; ticking the box empties the input.
  form.querySelectorAll('input[data-null-for]').forEach(function (box) {
    var field = document.getElementById(box.dataset.nullFor);
    if (!field) { return; }
    var items = field.tagName === 'SPAN' ? field.querySelectorAll('input[type=checkbox]') : null;
    function filled() {
      return items ? Array.prototype.some.call(items, function (i) { return i.checked; }) : field.value !== '';
    }
    ['input', 'change'].forEach(function (type) {
      field.addEventListener(type, function () { if (filled()) { box.checked = false; } });
    });
    box.addEventListener('change', function () {
      if (!box.checked) { return; }
      if (items) { items.forEach(function (i) { i.checked = false; }); } else { field.value = ''; }
    });
  });
  form.querySelectorAll('input[data-lookup]').forEach(function (el) {
    var timer = null, list = document.getElementById(el.getAttribute('list'));
    el.addEventListener('input', function () {
      clearTimeout(timer);
      timer = setTimeout(function () {
        if (el.value === '') { return; }
        fetch(el.dataset.lookup + '&q=' + encodeURIComponent(el.value), {credentials: 'same-origin'})
          .then(function (r) { return r.ok ? r.json() : []; })
          .then(function (items) {
            list.textContent = '';
            items.forEach(function (it) {
              var o = document.createElement('option');
              o.value = it[0]; o.label = it[1]; o.textContent = it[1];
              list.appendChild(o);
            });
          }).catch(function () {});
      }, 200);
    });
  });
})();
JS;
}
