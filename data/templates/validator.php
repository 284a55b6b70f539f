<?php
// The add and edit forms: inputs that fit each column, lookup drop-downs, the rules of config.php
// checked on the server ($PHPValidate) and, when asked for, also in the browser ($JavaValidate),
// and turning the posted form into the values written to the database.

if (!defined('QM_PAGE')) {
    header_remove('X-Powered-By');
    header('Location: index.php', true, 302);
    exit;
}

// Whether a field gets an input on the form of the given mode ('add' or 'edit').
function qm_field_editable($f, $mode)
{
    $c = $f['col'];
    if ($c['generated'] || $c['kind'] === 'blob') {
        return false;
    }
    return !$c['auto'];
}

// Whether a field gets a NULL box beside its input: a nullable column that can also hold an empty
// text, so that an empty input alone cannot tell '' from NULL. Elsewhere an empty input means NULL
// (a number or date cannot be ''), and a lookup's "(none)" means NULL.
function qm_field_has_null_box($f)
{
    $c = $f['col'];
    if (!$c['nullable'] || $f['lookup'] !== null) {
        return false;
    }
    return in_array($c['kind'], array('char', 'text', 'set'), true)
        || ($c['kind'] === 'enum' && in_array('', $c['values'], true));
}

// How an input of the form carries a value: a one-line text box, a multi-line text area, an
// option of a drop-down list, or the check boxes of a SET.
function qm_field_widget($f)
{
    if ($f['lookup'] !== null) {
        return qm_lookup_choices($f['lookup']) === null ? 'line' : 'option';
    }
    $kinds = array('enum' => 'option', 'set' => 'set', 'text' => 'area');
    return isset($kinds[$f['col']['kind']]) ? $kinds[$f['col']['kind']] : 'line';
}

// What a browser sends back for a value shown in an untouched field (null for a ticked NULL box):
// a NUL byte arrives as U+FFFD and bytes that are not UTF-8 as U+FFFD too; a text box drops line
// breaks; a text area and a list option send every line break as CR LF.
function qm_form_echo($f, $value)
{
    if ($value === null) {
        return qm_field_has_null_box($f) ? null : '';
    }
    $text = is_array($value) ? implode(',', $value) : (string)$value;
    $widget = qm_field_widget($f);
    if ($widget === 'set') {
        return $text;
    }
    $text = str_replace("\0", "\u{FFFD}", htmlspecialchars_decode(qm_h($text), ENT_QUOTES | ENT_HTML5));
    if ($widget === 'line') {
        return str_replace(array("\r", "\n"), '', $text);
    }
    return preg_replace('/\r\n|\r|\n/', "\r\n", $text);
}

// The token of a posted value that an edit form compares with what the field first held.
function qm_form_hash($posted)
{
    return hash('sha256', $posted === null ? 'n' : 's' . (is_array($posted) ? implode(',', $posted) : (string)$posted));
}

// position => token of the value each editable field of an edit form sends back when left alone.
// A field whose posted value still gives its token was not changed and is left out of the UPDATE:
// what a form cannot carry exactly (a NUL byte, a lone line break, a float's digits) stays as stored.
function qm_form_hashes($tm, $values)
{
    $out = array();
    foreach ($tm['fields'] as $f) {
        if (qm_field_editable($f, 'edit')) {
            $value = array_key_exists($f['pos'], $values) ? $values[$f['pos']] : null;
            $out[$f['pos']] = qm_form_hash(qm_form_echo($f, $value));
        }
    }
    return $out;
}

// The tokens an edit form sent back (o[position]).
function qm_posted_hashes($tm)
{
    $sent = isset($_POST['o']) && is_array($_POST['o']) ? $_POST['o'] : array();
    $out = array();
    foreach ($tm['fields'] as $f) {
        $h = isset($sent[$f['pos']]) ? $sent[$f['pos']] : null;
        if (is_string($h) && preg_match('/^[0-9a-f]{64}$/', $h)) {
            $out[$f['pos']] = $h;
        }
    }
    return $out;
}

