<?php
// Logging in (when config.php sets $Admin) and logging out.
define('QM_PAGE', 'login');
require __DIR__ . '/main.php';

// =============================================================================================
// Throttle. Every failed login makes the next ones wait longer: the first failure is answered
// after QM_THROTTLE_STEP seconds, each further one after twice as long, at most QM_THROTTLE_CAP.
// The count is kept per user name and per client address (an IPv6 address by its /64 network), on
// the server in one small file per site, so that new sessions or cookies do not reset it; a login
// resets both. An attempt counts as a failure from the moment it arrives until it proves right,
// and is checked only once the delay of the attempts before it has passed: attempts sent at the
// same time, without waiting for the answers, are checked one growing delay apart all the same.
// Attempts that would wait more than QM_THROTTLE_QUEUE seconds are refused unchecked.
// =============================================================================================

const QM_THROTTLE_STEP = 0.25;
const QM_THROTTLE_CAP = 3.0;
const QM_THROTTLE_QUEUE = 6.0;
const QM_THROTTLE_FORGET = 86400;  // entries untouched this long are dropped
const QM_THROTTLE_ENTRIES = 2000;  // at most this many are kept, the most recent

function qm_throttle_delay(int $failures): float
{
    return $failures <= 0 ? 0.0 : min(QM_THROTTLE_CAP, QM_THROTTLE_STEP * pow(2, min($failures, 30) - 1));
}

function qm_sleep(float $seconds): void
{
    if ($seconds > 0) {
        usleep((int)round(min($seconds, QM_THROTTLE_QUEUE) * 1000000));
    }
}

// The entries an attempt counts against: its user name and its client address.
function qm_throttle_keys(string $user): array
{
    $address = (string)($_SERVER['REMOTE_ADDR'] ?? '');
    $packed = @inet_pton($address);
    if ($packed !== false && strlen($packed) === 16 && substr($packed, 0, 12) !== str_repeat("\0", 10) . "\xff\xff") {
        $address = bin2hex(substr($packed, 0, 8)) . '::/64';
    }
    return [
        'u' . substr(hash('sha256', 'user:' . $user), 0, 32),
        'a' . substr(hash('sha256', 'address:' . $address), 0, 32),
    ];
}

// The file of the site's counts: in the session folder when sessions are kept in files, else in
// the system's temporary folder.
function qm_throttle_file(): ?string
{
    $folders = [];
    $save = (string)session_save_path();
    if ($save !== '' && ini_get('session.save_handler') === 'files') {
        $semicolon = strrpos($save, ';');
        $folders[] = $semicolon === false ? $save : substr($save, $semicolon + 1);
    }
    $folders[] = sys_get_temp_dir();
    foreach ($folders as $folder) {
        if ($folder !== '' && @is_dir($folder) && @is_writable($folder)) {
            return rtrim($folder, '/\\') . DIRECTORY_SEPARATOR . 'qm-login-' . substr(sha1(__DIR__), 0, 16) . '.json';
        }
    }
    return null;
}

// The counts of a throttle file, without entries that are malformed or older than
// QM_THROTTLE_FORGET.
function qm_throttle_read($handle): array
{
    $counts = json_decode((string)stream_get_contents($handle), true);
    if (!is_array($counts)) {
        return [];
    }
    $now = microtime(true);
    foreach ($counts as $k => $entry) {
        if (!is_array($entry) || count($entry) !== 2 || !is_numeric($entry[0]) || !is_numeric($entry[1])
            || $entry[1] < $now - QM_THROTTLE_FORGET) {
            unset($counts[$k]);
        }
    }
    return $counts;
}

// Writes the counts back, the QM_THROTTLE_ENTRIES most recent ones.
function qm_throttle_write($handle, array $counts): void
{
    if (count($counts) > QM_THROTTLE_ENTRIES) {
        uasort($counts, function (array $x, array $y): int {
            return $y[1] <=> $x[1];
        });
        $counts = array_slice($counts, 0, QM_THROTTLE_ENTRIES, true);
    }
    ftruncate($handle, 0);
    rewind($handle);
    fwrite($handle, json_encode($counts));
    fflush($handle);
}

