<?php
// Shared start of every page: error handling, the database connection, the settings of
// config.php, request parameters and links, the session with its login and form tokens, and the
// page frame. Each page defines QM_PAGE and includes this file first; what runs on every request
// is at the end of the file, the functions come first.

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

const QM_COUNT_LIMIT = 20000;  // above this estimate a table's rows are not counted exactly
const QM_LOOKUP_LIMIT = 1000;  // above this a lookup offers a search box instead of a list
const QM_TEXT_CUT = 60;        // characters of a long text shown in a list

// =============================================================================================
// Connection and errors
// =============================================================================================

// Ends the page with an error page of the given status.
function qm_fail(int $status, string $message): void
{
    qm_discard_output();
    http_response_code($status);
    qm_page_start('Error');
    ?>
<p class="ErrorMessage"><?= qm_h($message) ?></p>
<p><a href="index.php">Back to the list of tables</a></p>
<?php
    qm_page_end();
    exit;
}

function qm_exception_handler(Throwable $e): void
{
    error_log('quillmere site: ' . get_class($e) . ': ' . $e->getMessage() . ' in ' . $e->getFile()
        . ':' . $e->getLine());
    qm_fail(500, 'Something went wrong while the page was being prepared. Please try again later.');
}

// [host, port or null, socket or null] of a server text: "host", "host:port",
// "host:/path/to/socket", ":/path/to/socket" or "[ipv6]:port".
function qm_server_address(string $server): array
{
    $host = $server === '' ? 'localhost' : $server;
    // mysqli resolves an IPv6 address only in its bracketed form, "[::1]".
    if (preg_match('/^\[([^\]]+)\](?::(\d+))?$/', $host, $m)) {
        return ['[' . $m[1] . ']', isset($m[2]) ? (int)$m[2] : null, null];
    }
    if (substr_count($host, ':') > 1) {
        return ['[' . $host . ']', null, null];
    }
    if (preg_match('/^([^:]*):(.+)$/', $host, $m)) {
        $name = $m[1] === '' ? 'localhost' : $m[1];
        return ctype_digit($m[2]) ? [$name, (int)$m[2], null] : [$name, null, $m[2]];
    }
    return [$host, null, null];
}

// The generated database.php calls mysql_connect and mysql_select_db, which PHP no longer has.
// These stand-ins open the same connection through mysqli. mysql_connect only notes the server
// and the user; mysql_select_db then connects with the database named in the handshake, which
// spares every page the round trip of changing to it afterwards.
if (!function_exists('mysql_connect')) {
    function mysql_connect($server = null, $username = null, $password = null)
    {
        [$host, $port, $socket] = qm_server_address((string)$server);
        $link = mysqli_init();
        // The character set travels with the handshake: no extra round trip per page.
        mysqli_options($link, MYSQLI_SET_CHARSET_NAME, 'utf8mb4');
        $GLOBALS['qm_link'] = $link;
        $GLOBALS['qm_unopened'][spl_object_id($link)] = [$host, (string)$username, (string)$password, $port, $socket];
        return $link;
    }

    // Opens the connection mysql_connect noted, in the database given; false where the server
    // refuses (logged as it refused: the user, or the database).
    function qm_connect_to_database(mysqli $link, string $database): bool
    {
        [$host, $username, $password, $port, $socket] = $GLOBALS['qm_unopened'][spl_object_id($link)];
        unset($GLOBALS['qm_unopened'][spl_object_id($link)]);
        try {
            $ok = @mysqli_real_connect($link, $host, $username, $password, $database, $port, $socket);
            $error = $ok ? '' : mysqli_connect_error();
            $code = $ok ? 0 : mysqli_connect_errno();
        } catch (mysqli_sql_exception $e) {
            [$ok, $error, $code] = [false, $e->getMessage(), $e->getCode()];
        }
        if (!$ok) {
            // 1044 and 1049: the user may not use the database, or there is none of that name.
            $what = in_array($code, [1044, 1049], true) ? 'cannot select the database: ' : 'cannot connect: ';
            error_log('quillmere site: ' . $what . $error);
        }
        return $ok;
    }

    function mysql_select_db($database, $link = null)
    {
        if (!($link instanceof mysqli)) {
            $link = $GLOBALS['qm_link'] ?? null;
        }
        if (!($link instanceof mysqli)) {
            return false;
        }
        if (isset($GLOBALS['qm_unopened'][spl_object_id($link)])) {
            $ok = qm_connect_to_database($link, (string)$database);
        } else {
            try {
                $ok = @mysqli_select_db($link, (string)$database);
            } catch (mysqli_sql_exception $e) {
                error_log('quillmere site: cannot select the database: ' . $e->getMessage());
                return false;
            }
        }
        if ($ok) {
            $GLOBALS['qm_database_name'] = (string)$database;
        }
        return $ok;
    }
}

