#include "wizard/preview/SitePreview.h"

#include "common/SafeFile.h"
#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <csignal>
#include <sys/prctl.h>

namespace {

const QString kSite = QStringLiteral("site");
const QString kGuard = QStringLiteral("read-only.php");
const QString kLog = QStringLiteral("server.log");
// Held while the folder is in use; a folder whose holder died is left over from a crash.
const QString kOwner = QStringLiteral("owner.lock");
const QString kFolderPrefix = QStringLiteral("quillmere-site-");

// Prepended to every page while the preview is read-only. execute.php is the only page that
// writes to the database (adding, editing and deleting all post to it), so refusing it keeps the
// database as it is while every other page, the login among them, works as on the real site.
const char kGuardScript[] = R"PHP(<?php
if (strcasecmp(basename($_SERVER['SCRIPT_FILENAME'] ?? ''), 'execute.php') === 0) {
    http_response_code(403);
    header('Content-Type: text/html; charset=utf-8');
    echo '<!DOCTYPE html><html><head><title>Preview</title></head><body>',
        '<p class="ErrorMessage">Adding, editing and deleting records is disabled in the preview.</p>',
        '<p>Check "Let the preview change the database" above the page to try it on the database.</p>',
        '<p><a href="index.php">Back to the list of tables</a></p></body></html>';
    exit;
}
)PHP";

// Removes the folders of previews whose program was killed or crashed (their server died with it,
// but the folder could not go). A folder whose program still runs holds its lock; one without a
// lock file may be one being made right now, and is left alone.
void removeLeftovers()
{
    const QDir temp(QDir::tempPath());
    for (const QString& name : temp.entryList({kFolderPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = temp.filePath(name);
        if (!QFileInfo::exists(folder + u'/' + kOwner))
            continue;
        QLockFile owner(folder + u'/' + kOwner);
        owner.setStaleLockTime(0);
        if (owner.tryLock(0)) {
            owner.unlock();
            QDir(folder).removeRecursively();
        }
    }
}

// A port no one listens on at the moment; 0 when none could be had.
int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

const QString kInstallHint = QStringLiteral("On Debian or Ubuntu, install them with: sudo apt install php-cli php-mysql");

}  // namespace

SitePreview::SitePreview(const QString& programFolder, QObject* parent)
    : QObject(parent), m_programFolder(programFolder), m_refresh(new QTimer(this))
{
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(300);
    connect(m_refresh, &QTimer::timeout, this, &SitePreview::flush);
    connect(&m_server, &QProcess::finished, this, [this] {
        if (!m_stopping)
            emit serverStopped(serverLog());
    });
}

SitePreview::~SitePreview()
{
    stop();
}

std::optional<QString> SitePreview::findPhp(QString* problem)
{
    const QString php = QStandardPaths::findExecutable(QStringLiteral("php"));
    if (php.isEmpty()) {
        *problem = QStringLiteral("The preview needs PHP's command-line program with its MySQL extension "
                                  "(mysqli), and no program named php was found.\n")
                   + kInstallHint;
        return std::nullopt;
    }
    QProcess modules;
    modules.start(php, {QStringLiteral("-m")});
    const bool ran = modules.waitForFinished(15000) && modules.exitStatus() == QProcess::NormalExit;
    const QStringList lines = QString::fromLocal8Bit(modules.readAllStandardOutput()).split(u'\n');
    const bool hasMysqli = std::any_of(lines.begin(), lines.end(), [](const QString& line) {
        return line.trimmed().compare(QLatin1String("mysqli"), Qt::CaseInsensitive) == 0;
    });
    if (!ran || !hasMysqli) {
        *problem = QStringLiteral("The preview needs PHP's MySQL extension (mysqli), which %1 does not have.\n")
                       .arg(php)
                   + kInstallHint;
        return std::nullopt;
    }
    return php;
}

bool SitePreview::start(const QString& php, const WizardChoices& choices, QString* error)
{
    stop();
    m_php = php;
    removeLeftovers();
    m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + u'/' + kFolderPrefix + QStringLiteral("XXXXXX"));
    if (m_folder->isValid()) {
        m_owner = std::make_unique<QLockFile>(m_folder->filePath(kOwner));
        m_owner->setStaleLockTime(0);
        m_owner->tryLock(0);
    }
    if (!m_folder->isValid() || !QDir(m_folder->path()).mkdir(kSite)) {
        *error = QStringLiteral("The preview's temporary folder could not be made: ") + m_folder->errorString();
        stop();
        return false;
    }
    const QString guardError = writeWholeFile(m_folder->filePath(kGuard), QByteArray(kGuardScript));
    if (!guardError.isEmpty()) {
        *error = guardError;
        stop();
        return false;
    }
    // The templates are copied once; the choices only change the two scripts and the stylesheet.
    WizardChoices site = choices;
    site.DestinationFolder = siteFolder() + u'/';
    GenerationLog log;
    phpCreator creator(m_programFolder, log);
    GenerationResult copied;
    if (!creator.CopyTemplates(site, copied)) {
        *error = QStringLiteral("%1 could not be written: %2").arg(copied.FailedFile, copied.Reason);
        stop();
        return false;
    }
    m_choices = choices;
    if (!writeSite(choices, error) || !startServer(error)) {
        stop();
        return false;
    }
    return true;
}

void SitePreview::stop()
{
    m_refresh->stop();
    killServer();
    m_owner.reset();
    m_folder.reset();
    m_port = 0;
}

