#pragma once
// The script generator: copies the page templates and the chosen stylesheet into the destination
// folder and writes database.php and config.php from the wizard's choices. It reads the choices and
// never changes them; progress goes to the GenerationLog it was given.

#include "choices/WizardChoices.h"

#include <QString>
#include <QStringList>

class GenerationLog;

// The outcome of writing one file: an empty Error means it was written.
struct WriteOutcome {
    QString Path;
    QString Error;
    bool Replaced = false;  // an earlier file with other content was replaced (and kept as .bak)
    bool Ok() const { return Error.isEmpty(); }
};

// The outcome of a whole run. A run that stopped names the script or template it could not write;
// a run that finished may still carry warnings: one per template or stylesheet that could not be
// read for copying (or stylesheet that could not be written), and one per name that config.php
// cannot represent exactly.
struct GenerationResult {
    bool Succeeded = false;
    QString FailedFile;
    QString Reason;
    QStringList Warnings;
    QStringList NameWarnings;
    // The generator's own files that existed with other content and were replaced; each one's
    // earlier content was kept beside it as "<name>.bak".
    QStringList Replaced;
};

class phpCreator {
public:
    // Templates are taken from `programFolder`/templates.
    phpCreator(const QString& programFolder, GenerationLog& log);

    // The whole run: templates and stylesheet, then database.php, then config.php. Stops at the
    // first script or template that cannot be written, leaving the stage counter where it was.
    GenerationResult Generate(const WizardChoices& choices);

    // The files of the destination this run would write (templates, stylesheet, database.php,
    // config.php) that exist and hold other bytes than the run would write: the files a run
    // replaces. Files the generator does not write are never read, changed or listed.
    QStringList FilesToReplace(const WizardChoices& choices) const;

    // Copies the seventeen templates and the stylesheet, logging one line per row (and one more
    // naming the file and the reason when a template could not be read or the stylesheet not
    // copied: those go to result.Warnings). A template that could not be written to the
    // destination stops the copying: result names it, and the result is false.
    bool CopyTemplates(const WizardChoices& choices, GenerationResult& result);

    WriteOutcome WriteDatabaseScript(const WizardChoices& choices) const;
    WriteOutcome WriteConfigScript(const WizardChoices& choices) const;
    // The two scripts' bytes as the writers above write them.
    QByteArray DatabaseScriptBytes(const WizardChoices& choices) const;
    QByteArray ConfigScriptBytes(const WizardChoices& choices) const;

    // A PHP double-quoted literal holding exactly `value`: backslash, double quote and dollar sign
    // are escaped, so nothing inside is read as an escape, the literal's end or a variable.
    static QString MakeString(const QString& value);
    // The part of `path` after its last separator; empty when there is none.
    static QString FileNameOf(const QString& path);
    // One warning line for every table, column or lookup name that config.php cannot carry
    // exactly: a separator of its lists inside a name, or a character the 8-bit encoding lacks.
    static QStringList UnrepresentableNames(const WizardChoices& choices);

    // Appends a line to the log and lets pending events run, so the line is painted at once.
    void AppendLogLine(const QString& text);

private:
    // The five sections of config.php, in file order.
    void BeginConfigScript(const WizardChoices& choices, QStringList& lines) const;
    void WriteTableData(const WizardChoices& choices, QStringList& lines) const;
    void WriteOptions(const WizardChoices& choices, QStringList& lines) const;
    void WriteExtraQueries(const WizardChoices& choices, QStringList& lines) const;
    void EndConfigScript(const WizardChoices& choices, QStringList& lines) const;

    QString m_programFolder;
    GenerationLog& m_log;
};