// The connection database.php opened (in $db or through the stand-ins), set up for the pages;
// without one the page ends.
function qm_open_connection($db): mysqli
{
    if (!($db instanceof mysqli)) {
        $db = $GLOBALS['qm_link'] ?? null;
    }
    if (!($db instanceof mysqli) || empty($GLOBALS['qm_database_name'])) {
        qm_fail(503, 'The database cannot be reached right now. Please try again later.');
    }
    mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);
    if ($db->character_set_name() !== 'utf8mb4') {
        $db->set_charset('utf8mb4');
    }
    return $db;
}

// The extra statements of config.php, run on every connection; one that fails is logged and
// the page goes on.
function qm_run_extra_queries(mysqli $db): void
{
    $extra = $GLOBALS['ExtraQueryes'] ?? null;
    if (!is_array($extra)) {
        return;
    }
    foreach ($extra as $statement) {
        try {
            $db->query((string)$statement);
        } catch (mysqli_sql_exception $e) {
            error_log('quillmere site: extra statement failed: ' . $e->getMessage());
        }
    }
}

// The values of a statement as mysqli binds them: texts, and NULL kept.
function qm_bind_values(mysqli_stmt $stmt, array $params): void
{
    $values = [];
    foreach ($params as $p) {
        $values[] = $p === null ? null : (string)$p;
    }
    if (count($values) > 0) {
        $stmt->bind_param(str_repeat('s', count($values)), ...$values);
    }
}

function qm_result_rows(mysqli_result $result): array
{
    $rows = [];
    while ($row = $result->fetch_assoc()) {
        $rows[] = $row;
    }
    $result->free();
    return $rows;
}

// The rows of an executed statement, also where mysqli lacks get_result (no mysqlnd).
function qm_statement_rows(mysqli_stmt $stmt): array
{
    if (method_exists($stmt, 'get_result')) {
        $result = $stmt->get_result();
        return $result instanceof mysqli_result ? qm_result_rows($result) : [];
    }
    $meta = $stmt->result_metadata();
    if (!$meta) {
        return [];
    }
    $row = [];
    $refs = [];
    foreach ($meta->fetch_fields() as $f) {
        $row[$f->name] = null;
        $refs[] = &$row[$f->name];
    }
    $stmt->bind_result(...$refs);
    $rows = [];
    while ($stmt->fetch()) {
        $copy = [];
        foreach ($row as $k => $v) {
            $copy[$k] = $v;
        }
        $rows[] = $copy;
    }
    return $rows;
}

// Runs one statement and returns its rows. Values are always bound, never put into the text.
function qm_query(string $sql, array $params = []): array
{
    global $db;
    if (count($params) === 0) {
        $result = $db->query($sql);
        return $result instanceof mysqli_result ? qm_result_rows($result) : [];
    }
    $stmt = $db->prepare($sql);
    qm_bind_values($stmt, $params);
    $stmt->execute();
    $rows = qm_statement_rows($stmt);
    $stmt->close();
    return $rows;
}

// Runs one statement and hands its rows (lists of values, in select order) to $each one at a time,
// as they come from the server: nothing is buffered, so memory stays the same however many rows
// there are. No other statement can run on the connection until the last row has been read.
function qm_each_row(string $sql, array $params, callable $each): void
{
    global $db;
    if (count($params) === 0) {
        $result = $db->query($sql, MYSQLI_USE_RESULT);
        while ($row = $result->fetch_row()) {
            $each($row);
        }
        $result->free();
        return;
    }
    // A prepared statement read through bound variables (without store_result) is unbuffered too.
    $stmt = $db->prepare($sql);
    qm_bind_values($stmt, $params);
    $stmt->execute();
    $row = [];
    $refs = [];
    for ($i = 0, $count = $stmt->field_count; $i < $count; $i++) {
        $row[$i] = null;
        $refs[] = &$row[$i];
    }
    $stmt->bind_result(...$refs);
    while ($stmt->fetch()) {
        $each(array_values($row));
    }
    $stmt->close();
}

