<?php
// Carries out the changes of the add, edit and delete forms. Only POST requests with the form's
// token are accepted; every option is checked here again, whatever the links showed.
define('QM_PAGE', 'execute');
define('QM_FORMS', true);
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/validator.php';

if (!qm_is_post()) {
    header('Allow: POST');
    qm_fail(405, 'Records are only changed through the forms of this site.');
}
if (!qm_csrf_valid()) {
    qm_fail(403, 'The form has expired. Please open it again and repeat the change.');
}
$action = qm_param('action', $_POST);
$options = array('add' => array('Add', 'Adding records is not allowed.'),
    'edit' => array('Edit', 'Editing records is not allowed.'),
    'delete' => array('Delete', 'Deleting records is not allowed.'));
if ($action === null || !isset($options[$action])) {
    qm_fail(400, 'The request was not understood.');
}
qm_require_option($options[$action][0], $options[$action][1]);
$ti = qm_request_table($_POST);
$tm = qm_table($ti);
$key = null;
if ($action !== 'add') {
    $key = qm_request_key($tm, $_POST);
    if ($key === null) {
        qm_fail(404, 'The record was not found.');
    }
}
$table = qm_ident($tm['name']);

if ($action === 'delete') {
    try {
        $n = qm_execute('DELETE FROM ' . $table . ' WHERE ' . qm_key_where($tm, $table) . ' LIMIT 1', $key);
    } catch (mysqli_sql_exception $e) {
        error_log('quillmere site: delete refused: ' . $e->getMessage());
        qm_fail(409, qm_db_error_message($e));
    }
    if ($n < 1) {
        qm_fail(404, 'The record was not found; it may have been deleted already.');
    }
    qm_flash('The record was deleted.');
    qm_redirect(qm_url('tablelist.php', array('t' => $ti)));
}

$record = null;
if ($action === 'edit') {
    $record = qm_fetch_record($tm, $key);
    if ($record === null) {
        qm_fail(404, 'The record was not found; it may have been deleted.');
    }
}
$posted = qm_posted_values($tm);
$hashes = $action === 'edit' ? qm_posted_hashes($tm) : array();
list($errors, $values) = qm_check_values($tm, $action, $posted, $hashes);
$message = '';
$newKey = $key;
if (count($errors) === 0) {
    $names = array();
    $holders = array();
    $params = array();
    foreach ($tm['fields'] as $f) {
        if (array_key_exists($f['pos'], $values)) {
            $names[] = qm_ident($f['name']);
            $holders[] = qm_value_placeholder($f);
            $params[] = $values[$f['pos']];
        }
    }
    try {
        if ($action === 'add') {
            $sql = count($names) > 0
                ? 'INSERT INTO ' . $table . ' (' . implode(', ', $names) . ') VALUES (' . implode(', ', $holders) . ')'
                : 'INSERT INTO ' . $table . ' () VALUES ()';
            qm_execute($sql, $params);
            $newKey = qm_inserted_key($tm, $values);
        } elseif (count($names) > 0) {
            $sets = array();
            foreach ($names as $i => $n) {
                $sets[] = $n . ' = ' . $holders[$i];
            }
            foreach ($key as $k) {
                $params[] = $k;
            }
            qm_execute('UPDATE ' . $table . ' SET ' . implode(', ', $sets) . ' WHERE ' . qm_key_where($tm, $table) . ' LIMIT 1', $params);
            $newKey = qm_updated_key($tm, $key, $values);
        }
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
    qm_redirect(qm_url('view.php', array('t' => $ti, 'k' => $newKey)));
}
qm_redirect(qm_url('tablelist.php', array('t' => $ti)));

// The key of a new record: the automatic number, or the key values as entered.
function qm_inserted_key($tm, $values)
{
    global $db;
    $key = array();
    foreach ($tm['pk'] as $k) {
        $c = $tm['columns'][$k];
        $found = null;
        foreach ($tm['fields'] as $f) {
            if ($f['name'] === $k && array_key_exists($f['pos'], $values) && $values[$f['pos']] !== null) {
                $found = (string)$values[$f['pos']];
            }
        }
        if ($found === null && $c['auto'] && $db->insert_id) {
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
function qm_updated_key($tm, $key, $values)
{
    foreach ($tm['pk'] as $j => $k) {
        foreach ($tm['fields'] as $f) {
            if ($f['name'] === $k && array_key_exists($f['pos'], $values) && $values[$f['pos']] !== null) {
                $key[$j] = (string)$values[$f['pos']];
            }
        }
    }
    return $key;
}