// The choices of a lookup column, or null when its parent table is too large for a list.
function qm_lookup_choices($l)
{
    static $cache = array();
    $id = $l['table'] . "\0" . $l['ref'] . "\0" . $l['display'];
    if (array_key_exists($id, $cache)) {
        return $cache[$id];
    }
    $choices = null;
    if (qm_count_upto($l['table'], QM_LOOKUP_LIMIT) <= QM_LOOKUP_LIMIT) {
        $choices = array();
        $rows = qm_query('SELECT ' . qm_ident($l['ref']) . ' AS v, ' . qm_ident($l['display']) . ' AS d FROM '
            . qm_ident($l['table']) . ' ORDER BY 2, 1 LIMIT ' . QM_LOOKUP_LIMIT);
        foreach ($rows as $row) {
            if ($row['v'] !== null) {
                $choices[(string)$row['v']] = $row['d'] === null ? (string)$row['v'] : (string)$row['d'];
            }
        }
    }
    $cache[$id] = $choices;
    return $choices;
}

// The display value of one lookup key, or null.
function qm_lookup_display($l, $value)
{
    $rows = qm_query('SELECT ' . qm_ident($l['display']) . ' AS d FROM ' . qm_ident($l['table']) . ' WHERE '
        . qm_ident($l['ref']) . ' = ? LIMIT 1', array($value));
    return $rows ? (string)$rows[0]['d'] : null;
}

// Rule text shown beside a field.
function qm_rule_hint($f)
{
    $hints = array();
    $rule = $f['rule'];
    if (!qm_flag('PHPValidate') && !qm_flag('JavaValidate')) {
        return '';
    }
    if (!$rule['nulls']) {
        $hints[] = 'required';
    }
    if ($rule['limits']) {
        $hints[] = $f['col']['numeric'] ? 'from ' . $rule['min'] . ' to ' . $rule['max'] : $rule['min'] . ' to ' . $rule['max'] . ' characters';
    }
    if ($rule['chars'] !== '') {
        $hints[] = 'must include ' . $rule['chars'];
    }
    return implode(', ', $hints);
}

// Browser-side checks ($JavaValidate): the same rules as data attributes for the script below.
function qm_rule_attributes($f)
{
    if (!qm_flag('JavaValidate')) {
        return '';
    }
    $rule = $f['rule'];
    $a = '';
    if (!$rule['nulls']) {
        $a .= ' data-required="1"';
    }
    if ($rule['chars'] !== '') {
        $a .= ' data-chars="' . qm_h($rule['chars']) . '"';
    }
    if ($rule['limits']) {
        $a .= ' data-min="' . (int)$rule['min'] . '" data-max="' . (int)$rule['max'] . '" data-numeric="'
            . ($f['col']['numeric'] ? '1' : '0') . '"';
    }
    if ($f['col']['length'] > 0 && $f['col']['kind'] === 'char') {
        $a .= ' maxlength="' . (int)$f['col']['length'] . '"';
    }
    return $a;
}

// The input of one field holding $value (text, or a list for SET columns; null for NULL), with a
// NULL box where the column needs one.
function qm_field_input($tm, $f, $value)
{
    $input = qm_field_value_input($tm, $f, $value);
    if (!qm_field_has_null_box($f)) {
        return $input;
    }
    return $input . ' <label class="NullChoice"><input type="checkbox" name="n[' . $f['pos'] . ']" value="1" id="n' . $f['pos']
        . '" data-null-for="f' . $f['pos'] . '"' . ($value === null ? ' checked' : '') . '> NULL</label>';
}