// Runs one changing statement and returns the number of rows it changed.
function qm_execute(string $sql, array $params)
{
    global $db;
    $stmt = $db->prepare($sql);
    qm_bind_values($stmt, $params);
    $stmt->execute();
    $affected = $stmt->affected_rows;
    $stmt->close();
    return $affected;
}

// =============================================================================================
// Settings of config.php
// =============================================================================================

function qm_flag(string $name): bool
{
    return isset($GLOBALS[$name]) && $GLOBALS[$name] == true;
}

// A switch the wizard does not write: on unless config.php sets it to False.
function qm_flag_or_on(string $name): bool
{
    return !isset($GLOBALS[$name]) || $GLOBALS[$name] == true;
}

function qm_setting(string $name, string $default = ''): string
{
    return isset($GLOBALS[$name]) && is_scalar($GLOBALS[$name]) ? (string)$GLOBALS[$name] : $default;
}

function qm_per_page(): int
{
    $n = isset($GLOBALS['RecsPerPage']) ? (int)$GLOBALS['RecsPerPage'] : 0;
    return $n > 0 ? $n : 10;
}

// Index => table name, for every table config.php lists.
function qm_table_names(): array
{
    $names = [];
    if (isset($GLOBALS['TableNames']) && is_array($GLOBALS['TableNames'])) {
        foreach ($GLOBALS['TableNames'] as $i => $name) {
            if (is_scalar($name) && (string)$name !== '') {
                $names[(string)$i] = (string)$name;
            }
        }
    }
    return $names;
}

// Refuses a page whose option is switched off in config.php.
function qm_require_option(string $flag, string $message): void
{
    if (!qm_flag($flag)) {
        qm_fail(403, $message);
    }
}

// =============================================================================================
// Request parameters, texts and links
// =============================================================================================

function qm_h($text): string
{
    return htmlspecialchars((string)$text, ENT_QUOTES | ENT_SUBSTITUTE | ENT_HTML5, 'UTF-8');
}

// A request parameter as text; anything else (missing, an array) gives null.
function qm_param(string $name, ?array $source = null): ?string
{
    $source = $source ?? $_GET;
    return isset($source[$name]) && is_string($source[$name]) ? $source[$name] : null;
}

// A request parameter that must be a list of texts; anything else gives null.
function qm_param_list(string $name, ?array $source = null): ?array
{
    $source = $source ?? $_GET;
    if (!isset($source[$name]) || !is_array($source[$name])) {
        return null;
    }
    $list = [];
    foreach ($source[$name] as $value) {
        if (!is_string($value)) {
            return null;
        }
        $list[] = $value;
    }
    return $list;
}

// The table index of the request; an unknown one ends the page.
function qm_request_table(?array $source = null): string
{
    $t = qm_param('t', $source);
    if ($t === null || !isset(qm_table_names()[$t])) {
        qm_fail(404, 'There is no such table.');
    }
    return $t;
}

function qm_is_post(): bool
{
    return ($_SERVER['REQUEST_METHOD'] ?? '') === 'POST';
}

function qm_url(string $page, array $params): string
{
    $query = http_build_query($params, '', '&', PHP_QUERY_RFC3986);
    return $page . ($query === '' ? '' : '?' . $query);
}

// A path of this site's own files as it goes into a link: each segment URL-encoded, so that a
// file name holding '#', '?', '%' or a space still names the file.
function qm_path_url(string $path): string
{
    return implode('/', array_map('rawurlencode', explode('/', $path)));
}

// Drops whatever the page has buffered so far (before an error page, a redirect, a login form).
function qm_discard_output(): void
{
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
}

function qm_redirect(string $url): void
{
    qm_discard_output();
    header('Location: ' . $url, true, 303);
    exit;
}

// Texts are cut by characters, not bytes, without needing the mbstring extension.
function qm_text_length($text): int
{
    $n = preg_match_all('/./us', (string)$text);
    return $n === false ? strlen((string)$text) : $n;
}

function qm_cut($text, int $limit): string
{
    $text = (string)$text;
    if (strlen($text) <= $limit) {
        return $text;
    }
    if (preg_match('/^.{' . $limit . '}/us', $text, $m) && strlen($m[0]) < strlen($text)) {
        return $m[0] . "\u{2026}";
    }
    return $text;
}

// =============================================================================================
// Session, login and form tokens
// =============================================================================================

