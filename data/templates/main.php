<?php
// Shared start of every page: error handling, the settings of config.php, the database connection,
// the session with its login and form tokens, and the page frame. Each page defines QM_PAGE and
// includes this file first.

// PHP names itself and its version in every answer unless told not to.
header_remove('X-Powered-By');

if (!defined('QM_PAGE')) {
    header('Location: index.php', true, 302);
    exit;
}

error_reporting(E_ALL);
// Visitors never see PHP's own messages (they carry paths); they go to the server's log.
ini_set('display_errors', '0');
ini_set('log_errors', '1');

define('QM_COUNT_LIMIT', 20000);   // above this estimate a table's rows are not counted exactly
define('QM_LOOKUP_LIMIT', 1000);   // above this a lookup offers a search box instead of a list
define('QM_TEXT_CUT', 60);         // characters of a long text shown in a list

// ---------------------------------------------------------------------------------------------
// Errors

function qm_fail($status, $message)
{
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    http_response_code($status);
    qm_page_start('Error');
    echo '<p class="ErrorMessage">', qm_h($message), "</p>\n";
    echo '<p><a href="index.php">Back to the list of tables</a></p>', "\n";
    qm_page_end();
    exit;
}

function qm_exception_handler($e)
{
    error_log('quillmere site: ' . get_class($e) . ': ' . $e->getMessage() . ' in ' . $e->getFile()
        . ':' . $e->getLine());
    qm_fail(500, 'Something went wrong while the page was being prepared. Please try again later.');
}
set_exception_handler('qm_exception_handler');

// ---------------------------------------------------------------------------------------------
// The generated database.php calls mysql_connect and mysql_select_db, which PHP no longer has.
// These stand-ins open the same connection through mysqli. The server may be given as "host",
// "host:port", "host:/path/to/socket", ":/path/to/socket" or "[ipv6]:port".

if (!function_exists('mysql_connect')) {
    function mysql_connect($server = null, $username = null, $password = null)
    {
        $host = ($server === null || $server === '') ? 'localhost' : (string)$server;
        $port = null;
        $socket = null;
        // mysqli resolves an IPv6 address only in its bracketed form, "[::1]".
        if (preg_match('/^\[([^\]]+)\](?::(\d+))?$/', $host, $m)) {
            $host = '[' . $m[1] . ']';
            $port = isset($m[2]) ? (int)$m[2] : null;
        } elseif (substr_count($host, ':') > 1) {
            $host = '[' . $host . ']';
        } elseif (preg_match('/^([^:]*):(.+)$/', $host, $m) && substr_count($host, ':') === 1) {
            $host = $m[1] === '' ? 'localhost' : $m[1];
            if (ctype_digit($m[2])) {
                $port = (int)$m[2];
            } else {
                $socket = $m[2];
            }
        }
        $link = mysqli_init();
        // The character set travels with the handshake: no extra round trip per page.
        mysqli_options($link, MYSQLI_SET_CHARSET_NAME, 'utf8mb4');
        try {
            $ok = @mysqli_real_connect($link, $host, (string)$username, (string)$password, null, $port, $socket);
        } catch (mysqli_sql_exception $e) {
            error_log('quillmere site: cannot connect: ' . $e->getMessage());
            return false;
        }
        if (!$ok) {
            error_log('quillmere site: cannot connect: ' . mysqli_connect_error());
            return false;
        }
        $GLOBALS['qm_link'] = $link;
        return $link;
    }

    function mysql_select_db($database, $link = null)
    {
        if (!($link instanceof mysqli)) {
            $link = isset($GLOBALS['qm_link']) ? $GLOBALS['qm_link'] : null;
        }
        if (!($link instanceof mysqli)) {
            return false;
        }
        try {
            $ok = @mysqli_select_db($link, (string)$database);
        } catch (mysqli_sql_exception $e) {
            error_log('quillmere site: cannot select the database: ' . $e->getMessage());
            return false;
        }
        if ($ok) {
            $GLOBALS['qm_database_name'] = (string)$database;
        }
        return $ok;
    }
}