function qm_field_value_input($tm, $f, $value)
{
    $c = $f['col'];
    $name = 'f[' . $f['pos'] . ']';
    $id = 'f' . $f['pos'];
    $attrs = ' id="' . $id . '" aria-describedby="err' . $f['pos'] . '"' . qm_rule_attributes($f);
    $text = is_array($value) ? implode(',', $value) : ($value === null ? '' : (string)$value);
    if ($f['lookup'] !== null) {
        $l = $f['lookup'];
        $choices = qm_lookup_choices($l);
        if ($choices !== null) {
            $out = '<select name="' . $name . '"' . $attrs . ' class="Lookup">';
            $out .= '<option value="">' . ($text === '' ? '(choose)' : '(none)') . '</option>';
            if ($text !== '' && !isset($choices[$text])) {
                $out .= '<option value="' . qm_h($text) . '" selected>' . qm_h($text) . '</option>';
            }
            foreach ($choices as $v => $label) {
                $v = (string)$v;
                $out .= '<option value="' . qm_h($v) . '"' . ($v === $text ? ' selected' : '') . '>' . qm_h($label) . '</option>';
            }
            return $out . '</select>';
        }
        // A large parent table: a search box with suggestions instead of a list of every row.
        $shown = $text === '' ? null : qm_lookup_display($l, $text);
        return '<input type="text" name="' . $name . '" value="' . qm_h($text) . '"' . $attrs
            . ' list="dl' . $f['pos'] . '" data-lookup="' . qm_h(qm_url('search.php', array('t' => $tm['index'], 'lookup' => $f['pos'])))
            . '" autocomplete="off" class="LookupSearch" placeholder="type to search ' . qm_h($l['display']) . '">'
            . '<datalist id="dl' . $f['pos'] . '"></datalist>'
            . ' <span class="LookupShown" id="shown' . $f['pos'] . '">' . ($shown === null ? '' : qm_h($shown)) . '</span>';
    }
    switch ($c['kind']) {
        case 'enum':
            $out = '<select name="' . $name . '"' . $attrs . '>';
            if ($c['nullable'] || $text === '' || !in_array($text, $c['values'], true)) {
                $out .= '<option value=""></option>';
            }
            foreach ($c['values'] as $v) {
                $out .= '<option value="' . qm_h($v) . '"' . ($v === $text ? ' selected' : '') . '>' . qm_h($v) . '</option>';
            }
            return $out . '</select>';
        case 'set':
            $chosen = is_array($value) ? $value : ($text === '' ? array() : explode(',', $text));
            $out = '<span class="SetChoices"' . $attrs . '><input type="hidden" name="' . $name . '[]" value="">';
            foreach ($c['values'] as $n => $v) {
                $out .= '<label><input type="checkbox" name="' . $name . '[]" value="' . qm_h($v) . '"'
                    . (in_array($v, $chosen, true) ? ' checked' : '') . '> ' . qm_h($v) . '</label> ';
            }
            return $out . '</span>';
        case 'text':
            return '<textarea name="' . $name . '"' . $attrs . ' rows="4" cols="50">' . "\n" . qm_h($text) . '</textarea>';
        default:
            $placeholders = array('date' => 'YYYY-MM-DD', 'datetime' => 'YYYY-MM-DD hh:mm:ss', 'time' => 'hh:mm:ss',
                'year' => 'YYYY', 'geometry' => 'POINT(x y)');
            $size = $c['kind'] === 'char' ? min(50, max(10, $c['length'])) : 20;
            return '<input type="text" name="' . $name . '" value="' . qm_h($text) . '"' . $attrs . ' size="' . $size . '"'
                . (isset($placeholders[$c['kind']]) ? ' placeholder="' . $placeholders[$c['kind']] . '"' : '') . '>';
    }
}

