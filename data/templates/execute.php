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

// Deletes one record and goes back to the list; a record that is gone already answers 404.
function qm_delete_record(array $tm, array $key): void
{
    $table = qm_ident($tm['name']);
    try {
        $deleted = qm_execute('DELETE FROM ' . $table . ' WHERE ' . qm_key_where($tm, $table) . ' LIMIT 1', $key);
    } catch (mysqli_sql_exception $e) {
        error_log('quillmere site: delete refused: ' . $e->getMessage());
        qm_fail(409, qm_db_error_message($e));
    }
    if ($deleted < 1) {
        qm_fail(404, 'The record was not found; it may have been deleted already.');
    }
    qm_flash('The record was deleted.');
    qm_redirect(qm_url('tablelist.php', ['t' => $tm['index']]));
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

// The record as it is now: it may have gone since its form was opened.
$record = null;
if ($action === 'edit') {
    $record = qm_fetch_record($tm, $key);
    if ($record === null) {
        qm_fail(404, 'The record was not found; it may have been deleted.');
    }
}
$posted = qm_posted_values($tm);
$hashes = $action === 'edit' ? qm_posted_hashes($tm) : [];
[$errors, $values] = qm_check_values($tm, $action, $posted, $hashes);
$message = '';
$newKey = $key;
if (count($errors) === 0) {
    try {
        $newKey = $action === 'add' ? qm_insert_record($tm, $values) : qm_update_record($tm, $key, $values);
    } catch (mysqli_sql_exception $e) {
        error_log('quillmere site: change refused: ' . $e->getMessage());
        $message = (int)$e->getCode() === 1364 ? qm_missing_columns_message($tm, $values) : qm_db_error_message($e);
    }
}

if (count($errors) > 0 || $message !== '') {
    // The form again, with the visitor's input and the reasons beside the fields.
    http_response_code(422);
    qm_page_start(($action === 'add' ? 'Add a record to ' : 'Edit a record of ') . $tm['name']);
    qm_render_form($tm, $action, $posted, $errors, $key, $record, $message, $hashes);
    qm_page_end();
    exit;
}

qm_flash($action === 'add' ? 'The record was added.' : 'The record was saved.');
if ($newKey !== null && qm_flag('View')) {
    qm_redirect(qm_url('view.php', ['t' => $ti, 'k' => $newKey]));
}
qm_redirect(qm_url('tablelist.php', ['t' => $ti]));