// Each generated site has a cookie of its own, so two sites on one host do not share logins.
function qm_session_name(): string
{
    return 'qm' . substr(sha1(__DIR__), 0, 12);
}

function qm_session_start(): void
{
    if (session_status() === PHP_SESSION_ACTIVE) {
        return;
    }
    $https = !empty($_SERVER['HTTPS']) && $_SERVER['HTTPS'] !== 'off';
    $path = isset($_SERVER['SCRIPT_NAME']) ? str_replace('\\', '/', dirname($_SERVER['SCRIPT_NAME'])) : '/';
    session_name(qm_session_name());
    session_set_cookie_params([
        'lifetime' => 0,
        'path' => rtrim($path, '/') . '/',
        'secure' => $https,
        'httponly' => true,
        'samesite' => 'Lax',
    ]);
    ini_set('session.use_strict_mode', '1');
    ini_set('session.use_only_cookies', '1');
    session_start();
}

function qm_login_required(): bool
{
    return qm_setting('Admin') !== '';
}

// What a logged-in session holds: tied to the configured name and password, so that changing
// either in config.php ends every open session.
function qm_login_mark(): string
{
    return hash('sha256', qm_setting('Admin') . "\0" . qm_setting('AdminPass'));
}

function qm_logged_in(): bool
{
    if (!qm_login_required()) {
        return true;
    }
    return isset($_SESSION['qm_login']) && is_string($_SESSION['qm_login'])
        && hash_equals(qm_login_mark(), $_SESSION['qm_login']);
}

function qm_csrf_token(): string
{
    qm_session_start();
    if (!isset($_SESSION['qm_csrf']) || !is_string($_SESSION['qm_csrf'])) {
        $_SESSION['qm_csrf'] = bin2hex(random_bytes(32));
    }
    return $_SESSION['qm_csrf'];
}

function qm_csrf_field(): string
{
    return '<input type="hidden" name="csrf" value="' . qm_h(qm_csrf_token()) . '">';
}

function qm_csrf_valid(): bool
{
    qm_session_start();
    $sent = qm_param('csrf', $_POST);
    return $sent !== null && isset($_SESSION['qm_csrf']) && is_string($_SESSION['qm_csrf'])
        && hash_equals($_SESSION['qm_csrf'], $sent);
}

// With a message: keeps it for the next page. Without: takes the kept message ('' for none).
function qm_flash(?string $message = null): ?string
{
    if ($message !== null) {
        qm_session_start();
        $_SESSION['qm_flash'] = $message;
        return null;
    }
    $kept = isset($_SESSION['qm_flash']) ? (string)$_SESSION['qm_flash'] : '';
    unset($_SESSION['qm_flash']);
    return $kept;
}

// Where a login returns to: only one of this site's own pages.
function qm_safe_next($next): string
{
    if (is_string($next) && preg_match('/^[a-z]+\.php(\?[^\s\\\\]*)?$/', $next) && strpos($next, '//') === false) {
        return $next;
    }
    return 'index.php';
}

// The login page, in place of whatever the request asked for.
function qm_login_form(string $error = '', string $next = 'index.php', string $user = ''): void
{
    qm_discard_output();
    qm_page_start('Log in', false);
    ?>
<form method="post" action="login.php" class="LoginForm" id="LoginForm"><?= qm_csrf_field() ?>
<input type="hidden" name="next" value="<?= qm_h(qm_safe_next($next)) ?>">
<?php if ($error !== '') : ?>
<p class="ErrorMessage" role="alert"><?= qm_h($error) ?></p>
<?php endif ?>
<table class="FormTable">
<tr><th><label for="user">User name</label></th><td><input type="text" id="user" name="user"
    value="<?= qm_h($user) ?>" autocomplete="username" autofocus required></td></tr>
<tr><th><label for="pass">Password</label></th><td><input type="password" id="pass" name="pass"
    autocomplete="current-password"></td></tr>
<tr><th></th><td><button type="submit" class="Button">Log in</button></td></tr>
</table>
</form>
<?php
    qm_page_end();
    exit;
}

// A session is opened when there is one already or when a login is needed; otherwise only once
// a page needs a form token, so that a visitor who only reads gets no session at all.
function qm_session_resume(): void
{
    if (qm_login_required() || isset($_COOKIE[qm_session_name()])) {
        qm_session_start();
    }
}