// ---------------------------------------------------------------------------------------------
// Settings. Stray output of the generated scripts (a byte-order mark, blank lines) is dropped so
// that headers can still be sent.

ob_start();
require __DIR__ . '/config.php';
ob_end_clean();

function qm_flag($name)
{
    return isset($GLOBALS[$name]) && $GLOBALS[$name] == true;
}

function qm_setting($name, $default = '')
{
    return isset($GLOBALS[$name]) && is_scalar($GLOBALS[$name]) ? (string)$GLOBALS[$name] : $default;
}

function qm_per_page()
{
    $n = isset($GLOBALS['RecsPerPage']) ? (int)$GLOBALS['RecsPerPage'] : 0;
    return $n > 0 ? $n : 10;
}

// ---------------------------------------------------------------------------------------------
// Small helpers

function qm_h($text)
{
    return htmlspecialchars((string)$text, ENT_QUOTES | ENT_SUBSTITUTE | ENT_HTML5, 'UTF-8');
}

// A request parameter as text; anything else (missing, an array) gives null.
function qm_param($name, $source = null)
{
    $source = $source === null ? $_GET : $source;
    return isset($source[$name]) && is_string($source[$name]) ? $source[$name] : null;
}

// A request parameter that must be a list of texts.
function qm_param_list($name, $source = null)
{
    $source = $source === null ? $_GET : $source;
    if (!isset($source[$name]) || !is_array($source[$name])) {
        return null;
    }
    $out = array();
    foreach ($source[$name] as $value) {
        if (!is_string($value)) {
            return null;
        }
        $out[] = $value;
    }
    return $out;
}

function qm_url($page, $params)
{
    $query = http_build_query($params, '', '&', PHP_QUERY_RFC3986);
    return $page . ($query === '' ? '' : '?' . $query);
}

// A path of this site's own files as it goes into a link: each segment URL-encoded, so that a
// file name holding '#', '?', '%' or a space still names the file. The link is HTML-escaped too.
function qm_path_url($path)
{
    return implode('/', array_map('rawurlencode', explode('/', (string)$path)));
}

function qm_redirect($url)
{
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    header('Location: ' . $url, true, 303);
    exit;
}

function qm_is_post()
{
    return isset($_SERVER['REQUEST_METHOD']) && $_SERVER['REQUEST_METHOD'] === 'POST';
}

// Texts are cut by characters, not bytes, without needing the mbstring extension.
function qm_text_length($text)
{
    $n = preg_match_all('/./us', (string)$text);
    return $n === false ? strlen((string)$text) : $n;
}

function qm_cut($text, $limit)
{
    $text = (string)$text;
    if (strlen($text) <= $limit) {
        return $text;
    }
    if (preg_match('/^.{' . (int)$limit . '}/us', $text, $m) && strlen($m[0]) < strlen($text)) {
        return $m[0] . "\u{2026}";
    }
    return $text;
}

// Runs one statement. Values are always bound, never put into the text.
function qm_query($sql, $params = array())
{
    global $db;
    if (count($params) === 0) {
        $result = $db->query($sql);
        $rows = array();
        if ($result instanceof mysqli_result) {
            while ($row = $result->fetch_assoc()) {
                $rows[] = $row;
            }
            $result->free();
        }
        return $rows;
    }
    $stmt = $db->prepare($sql);
    $values = array();
    foreach ($params as $p) {
        $values[] = $p === null ? null : (string)$p;
    }
    $stmt->bind_param(str_repeat('s', count($values)), ...$values);
    $stmt->execute();
    $rows = array();
    if (method_exists($stmt, 'get_result')) {
        $result = $stmt->get_result();
        if ($result instanceof mysqli_result) {
            while ($row = $result->fetch_assoc()) {
                $rows[] = $row;
            }
        }
    } else {
        $meta = $stmt->result_metadata();
        if ($meta) {
            $row = array();
            $refs = array();
            foreach ($meta->fetch_fields() as $f) {
                $row[$f->name] = null;
                $refs[] = &$row[$f->name];
            }
            $stmt->bind_result(...$refs);
            while ($stmt->fetch()) {
                $copy = array();
                foreach ($row as $k => $v) {
                    $copy[$k] = $v;
                }
                $rows[] = $copy;
            }
        }
    }
    $stmt->close();
    return $rows;
}

