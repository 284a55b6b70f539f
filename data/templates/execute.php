<?php
// Carries out the changes of the add, edit and delete forms. Only POST requests with the form's
// token are accepted; every option is checked here again, whatever the links showed.
define('QM_PAGE', 'execute');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

// The option each action needs, and what the visitor is told when it is off.
const QM_ACTION_OPTIONS = [
    'add' => ['Add', 'Adding records is not allowed.'],
    'edit' => ['Edit', 'Editing records is not allowed.'],
    'delete' => ['Delete', 'Deleting records is not allowed.'],
];

// What the visitor is told when a record changed after its form was shown.
const QM_CHANGED_MESSAGE = 'Someone else changed this record after you opened it, so nothing was saved.'
    . ' Their values are shown beside the fields they changed; saving again will overwrite them with yours.';
const QM_CHANGED_BEFORE_DELETE = 'Someone else changed this record after you asked to delete it, so it was not deleted.'
    . ' These are its values now: delete it again if it should still go.';

// What a before-hook's answer means: a text refuses the change and is shown to the visitor.
function qm_hook_refusal($answer): ?string
{
    return is_string($answer) && $answer !== '' ? $answer : null;
}

// Deletes one record and goes back to the list. The record is locked while it is compared with
// the one its confirmation page showed: one changed since goes back to that page with its values
// now, and one that is gone already answers 404. The table's before_delete hook may refuse.
function qm_delete_record(array $tm, array $key): void
{
    global $db;
    $table = qm_ident($tm['name']);
    $named = qm_named_key($tm, $key);
    $deleted = 0;
    $db->begin_transaction();
    try {
        $record = qm_fetch_record($tm, $key, true);
        if ($record !== null && qm_record_changed($tm, $record)) {
            $db->rollback();
            qm_flash(QM_CHANGED_BEFORE_DELETE);
            qm_redirect(qm_url('delete.php', ['t' => $tm['index'], 'k' => $key]));
        }
        $hook = $record === null ? null : qm_hook($tm['name'], 'before_delete');
        $refusal = $hook === null ? null : qm_hook_refusal($hook($named));
        if ($refusal !== null) {
            $db->rollback();
            qm_fail(403, $refusal);
        }
        if ($record !== null) {
            $deleted = qm_execute('DELETE FROM ' . $table . ' WHERE ' . qm_key_where($tm, $table) . ' LIMIT 1', $key);
        }
        $db->commit();
    } catch (mysqli_sql_exception $e) {
        $db->rollback();
        error_log('quillmere site: delete refused: ' . $e->getMessage());
        qm_fail(409, qm_db_error_message($e));
    }
    if ($deleted < 1) {
        qm_fail(404, 'The record was not found; it may have been deleted already.');
    }
    $hook = qm_hook($tm['name'], 'after_delete');
    if ($hook !== null) {
        $hook($named);
    }
    qm_flash('The record was deleted.');
    qm_redirect(qm_url('tablelist.php', ['t' => $tm['index']]));
}

// name => value of the values to write, as the hooks get them.
function qm_named_values(array $tm, array $values): array
{
    $named = [];
    foreach ($tm['fields'] as $f) {
        if (array_key_exists($f['pos'], $values)) {
            $named[$f['name']] = $values[$f['pos']];
        }
    }
    return $named;
}

// The values a hook left, back by position: names that are not fields of the form are dropped.
function qm_positioned_values(array $tm, array $named): array
{
    $values = [];
    foreach ($tm['fields'] as $f) {
        if (array_key_exists($f['name'], $named)) {
            $value = $named[$f['name']];
            $values[$f['pos']] = $value === null || is_scalar($value) ? $value : null;
        }
    }
    return $values;
}

// Runs the before_insert or before_update hook on the values to write. Returns [refusal or null,
// the values as the hook left them].
function qm_before_write(array $tm, string $action, array $values, ?array $key): array
{
    $hook = qm_hook($tm['name'], $action === 'add' ? 'before_insert' : 'before_update');
    if ($hook === null) {
        return [null, $values];
    }
    $named = qm_named_values($tm, $values);
    $answer = $action === 'add' ? $hook($named) : $hook($named, qm_named_key($tm, $key));
    return [qm_hook_refusal($answer), qm_positioned_values($tm, $named)];
}

// Runs the after_insert or after_update hook with the values written and the record's key.
function qm_after_write(array $tm, string $action, array $values, ?array $key): void
{
    $hook = qm_hook($tm['name'], $action === 'add' ? 'after_insert' : 'after_update');
    if ($hook !== null) {
        $hook(qm_named_values($tm, $values), $key === null ? [] : qm_named_key($tm, $key));
    }
}

// position => stored value (HTML) of each field of an edit form that someone else changed: the
// token the form sent for it ($sent) differs from the token of its value now ($now).
function qm_fields_changed_meanwhile(array $tm, array $record, array $sent, array $now): array
{
    $others = [];
    foreach ($tm['fields'] as $f) {
        $pos = $f['pos'];
        if (isset($sent[$pos], $now[$pos]) && !hash_equals($now[$pos], $sent[$pos])) {
            $others[$pos] = qm_show_value($f, $record, false);
        }
    }
    return $others;
}

// [quoted column, placeholder, value] of each value to write, in field order.
function qm_written_columns(array $tm, array $values): array
{
    $columns = [];
    foreach ($tm['fields'] as $f) {
        if (array_key_exists($f['pos'], $values)) {
            $columns[] = [qm_ident($f['name']), qm_value_placeholder($f), $values[$f['pos']]];
        }
    }
    return $columns;
}