// A visitor who has not logged in gets the login form instead of the page (a POST is refused
// and returns to the start page afterwards).
function qm_require_login(): void
{
    if (QM_PAGE === 'login' || qm_logged_in()) {
        return;
    }
    $here = basename($_SERVER['SCRIPT_NAME'] ?? 'index.php');
    $query = empty($_SERVER['QUERY_STRING']) ? '' : '?' . $_SERVER['QUERY_STRING'];
    http_response_code(qm_is_post() ? 403 : 200);
    qm_login_form('', qm_is_post() ? 'index.php' : $here . $query);
}

// =============================================================================================
// The site owner's hooks: PHP files in the folder hooks/ beside the pages, which the generator
// never writes. hooks/header.php and hooks/footer.php go into every page; hooks/TABLE.php returns
// name => closure of the hooks of one table (see qm_hook).
// =============================================================================================

// The file of a table's hooks in hooks/: letters, digits, "_" and "-" stay as they are and every
// other byte becomes %XX (upper-case hex), so no name can reach outside the folder ("..", "/" and
// NUL become %2E%2E, %2F and %00) and two names never share a file. A name that would give
// header.php or footer.php, in any letter case, has its first letter encoded as well.
function qm_hook_file_name(string $table): string
{
    $name = preg_replace_callback('/[^A-Za-z0-9_-]/', function (array $m): string {
        return sprintf('%%%02X', ord($m[0]));
    }, $table);
    if (in_array(strtolower($name), ['header', 'footer'], true)) {
        $name = sprintf('%%%02X', ord($name[0])) . substr($name, 1);
    }
    return $name . '.php';
}

// Runs a file of hooks/ with none of the page's variables in reach; returns what it returns.
function qm_include_hook_file(string $file)
{
    return include $file;
}

// The hooks of a table, read from its file once per request; [] without one.
function qm_table_hooks(string $table): array
{
    static $loaded = [];
    if (!array_key_exists($table, $loaded)) {
        $file = __DIR__ . '/hooks/' . qm_hook_file_name($table);
        $hooks = is_file($file) ? qm_include_hook_file($file) : [];
        if (!is_array($hooks)) {
            error_log('quillmere site: ' . $file . ' does not return an array of hooks');
            $hooks = [];
        }
        $loaded[$table] = $hooks;
    }
    return $loaded[$table];
}

// One hook of a table ('before_insert', 'after_update', 'list_conditions', ...) or null where the
// table has none. Only closures count: a name of a function in the array is not called.
function qm_hook(string $table, string $name): ?Closure
{
    $hook = qm_table_hooks($table)[$name] ?? null;
    return $hook instanceof Closure ? $hook : null;
}

// hooks/header.php or hooks/footer.php, where the site has it, at the top or bottom of a page.
function qm_frame_hook(string $name): void
{
    $file = __DIR__ . '/hooks/' . $name . '.php';
    if (is_file($file)) {
        qm_include_hook_file($file);
    }
}

// =============================================================================================
// Page frame. Class names follow the generated appearance stylesheets: header rows are
// TR.Header, every second row TR.TableAltRow.
// =============================================================================================

function qm_send_headers(string $nonce): void
{
    header('Content-Type: text/html; charset=utf-8');
    header("Content-Security-Policy: default-src 'self'; script-src 'self' 'nonce-" . $nonce
        . "'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; frame-ancestors 'none'; form-action 'self'");
    header('X-Content-Type-Options: nosniff');
    header('X-Frame-Options: DENY');
    header('Referrer-Policy: same-origin');
    header('Cache-Control: no-store');
}