function qm_execute($sql, $params)
{
    global $db;
    $stmt = $db->prepare($sql);
    $values = array();
    foreach ($params as $p) {
        $values[] = $p === null ? null : (string)$p;
    }
    if (count($values) > 0) {
        $stmt->bind_param(str_repeat('s', count($values)), ...$values);
    }
    $stmt->execute();
    $affected = $stmt->affected_rows;
    $stmt->close();
    return $affected;
}

// ---------------------------------------------------------------------------------------------
// Session, login and form tokens

// Each generated site has a cookie of its own, so two sites on one host do not share logins.
function qm_session_name()
{
    return 'qm' . substr(sha1(__DIR__), 0, 12);
}

function qm_session_start()
{
    if (session_status() === PHP_SESSION_ACTIVE) {
        return;
    }
    $https = !empty($_SERVER['HTTPS']) && $_SERVER['HTTPS'] !== 'off';
    $path = isset($_SERVER['SCRIPT_NAME']) ? str_replace('\\', '/', dirname($_SERVER['SCRIPT_NAME'])) : '/';
    $path = rtrim($path, '/') . '/';
    session_name(qm_session_name());
    session_set_cookie_params(array(
        'lifetime' => 0, 'path' => $path, 'secure' => $https, 'httponly' => true, 'samesite' => 'Lax',
    ));
    ini_set('session.use_strict_mode', '1');
    ini_set('session.use_only_cookies', '1');
    session_start();
}

function qm_login_required()
{
    return qm_setting('Admin') !== '';
}

// What a logged-in session holds: tied to the configured name and password, so that changing
// either in config.php ends every open session.
function qm_login_mark()
{
    return hash('sha256', qm_setting('Admin') . "\0" . qm_setting('AdminPass'));
}

function qm_logged_in()
{
    if (!qm_login_required()) {
        return true;
    }
    return isset($_SESSION['qm_login']) && is_string($_SESSION['qm_login'])
        && hash_equals(qm_login_mark(), $_SESSION['qm_login']);
}

function qm_csrf_token()
{
    qm_session_start();
    if (!isset($_SESSION['qm_csrf']) || !is_string($_SESSION['qm_csrf'])) {
        $_SESSION['qm_csrf'] = bin2hex(random_bytes(32));
    }
    return $_SESSION['qm_csrf'];
}

function qm_csrf_field()
{
    return '<input type="hidden" name="csrf" value="' . qm_h(qm_csrf_token()) . '">';
}

function qm_csrf_valid()
{
    qm_session_start();
    $sent = qm_param('csrf', $_POST);
    return $sent !== null && isset($_SESSION['qm_csrf']) && is_string($_SESSION['qm_csrf'])
        && hash_equals($_SESSION['qm_csrf'], $sent);
}

function qm_flash($message = null)
{
    if ($message !== null) {
        qm_session_start();
        $_SESSION['qm_flash'] = $message;
        return null;
    }
    $m = isset($_SESSION['qm_flash']) ? (string)$_SESSION['qm_flash'] : '';
    unset($_SESSION['qm_flash']);
    return $m;
}

// Where a login returns to: only one of this site's own pages.
function qm_safe_next($next)
{
    if (is_string($next) && preg_match('/^[a-z]+\.php(\?[^\s\\\\]*)?$/', $next) && strpos($next, '//') === false) {
        return $next;
    }
    return 'index.php';
}