// Runs $change on the counts (key => [failures, time before which the next attempt is not
// checked]) with the file locked, and writes them back. Without a usable file the counts start
// empty each time.
function qm_throttle_update(callable $change)
{
    $file = qm_throttle_file();
    $handle = $file === null ? false : @fopen($file, 'c+');
    if ($handle === false || !flock($handle, LOCK_EX)) {
        error_log('quillmere site: the login throttle file cannot be used: ' . (string)$file);
        if ($handle !== false) {
            fclose($handle);
        }
        $counts = [];
        return $change($counts);
    }
    @chmod($file, 0600);
    $counts = qm_throttle_read($handle);
    $result = $change($counts);
    qm_throttle_write($handle, $counts);
    flock($handle, LOCK_UN);
    fclose($handle);
    return $result;
}

// [seconds this attempt waits before it is checked, seconds after which it is answered when it
// fails], or null when it is refused. The attempt is counted as a failure until a login resets it.
function qm_throttle_begin(array $keys): ?array
{
    return qm_throttle_update(function (array &$counts) use ($keys): ?array {
        $now = microtime(true);
        $failures = 0;
        $start = $now;
        foreach ($keys as $k) {
            if (isset($counts[$k])) {
                $failures = max($failures, (int)$counts[$k][0]);
                $start = max($start, (float)$counts[$k][1]);
            }
        }
        if ($start - $now > QM_THROTTLE_QUEUE) {
            return null;
        }
        $answer = $start + qm_throttle_delay($failures + 1);
        foreach ($keys as $k) {
            $counts[$k] = [(isset($counts[$k]) ? (int)$counts[$k][0] : 0) + 1, $answer];
        }
        return [$start - $now, $answer - $now];
    });
}

function qm_throttle_reset(array $keys): void
{
    qm_throttle_update(function (array &$counts) use ($keys): void {
        foreach ($keys as $k) {
            unset($counts[$k]);
        }
    });
}

// =============================================================================================
// Logging in and out
// =============================================================================================

// A new form token: one that was seen with a failed attempt cannot be replayed.
function qm_renew_csrf(): void
{
    $_SESSION['qm_csrf'] = bin2hex(random_bytes(32));
}

// Both texts are always compared, in constant time, so the answer tells nothing about which was
// wrong.
function qm_credentials_match(string $user, string $pass): bool
{
    $userOk = hash_equals(hash('sha256', qm_setting('Admin')), hash('sha256', $user));
    $passOk = hash_equals(hash('sha256', qm_setting('AdminPass')), hash('sha256', $pass));
    return $userOk && $passOk;
}

function qm_log_out(): void
{
    $_SESSION = [];
    session_regenerate_id(true);
    qm_flash('You have been logged out.');
    qm_redirect('login.php');
}

// Checks a login attempt in its turn of the throttle; a right one goes on to $next, a wrong one
// gets the form again.
function qm_log_in(string $user, string $pass, string $next): void
{
    $throttle = qm_throttle_keys($user);
    $turn = qm_throttle_begin($throttle);
    if ($turn === null) {
        // So many attempts are already waiting that this one is not checked at all.
        qm_renew_csrf();
        http_response_code(429);
        header('Retry-After: ' . (int)ceil(QM_THROTTLE_CAP));
        qm_login_form('Too many login attempts. Please wait a few seconds and try again.', $next, $user);
    }
    [$wait, $answer] = $turn;
    qm_sleep($wait);
    if (!qm_credentials_match($user, $pass)) {
        qm_renew_csrf();
        qm_sleep($answer - $wait);
        http_response_code(403);
        qm_login_form('The user name or password is not correct.', $next, $user);
    }
    qm_throttle_reset($throttle);
    // A new session id at login, so that an id planted before cannot be used afterwards.
    session_regenerate_id(true);
    $_SESSION['qm_login'] = qm_login_mark();
    unset($_SESSION['qm_csrf']);
    qm_redirect($next);
}

// =============================================================================================
// The request
// =============================================================================================

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
    qm_log_out();
}
qm_log_in((string)qm_param('user', $_POST), (string)qm_param('pass', $_POST), qm_safe_next(qm_param('next', $_POST)));