// The add or edit form. $values: position => value shown; $errors: position => message; $hashes:
// the tokens of the unchanged values of an edit form (made from $values when not given).
function qm_render_form($tm, $mode, $values, $errors, $key, $record, $message = '', $hashes = null)
{
    if ($message !== '') {
        echo '<p class="ErrorMessage" role="alert">', qm_h($message), "</p>\n";
    } elseif (count($errors) > 0) {
        echo '<p class="ErrorMessage" role="alert">Please correct the marked fields.</p>', "\n";
    }
    echo '<form method="post" action="execute.php" class="RecordForm" id="RecordForm" novalidate', "\n";
    echo qm_flag('JavaValidate') ? ' data-validate="1"' : '', '>', qm_csrf_field(), "\n";
    echo '<input type="hidden" name="action" value="', $mode === 'add' ? 'add' : 'edit', '">', "\n";
    echo '<input type="hidden" name="t" value="', qm_h($tm['index']), '">', "\n";
    if ($key !== null) {
        foreach ($key as $k) {
            echo '<input type="hidden" name="k[]" value="', qm_h($k), '">', "\n";
        }
    }
    if ($mode === 'edit') {
        foreach ($hashes === null ? qm_form_hashes($tm, $values) : $hashes as $pos => $h) {
            echo '<input type="hidden" name="o[', (int)$pos, ']" value="', qm_h($h), '">';
        }
        echo "\n";
    }
    echo '<table class="FormTable">', "\n";
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        echo '<tr><th scope="row"><label for="f', $pos, '">', qm_h($f['name']), '</label></th><td>';
        if (qm_field_editable($f, $mode)) {
            $value = array_key_exists($pos, $values) ? $values[$pos] : null;
            echo qm_field_input($tm, $f, $value);
            $hint = qm_rule_hint($f);
            if ($hint !== '') {
                echo ' <span class="Hint">', qm_h($hint), '</span>';
            }
        } elseif ($f['col']['auto'] && $mode === 'add') {
            echo '<span class="Hint">assigned automatically</span>';
        } elseif ($record !== null) {
            echo qm_show_value($f, $record, false), ' <span class="Hint">(not changed here)</span>';
        } else {
            echo '<span class="Hint">not entered here</span>';
        }
        echo ' <span class="FieldError" id="err', $pos, '">', isset($errors[$pos]) ? qm_h($errors[$pos]) : '', '</span>';
        echo "</td></tr>\n";
    }
    echo '<tr><th></th><td><button type="submit" class="Button" id="Save">', $mode === 'add' ? 'Add record' : 'Save changes',
        '</button> <a href="', qm_h(qm_url('tablelist.php', array('t' => $tm['index']))), '" class="Cancel">Cancel</a></td></tr>', "\n";
    echo "</table>\n</form>\n";
    qm_form_script();
}

function qm_form_script()
{
    $js = <<<'JS'
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
    qm_script($js);
}

// The posted values of the form, position => text or list.
function qm_posted_values($tm)
{
    $posted = isset($_POST['f']) && is_array($_POST['f']) ? $_POST['f'] : array();
    $values = array();
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        if (!isset($posted[$pos])) {
            $values[$pos] = $f['col']['kind'] === 'set' ? array() : '';
            continue;
        }
        $v = $posted[$pos];
        if ($f['col']['kind'] === 'set') {
            $list = array();
            foreach (is_array($v) ? $v : array($v) as $item) {
                if (is_string($item) && $item !== '') {
                    $list[] = $item;
                }
            }
            $values[$pos] = $list;
        } else {
            $values[$pos] = is_string($v) ? $v : '';
        }
    }
    // A ticked NULL box stands for NULL when its input is empty; text typed beside it wins.
    $nulls = isset($_POST['n']) && is_array($_POST['n']) ? $_POST['n'] : array();
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        if (isset($nulls[$pos]) && qm_field_has_null_box($f) && ($values[$pos] === '' || $values[$pos] === array())) {
            $values[$pos] = null;
        }
    }
    return $values;
}