function qm_login_form($error = '', $next = 'index.php', $user = '')
{
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    qm_page_start('Log in', false);
    echo '<form method="post" action="login.php" class="LoginForm" id="LoginForm">', qm_csrf_field(), "\n";
    echo '<input type="hidden" name="next" value="', qm_h(qm_safe_next($next)), '">', "\n";
    if ($error !== '') {
        echo '<p class="ErrorMessage" role="alert">', qm_h($error), "</p>\n";
    }
    echo '<table class="FormTable">', "\n";
    echo '<tr><th><label for="user">User name</label></th><td><input type="text" id="user" name="user" value="',
        qm_h($user), '" autocomplete="username" autofocus required></td></tr>', "\n";
    echo '<tr><th><label for="pass">Password</label></th><td><input type="password" id="pass" name="pass" ',
        'autocomplete="current-password"></td></tr>', "\n";
    echo '<tr><th></th><td><button type="submit" class="Button">Log in</button></td></tr>', "\n";
    echo "</table>\n</form>\n";
    qm_page_end();
    exit;
}

// A session is opened when there is one already, when a login is needed, or when a page needs a
// form token; a visitor who only reads gets no session at all.
if (qm_login_required() || isset($_COOKIE[qm_session_name()])) {
    qm_session_start();
}

$qm_nonce = base64_encode(random_bytes(12));
header('Content-Type: text/html; charset=utf-8');
header("Content-Security-Policy: default-src 'self'; script-src 'self' 'nonce-" . $qm_nonce
    . "'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; frame-ancestors 'none'; form-action 'self'");
header('X-Content-Type-Options: nosniff');
header('X-Frame-Options: DENY');
header('Referrer-Policy: same-origin');
header('Cache-Control: no-store');

if (QM_PAGE !== 'login' && !qm_logged_in()) {
    $here = basename(isset($_SERVER['SCRIPT_NAME']) ? $_SERVER['SCRIPT_NAME'] : 'index.php');
    $next = qm_is_post() ? 'index.php' : $here . (empty($_SERVER['QUERY_STRING']) ? '' : '?' . $_SERVER['QUERY_STRING']);
    http_response_code(qm_is_post() ? 403 : 200);
    qm_login_form('', $next);
}

// ---------------------------------------------------------------------------------------------
// The connection, opened only once the visitor may see the page. The login page needs none: a
// visitor who has not logged in makes nothing run on the database, the extra statements included.
// (The functions below are declared all the same: PHP declares a file's functions before running it.)

if (QM_PAGE === 'login') {
    return;
}

ob_start();
require __DIR__ . '/database.php';
ob_end_clean();
ob_start();