function qm_page_start(string $title, bool $menu = true): void
{
    $css = qm_setting('CSS');
    $site = $GLOBALS['qm_database_name'] ?? '';
    $logout = $menu && qm_login_required() && qm_logged_in();
    $flash = session_status() === PHP_SESSION_ACTIVE ? qm_flash() : '';
    ?>
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title><?= qm_h($title) ?><?= $site !== '' ? ' - ' . qm_h($site) : '' ?></title>
<?php /* Layout only, at zero specificity, so that any stylesheet of the site overrides it. On a
   phone (640 px wide and less) a data table scrolls sideways on its own instead of the page, links,
   buttons and fields are at least 40 px tall, and forms have one column; a stylesheet built without
   such rules gets them from here. */ ?>
<style>
:where(body){margin:0;font-family:sans-serif}
:where(#Page){padding:0 1.5em 1.5em}
:where(#Top){display:flex;flex-wrap:wrap;gap:1em;align-items:center;justify-content:space-between;padding:.6em 1.5em}
:where(#Top form){display:inline;margin:0}
:where(.Actions, .Pager){margin:.8em 0;display:flex;flex-wrap:wrap;gap:.4em 1em;align-items:center}
:where(.Pager form){display:inline;margin:0}
:where(.GoToPage input){width:5em}
:where(table.DataTable){border-collapse:collapse}
:where(table.DataTable th, table.DataTable td){padding:.3em .6em;text-align:left;vertical-align:top}
:where(table.FormTable th){text-align:right;padding-right:.8em;vertical-align:top;font-weight:normal}
:where(table.FormTable td){padding:.2em 0}
:where(.FieldError, .ErrorMessage){color:#b00020}
:where(.OtherValue){display:block;font-weight:bold}
:where(.Null){color:#888;font-style:italic}
:where(.Hint){color:#666;font-size:.85em}
:where(.SortArrow){vertical-align:middle;margin-left:.3em}
@media (max-width:640px){
:where(#Top){padding:.3em 1em;gap:0 1em}
:where(#Page){padding:0 .8em 1em}
:where(table.DataTable){display:block;overflow-x:auto;width:fit-content;max-width:100%}
:where(table.DataTable td){white-space:nowrap;vertical-align:middle}
:where(table.RecordView td){white-space:normal;overflow-wrap:anywhere;vertical-align:top}
:where(#Top a, #Top button, .Pager a, .Pager .Disabled, .Actions a, .RowActions a, table.DataTable a, #Page > p > a, .Cancel, .Button, button){display:inline-flex;align-items:center;min-height:40px;box-sizing:border-box}
:where(input:not([type=checkbox], [type=radio]), select, textarea){min-height:40px;box-sizing:border-box;max-width:100%}
:where(label:has(> input[type=checkbox], > input[type=radio])){display:inline-flex;align-items:center;gap:.3em;min-height:40px}
:where(table.FormTable, table.FormTable tbody, table.FormTable tr, table.FormTable th, table.FormTable td){display:block}
:where(table.FormTable th){text-align:left;padding:.6em 0 .1em}
:where(.QuickSearch){display:flex;gap:.4em;flex:1 1 100%}
:where(.QuickSearch input[type=search]){flex:1;min-width:0}
}
</style>
<?php if ($css !== '') : ?>
<link rel="stylesheet" href="<?= qm_h(qm_path_url($css)) ?>">
<?php endif ?>
</head>
<body>
<?php qm_frame_hook('header') ?>
<div id="Top"><span class="SiteTitle"><?= qm_h($site !== '' ? $site : 'Database') ?></span>
<?php if ($menu) : ?>
<span class="Menu"><a href="index.php">Tables</a>
<?php if ($logout) : ?>
<form method="post" action="login.php"><?= qm_csrf_field() ?><input type="hidden" name="logout" value="1"><button
    type="submit" class="LinkButton" id="Logout">Log out</button></form>
<?php endif ?>
</span>
<?php endif ?>
</div>
<div id="Page">
<h1><?= qm_h($title) ?></h1>
<?php if ($flash !== '') : ?>
<p class="Message" role="status"><?= qm_h($flash) ?></p>
<?php endif ?>
<?php
}

function qm_page_end(): void
{
    ?>
</div>
<?php qm_frame_hook('footer') ?>
</body>
</html>
<?php
    while (ob_get_level() > 0) {
        ob_end_flush();
    }
}

// A script of the page, allowed by the nonce of the content security policy.
function qm_script(string $code): void
{
    echo '<script nonce="', qm_h($GLOBALS['qm_nonce']), '">', $code, "</script>\n";
}

// =============================================================================================
// The start of every page
// =============================================================================================

set_exception_handler('qm_exception_handler');

// Stray output of the generated scripts (a byte-order mark, blank lines) is dropped so that
// headers can still be sent.
ob_start();
require __DIR__ . '/config.php';
ob_end_clean();

qm_session_resume();
$qm_nonce = base64_encode(random_bytes(12));
qm_send_headers($qm_nonce);
qm_require_login();

// The connection is opened only once the visitor may see the page. The login page needs none: a
// visitor who has not logged in makes nothing run on the database, the extra statements included.
if (QM_PAGE === 'login') {
    return;
}

ob_start();
require __DIR__ . '/database.php';
ob_end_clean();
ob_start();
$db = qm_open_connection($db ?? null);
qm_run_extra_queries($db);