void SitePreview::setChoices(const WizardChoices& choices)
{
    if (choices.Appearance.StylesheetPath != m_choices.Appearance.StylesheetPath)
        m_stylesheetShown.clear();
    m_choices = choices;
    m_refresh->start();
}

void SitePreview::flush()
{
    m_refresh->stop();
    if (!m_folder)
        return;
    QString error;
    if (!writeSite(m_choices, &error))
        emit writeFailed(error);
}

bool SitePreview::setWritable(bool writable, QString* error)
{
    if (writable == m_writable)
        return true;
    m_writable = writable;
    if (!m_folder)
        return true;
    killServer();
    if (!startServer(error))
        return false;
    emit siteChanged();
    return true;
}

void SitePreview::showStylesheet(const QByteArray& css)
{
    m_stylesheetShown = css;
    flush();
}

QString SitePreview::address() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

QString SitePreview::siteFolder() const
{
    return m_folder ? m_folder->filePath(kSite) : QString();
}

QString SitePreview::temporaryFolder() const
{
    return m_folder ? m_folder->path() : QString();
}

int SitePreview::statusOf(const QString& pathAndQuery) const
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_port));
    if (!socket.waitForConnected(2000))
        return 0;
    socket.write("GET " + pathAndQuery.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(5000))
        answer += socket.readAll();
    // "HTTP/1.0 404 Not Found"
    const QList<QByteArray> words = answer.left(answer.indexOf('\n')).split(' ');
    return words.size() >= 2 ? words[1].toInt() : 0;
}

// The two scripts and the stylesheet, each written only when its bytes changed.
bool SitePreview::writeSite(const WizardChoices& choices, QString* error)
{
    WizardChoices site = choices;
    site.DestinationFolder = siteFolder() + u'/';
    GenerationLog log;
    const phpCreator creator(m_programFolder, log);
    bool changed = false;
    if (!updateFile(QStringLiteral("database.php"), creator.DatabaseScriptBytes(site), changed, error)
        || !updateFile(QStringLiteral("config.php"), creator.ConfigScriptBytes(site), changed, error))
        return false;
    // A stylesheet that cannot be read is not copied, as in a real run.
    const QString stylesheet = site.Appearance.StylesheetPath;
    if (!stylesheet.isEmpty()) {
        QByteArray css = m_stylesheetShown;
        QFile chosen(stylesheet);
        if (css.isEmpty() && chosen.open(QIODevice::ReadOnly))
            css = chosen.readAll();
        if (!css.isEmpty() && !updateFile(phpCreator::FileNameOf(stylesheet), css, changed, error))
            return false;
    }
    if (changed)
        emit siteChanged();
    return true;
}

bool SitePreview::updateFile(const QString& name, const QByteArray& bytes, bool& changed, QString* error)
{
    const QString path = QDir(siteFolder()).filePath(name);
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == bytes)
        return true;
    current.close();
    const QString reason = writeWholeFile(path, bytes);
    if (!reason.isEmpty()) {
        *error = QStringLiteral("The preview could not write %1: %2").arg(path, reason);
        return false;
    }
    changed = true;
    return true;
}

bool SitePreview::startServer(QString* error)
{
    m_port = freePort();
    if (m_port == 0) {
        *error = QStringLiteral("No free port for the preview's web server was found on 127.0.0.1.");
        return false;
    }
    // The built-in server caches compiled pages and looks at their files only every few seconds:
    // without the cache a page always shows the files just written.
    QStringList arguments{QStringLiteral("-d"), QStringLiteral("opcache.enable=0")};
    if (!m_writable)
        arguments << QStringLiteral("-d") << QStringLiteral("auto_prepend_file=") + m_folder->filePath(kGuard);
    arguments << QStringLiteral("-S") << QStringLiteral("127.0.0.1:%1").arg(m_port) << QStringLiteral("-t")
              << siteFolder();
    // With this variable set the server would fork workers, which would outlive a killed server.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PHP_CLI_SERVER_WORKERS"));
    m_server.setProcessEnvironment(environment);
    m_server.setWorkingDirectory(siteFolder());
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(m_folder->filePath(kLog));
    // The server dies with the program, also when the program is killed or crashes.
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    // A server that stops while it starts is reported by the caller, not as a server gone.
    m_stopping = true;
    m_server.start(m_php, arguments);
    if (!m_server.waitForStarted(10000)) {
        m_stopping = false;
        *error = QStringLiteral("The preview's web server (%1) could not be started: %2")
                     .arg(m_php, m_server.errorString());
        return false;
    }
    // Ready once it accepts a connection; a server that cannot start says why in its log.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_port));
        if (probe.waitForConnected(200)) {
            m_stopping = false;
            return true;
        }
        if (m_server.waitForFinished(50))
            break;
    }
    const QString log = serverLog().trimmed();
    killServer();
    m_stopping = false;
    *error = QStringLiteral("The preview's web server did not start:\n")
             + (log.isEmpty() ? QStringLiteral("it gave no reason.") : log);
    return false;
}

void SitePreview::killServer()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_stopping = true;
    m_server.kill();
    m_server.waitForFinished(5000);
    m_stopping = false;
}

QString SitePreview::serverLog() const
{
    if (!m_folder)
        return {};
    QFile log(m_folder->filePath(kLog));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(4000)) : QString();
}