if (!isset($db) || !($db instanceof mysqli)) {
    $db = isset($GLOBALS['qm_link']) ? $GLOBALS['qm_link'] : null;
}
if (!($db instanceof mysqli) || empty($GLOBALS['qm_database_name'])) {
    qm_fail(503, 'The database cannot be reached right now. Please try again later.');
}
mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);
if ($db->character_set_name() !== 'utf8mb4') {
    $db->set_charset('utf8mb4');
}
if (isset($ExtraQueryes) && is_array($ExtraQueryes)) {
    foreach ($ExtraQueryes as $extra) {
        try {
            $db->query((string)$extra);
        } catch (mysqli_sql_exception $e) {
            error_log('quillmere site: extra statement failed: ' . $e->getMessage());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Tables of config.php

// Index => table name, for every table config.php lists.
function qm_table_names()
{
    $out = array();
    if (isset($GLOBALS['TableNames']) && is_array($GLOBALS['TableNames'])) {
        foreach ($GLOBALS['TableNames'] as $i => $name) {
            if (is_scalar($name) && (string)$name !== '') {
                $out[(string)$i] = (string)$name;
            }
        }
    }
    return $out;
}

// The table index of the request; an unknown one ends the page.
function qm_request_table($source = null)
{
    $t = qm_param('t', $source);
    $names = qm_table_names();
    if ($t === null || !isset($names[$t])) {
        qm_fail(404, 'There is no such table.');
    }
    return $t;
}

// ---------------------------------------------------------------------------------------------
// Page frame. Class names follow the generated appearance stylesheets: header rows are
// TR.Header, every second row TR.TableAltRow.

function qm_page_start($title, $menu = true)
{
    $css = qm_setting('CSS');
    $site = isset($GLOBALS['qm_database_name']) ? $GLOBALS['qm_database_name'] : '';
    echo "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    echo '<meta name="viewport" content="width=device-width, initial-scale=1">', "\n";
    echo '<title>', qm_h($title), ($site !== '' ? ' - ' . qm_h($site) : ''), "</title>\n";
    // Layout only, at zero specificity, so that any stylesheet of the site overrides it.
    echo "<style>\n",
        ":where(body){margin:0;font-family:sans-serif}\n",
        ":where(#Page){padding:0 1.5em 1.5em}\n",
        ":where(#Top){display:flex;flex-wrap:wrap;gap:1em;align-items:center;justify-content:space-between;padding:.6em 1.5em}\n",
        ":where(#Top form){display:inline;margin:0}\n",
        ":where(.Actions, .Pager){margin:.8em 0;display:flex;flex-wrap:wrap;gap:.4em 1em;align-items:center}\n",
        ":where(.Pager form){display:inline;margin:0}\n",
        ":where(.GoToPage input){width:5em}\n",
        ":where(table.DataTable){border-collapse:collapse}\n",
        ":where(table.DataTable th, table.DataTable td){padding:.3em .6em;text-align:left;vertical-align:top}\n",
        ":where(table.FormTable th){text-align:right;padding-right:.8em;vertical-align:top;font-weight:normal}\n",
        ":where(table.FormTable td){padding:.2em 0}\n",
        ":where(.FieldError, .ErrorMessage){color:#b00020}\n",
        ":where(.Null){color:#888;font-style:italic}\n",
        ":where(.Hint){color:#666;font-size:.85em}\n",
        ":where(.SortArrow){vertical-align:middle;margin-left:.3em}\n",
        "</style>\n";
    if ($css !== '') {
        echo '<link rel="stylesheet" href="', qm_h(qm_path_url($css)), '">', "\n";
    }
    echo "</head>\n<body>\n<div id=\"Top\"><span class=\"SiteTitle\">", qm_h($site !== '' ? $site : 'Database'), "</span>";
    if ($menu) {
        echo '<span class="Menu"><a href="index.php">Tables</a>';
        if (qm_login_required() && qm_logged_in()) {
            echo ' <form method="post" action="login.php">', qm_csrf_field(),
                '<input type="hidden" name="logout" value="1"><button type="submit" class="LinkButton" id="Logout">Log out</button></form>';
        }
        echo '</span>';
    }
    echo "</div>\n<div id=\"Page\">\n<h1>", qm_h($title), "</h1>\n";
    if (session_status() === PHP_SESSION_ACTIVE) {
        $flash = qm_flash();
        if ($flash !== '') {
            echo '<p class="Message" role="status">', qm_h($flash), "</p>\n";
        }
    }
}

function qm_page_end()
{
    echo "</div>\n</body>\n</html>\n";
    while (ob_get_level() > 0) {
        ob_end_flush();
    }
}

function qm_script($code)
{
    echo '<script nonce="', qm_h($GLOBALS['qm_nonce']), '">', $code, "</script>\n";
}

// Refuses a page whose option is switched off in config.php.
function qm_require_option($flag, $message)
{
    if (!qm_flag($flag)) {
        qm_fail(403, $message);
    }
}
