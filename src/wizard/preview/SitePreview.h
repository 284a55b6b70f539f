#pragma once
// The site as the wizard's current choices would generate it, served by PHP's built-in web server
// on a free port of 127.0.0.1 from a private temporary folder. The generator writes the pages,
// config.php and database.php exactly as a real run would; a change of the choices rewrites them a
// moment later. Read-only (the default) refuses every request to execute.php, the one page that
// adds, edits and deletes records, through a PHP file the server prepends to every page; that file
// lies outside the served folder. No window: the preview window shows what this serves. Folders
// that killed or crashed programs left behind are removed when the next preview starts.

#include "choices/WizardChoices.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>

#include <memory>
#include <optional>

class QLockFile;
class QTemporaryDir;
class QTimer;

class SitePreview : public QObject {
    Q_OBJECT

public:
    // `programFolder` holds the templates.
    explicit SitePreview(const QString& programFolder, QObject* parent = nullptr);
    ~SitePreview() override;

    // The PHP command-line program on the PATH when it can talk to MySQL (mysqli); otherwise
    // nothing, and `problem` says what is missing and what to install.
    static std::optional<QString> findPhp(QString* problem);

    // Writes the site for `choices` into a new temporary folder and starts the server on it.
    // False with the reason (the server's own words when it would not start); nothing is left
    // running then.
    bool start(const QString& php, const WizardChoices& choices, QString* error);
    // Stops the server and removes the temporary folder.
    void stop();
    bool running() const { return m_server.state() != QProcess::NotRunning; }

    // The choices changed: the site is written again a moment after the last of a quick series of
    // changes, and siteChanged follows when a file of it changed.
    void setChoices(const WizardChoices& choices);
    // Writes at once what setChoices has kept waiting.
    void flush();

    // Whether the preview's pages may change the database. Switching restarts the server on the
    // same port; false with the reason when it would not start again.
    bool writable() const { return m_writable; }
    bool setWritable(bool writable, QString* error);

    // A stylesheet shown in place of the chosen one (the stylesheet tools' current text), until
    // the choices name another stylesheet; an empty text goes back to the chosen file.
    void showStylesheet(const QByteArray& css);

    // "http://127.0.0.1:PORT/"
    QString address() const;
    // The served folder (the site) and the server's process id (0 when none runs).
    QString siteFolder() const;
    QString temporaryFolder() const;
    qint64 serverPid() const { return m_server.processId(); }
    // The HTTP status the server answers a GET of `pathAndQuery` ("/tablelist.php?t=0") with; 0
    // when it does not answer.
    int statusOf(const QString& pathAndQuery) const;

signals:
    // The site's files changed: a shown page is to be loaded again.
    void siteChanged();
    // The server stopped by itself; `reason` is what it wrote.
    void serverStopped(const QString& reason);
    // The site could not be written again after a change of the choices.
    void writeFailed(const QString& reason);

private:
    bool writeSite(const WizardChoices& choices, QString* error);
    // Writes `bytes` to `name` in the site when they differ from what is there, and notes in
    // `changed` that it did; false with the reason when the file could not be written.
    bool updateFile(const QString& name, const QByteArray& bytes, bool& changed, QString* error);
    bool startServer(QString* error);
    void killServer();
    QString serverLog() const;

    QString m_programFolder;
    QString m_php;
    std::unique_ptr<QTemporaryDir> m_folder;
    // Held while the folder is in use, so that a later preview can tell a folder left by a crash.
    std::unique_ptr<QLockFile> m_owner;
    QProcess m_server;
    int m_port = 0;
    bool m_writable = false;
    bool m_stopping = false;
    WizardChoices m_choices;
    QByteArray m_stylesheetShown;
    QTimer* m_refresh = nullptr;
};