// Checks a value against its column's type. Returns a message or ''.
function qm_type_error($c, $v)
{
    switch ($c['kind']) {
        case 'int':
        case 'bit':
            if (!preg_match($c['unsigned'] || $c['kind'] === 'bit' ? '/^\+?\d{1,20}$/' : '/^[+-]?\d{1,19}$/', $v)) {
                return 'Must be a whole number' . ($c['unsigned'] ? ' of 0 or more' : '') . '.';
            }
            $ranges = array('tinyint' => 127, 'smallint' => 32767, 'mediumint' => 8388607, 'int' => 2147483647, 'integer' => 2147483647);
            if (isset($ranges[$c['base']])) {
                $hi = $c['unsigned'] ? $ranges[$c['base']] * 2 + 1 : $ranges[$c['base']];
                $lo = $c['unsigned'] ? 0 : -$ranges[$c['base']] - 1;
                if ((float)$v < $lo || (float)$v > $hi) {
                    return 'Must be a whole number from ' . $lo . ' to ' . $hi . '.';
                }
            }
            return '';
        case 'decimal':
        case 'float':
            if (!is_numeric($v)) {
                return 'Must be a number.';
            }
            if ($c['unsigned'] && (float)$v < 0) {
                return 'Must be 0 or more.';
            }
            return '';
        case 'year':
            return preg_match('/^\d{4}$/', $v) && ((int)$v === 0 || ((int)$v >= 1901 && (int)$v <= 2155)) ? '' : 'Must be a year from 1901 to 2155.';
        case 'date':
            if (preg_match('/^(\d{4})-(\d{1,2})-(\d{1,2})$/', $v, $m) && checkdate((int)$m[2], (int)$m[3], (int)$m[1])) {
                return '';
            }
            return 'Must be a date written YYYY-MM-DD.';
        case 'datetime':
            if (preg_match('/^(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.\d{1,6})?)?)?$/', $v, $m)
                && checkdate((int)$m[2], (int)$m[3], (int)$m[1])
                && (!isset($m[4]) || ((int)$m[4] < 24 && (int)$m[5] < 60 && (!isset($m[6]) || (int)$m[6] < 60)))) {
                return '';
            }
            return 'Must be a date and time written YYYY-MM-DD hh:mm:ss.';
        case 'time':
            return preg_match('/^-?\d{1,3}:[0-5]\d(?::[0-5]\d(?:\.\d{1,6})?)?$/', $v) ? '' : 'Must be a time written hh:mm:ss.';
        case 'enum':
            return in_array($v, $c['values'], true) ? '' : 'Choose one of the listed values.';
        case 'char':
            return $c['length'] > 0 && qm_text_length($v) > $c['length'] ? 'At most ' . $c['length'] . ' characters.' : '';
        case 'text':
            return $c['length'] > 0 && strlen($v) > $c['length'] ? 'The text is too long for this field.' : '';
    }
    return '';
}