// Adds a record with the checked values; returns its key, or null when it cannot be told.
function qm_insert_record(array $tm, array $values): ?array
{
    $columns = qm_written_columns($tm, $values);
    qm_execute('INSERT INTO ' . qm_ident($tm['name']) . ' (' . implode(', ', array_column($columns, 0))
        . ') VALUES (' . implode(', ', array_column($columns, 1)) . ')', array_column($columns, 2));
    return qm_inserted_key($tm, $values);
}

// Writes the changed values of a record (nothing when none changed); returns its key afterwards.
function qm_update_record(array $tm, array $key, array $values): array
{
    $columns = qm_written_columns($tm, $values);
    if (count($columns) === 0) {
        return $key;
    }
    $table = qm_ident($tm['name']);
    $sets = [];
    foreach ($columns as [$name, $placeholder]) {
        $sets[] = $name . ' = ' . $placeholder;
    }
    qm_execute('UPDATE ' . $table . ' SET ' . implode(', ', $sets) . ' WHERE ' . qm_key_where($tm, $table) . ' LIMIT 1',
        array_merge(array_column($columns, 2), $key));
    return qm_updated_key($tm, $key, $values);
}

// The key of a new record: the automatic number, or the key values as entered.
function qm_inserted_key(array $tm, array $values): ?array
{
    global $db;
    $key = [];
    foreach ($tm['pk'] as $k) {
        $found = qm_written_key_value($tm, $k, $values);
        if ($found === null && $tm['columns'][$k]['auto'] && $db->insert_id) {
            $found = (string)$db->insert_id;
        }
        if ($found === null) {
            return null;
        }
        $key[] = $found;
    }
    return count($key) > 0 ? $key : null;
}

// The key after an edit, which may have changed a key column.
function qm_updated_key(array $tm, array $key, array $values): array
{
    foreach ($tm['pk'] as $j => $k) {
        $key[$j] = qm_written_key_value($tm, $k, $values) ?? $key[$j];
    }
    return $key;
}

// The value written to a key column, or null when none (or NULL) was written.
function qm_written_key_value(array $tm, string $column, array $values): ?string
{
    $found = null;
    foreach ($tm['fields'] as $f) {
        if ($f['name'] === $column && isset($values[$f['pos']])) {
            $found = (string)$values[$f['pos']];
        }
    }
    return $found;
}

if (!qm_is_post()) {
    header('Allow: POST');
    qm_fail(405, 'Records are only changed through the forms of this site.');
}
if (!qm_csrf_valid()) {
    qm_fail(403, 'The form has expired. Please open it again and repeat the change.');
}
$action = qm_param('action', $_POST);
if ($action === null || !array_key_exists($action, QM_ACTION_OPTIONS)) {
    qm_fail(400, 'The request was not understood.');
}
[$option, $refusal] = QM_ACTION_OPTIONS[$action];
// The option comes first: a switched-off action is refused whatever table it names.
qm_require_option($option, $refusal);
$request = qm_record_request($option, $refusal, $action === 'add' ? 'table' : 'key', $_POST);
['ti' => $ti, 'tm' => $tm, 'key' => $key] = $request;

if ($action === 'delete') {
    qm_delete_record($tm, $key);
}

// The record as it is now, locked until the change is written: it may have gone, or been changed
// by someone else, since its form was opened.
$record = null;
$changed = false;
if ($action === 'edit') {
    $db->begin_transaction();
    $record = qm_fetch_record($tm, $key, true);
    if ($record === null) {
        $db->rollback();
        qm_fail(404, 'The record was not found; it may have been deleted.');
    }
    $changed = qm_record_changed($tm, $record);
}
$posted = qm_posted_values($tm);
$hashes = $action === 'edit' ? qm_posted_hashes($tm) : [];
[$errors, $values] = qm_check_values($tm, $action, $posted, $hashes);
$message = '';
$others = [];
$newKey = $key;
if ($changed) {
    // Nothing is written. The form comes again with the other visitor's values beside the fields
    // and the tokens of the record now, so that saving again writes what this visitor sees.
    $now = qm_form_hashes($tm, qm_record_values($tm, $record));
    $others = qm_fields_changed_meanwhile($tm, $record, $hashes, $now);
    $hashes = $now;
    $message = QM_CHANGED_MESSAGE;
} elseif (count($errors) === 0) {
    [$refusal, $values] = qm_before_write($tm, $action, $values, $key);
    try {
        if ($refusal !== null) {
            $message = $refusal;
        } else {
            $newKey = $action === 'add' ? qm_insert_record($tm, $values) : qm_update_record($tm, $key, $values);
        }
    } catch (mysqli_sql_exception $e) {
        error_log('quillmere site: change refused: ' . $e->getMessage());
        $message = (int)$e->getCode() === 1364 ? qm_missing_columns_message($tm, $values) : qm_db_error_message($e);
    }
}
$written = count($errors) === 0 && $message === '';
if ($action === 'edit') {
    $written ? $db->commit() : $db->rollback();
}

if (!$written) {
    // The form again, with the visitor's input and the reasons beside the fields.
    http_response_code($changed ? 409 : 422);
    qm_page_start(($action === 'add' ? 'Add a record to ' : 'Edit a record of ') . $tm['name']);
    qm_render_form($tm, $action, $posted, $errors, $key, $record, $message, $hashes, $others);
    qm_page_end();
    exit;
}
qm_after_write($tm, $action, $values, $newKey);

qm_flash($action === 'add' ? 'The record was added.' : 'The record was saved.');
if ($newKey !== null && qm_flag('View')) {
    qm_redirect(qm_url('view.php', ['t' => $ti, 'k' => $newKey]));
}
qm_redirect(qm_url('tablelist.php', ['t' => $ti]));
