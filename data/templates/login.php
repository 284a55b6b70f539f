<?php
// Logging in (when config.php sets $Admin) and logging out.
define('QM_PAGE', 'login');
require __DIR__ . '/main.php';

if (!qm_login_required()) {
    qm_redirect('index.php');
}
if (!qm_is_post()) {
    if (qm_logged_in()) {
        qm_redirect('index.php');
    }
    qm_login_form('', qm_safe_next(qm_param('next')));
}
if (!qm_csrf_valid()) {
    http_response_code(403);
    qm_login_form('The form has expired. Please log in again.');
}
if (qm_param('logout', $_POST) !== null) {
    $_SESSION = array();
    session_regenerate_id(true);
    qm_flash('You have been logged out.');
    qm_redirect('login.php');
}
$user = (string)qm_param('user', $_POST);
$pass = (string)qm_param('pass', $_POST);
$next = qm_safe_next(qm_param('next', $_POST));
// Both texts are always compared, in constant time, so the answer tells nothing about which was wrong.
$userOk = hash_equals(hash('sha256', qm_setting('Admin')), hash('sha256', $user));
$passOk = hash_equals(hash('sha256', qm_setting('AdminPass')), hash('sha256', $pass));
if (!($userOk && $passOk)) {
    usleep(250000);
    http_response_code(403);
    qm_login_form('The user name or password is not correct.', $next, $user);
}
// A new session id at login, so that an id planted before cannot be used afterwards.
session_regenerate_id(true);
$_SESSION['qm_login'] = qm_login_mark();
unset($_SESSION['qm_csrf']);
qm_redirect($next);