// Checks the posted values and turns them into the values to write: position => text or null.
// Fields that are left to the server (its default, an automatic number) are absent from the
// result, and so are the fields of an edit form that come back as they were sent ($hashes: the
// tokens of qm_form_hashes). Returns [errors, values].
function qm_check_values($tm, $mode, $posted, $hashes = array())
{
    $errors = array();
    $out = array();
    $validate = qm_flag('PHPValidate');
    foreach ($tm['fields'] as $f) {
        if (!qm_field_editable($f, $mode)) {
            continue;
        }
        $pos = $f['pos'];
        $c = $f['col'];
        $rule = $f['rule'];
        $raw = $posted[$pos];
        if (isset($hashes[$pos]) && hash_equals($hashes[$pos], qm_form_hash($raw))) {
            continue;  // not changed: the stored value stays exactly as it is
        }
        if ($raw === null) {
            // The NULL box, which only nullable columns have.
            if ($validate && !$rule['nulls']) {
                $errors[$pos] = 'This field is required.';
                continue;
            }
            $out[$pos] = null;
            continue;
        }
        if ($c['kind'] === 'set') {
            foreach ($raw as $item) {
                if ($validate && !in_array($item, $c['values'], true)) {
                    $errors[$pos] = 'Choose only the listed values.';
                }
            }
            $v = implode(',', $raw);
        } else {
            $v = in_array($c['kind'], array('char', 'text', 'enum'), true) ? $raw : trim($raw);
        }
        if ($v === '') {
            if ($validate && !$rule['nulls']) {
                $errors[$pos] = 'This field is required.';
                continue;
            }
            if (qm_field_has_null_box($f)) {
                $out[$pos] = '';  // an empty text, not NULL: the NULL box was left empty
            } elseif ($c['nullable']) {
                $out[$pos] = null;
            } elseif ($mode === 'add' && $c['default'] !== null) {
                continue;  // the column's default applies
            } elseif (in_array($c['kind'], array('char', 'text', 'set'), true) || ($c['kind'] === 'enum' && in_array('', $c['values'], true))) {
                $out[$pos] = '';
            } elseif ($validate) {
                $errors[$pos] = 'A value is needed.';
            } else {
                $out[$pos] = '';
            }
            continue;
        }
        if ($validate) {
            $message = $c['kind'] === 'set' ? '' : qm_type_error($c, $v);
            if ($message === '' && $rule['chars'] !== '') {
                $missing = array();
                foreach (preg_split('//u', $rule['chars'], -1, PREG_SPLIT_NO_EMPTY) ?: str_split($rule['chars']) as $ch) {
                    if (strpos($v, $ch) === false) {
                        $missing[] = $ch;
                    }
                }
                if (count($missing) > 0) {
                    $message = 'Must include: ' . implode(' ', $missing);
                }
            }
            if ($message === '' && $rule['limits']) {
                if ($c['numeric']) {
                    if (!is_numeric($v) || (float)$v < $rule['min'] || (float)$v > $rule['max']) {
                        $message = 'Must be a number from ' . $rule['min'] . ' to ' . $rule['max'] . '.';
                    }
                } else {
                    $len = qm_text_length($v);
                    if ($len < $rule['min'] || $len > $rule['max']) {
                        $message = 'Must be ' . $rule['min'] . ' to ' . $rule['max'] . ' characters long.';
                    }
                }
            }
            if ($message === '' && $f['lookup'] !== null
                && count(qm_query('SELECT 1 FROM ' . qm_ident($f['lookup']['table']) . ' WHERE ' . qm_ident($f['lookup']['ref']) . ' = ? LIMIT 1', array($v))) === 0) {
                $message = 'Choose one of the listed values.';
            }
            if ($message !== '') {
                $errors[$pos] = $message;
                continue;
            }
        }
        $out[$pos] = $v;
    }
    return array($errors, $out);
}

// The placeholder of a value in INSERT and UPDATE: some kinds are converted by the server.
function qm_value_placeholder($f)
{
    if ($f['col']['kind'] === 'geometry') {
        return 'ST_GeomFromText(?)';
    }
    if ($f['col']['kind'] === 'bit') {
        return 'CAST(? AS UNSIGNED)';
    }
    return '?';
}

// The server wants a value for a column the INSERT left out: named, so that whoever runs the
// site knows which column to put on the form. $values: the values that were written.
function qm_missing_columns_message($tm, $values)
{
    $written = array();
    foreach ($tm['fields'] as $f) {
        if (array_key_exists($f['pos'], $values)) {
            $written[$f['name']] = true;
        }
    }
    $missing = array();
    foreach ($tm['columns'] as $c) {
        if (!isset($written[$c['name']]) && !$c['nullable'] && $c['default'] === null && !$c['auto'] && !$c['generated']) {
            $missing[] = '"' . $c['name'] . '"';
        }
    }
    if (count($missing) === 0) {
        return 'A column that is not on this form needs a value, so the record cannot be saved here.';
    }
    return (count($missing) === 1 ? 'The column ' : 'The columns ') . implode(', ', $missing)
        . (count($missing) === 1 ? ' is' : ' are') . ' not on this form but need' . (count($missing) === 1 ? 's' : '')
        . ' a value, so the record cannot be saved here.';
}

// What the visitor is told when the server refuses a change: never the statement or its text.
function qm_db_error_message($e)
{
    $messages = array(
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
    );
    $code = (int)$e->getCode();
    return isset($messages[$code]) ? $messages[$code] : 'The database did not accept the change.';
}
