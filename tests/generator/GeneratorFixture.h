#pragma once
// Shared pieces of the generator tests: a program folder holding its own template files, a
// destination folder, the log lines of a clean run, and PHP run on generated files.

#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"
#include "choices/WizardChoices.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

namespace gentest {

// The seventeen template names in copying order.
QStringList templateNames();

// A temporary program folder whose templates/ holds the seventeen files, each with contents of
// its own (the two images as binary bytes with CR, LF and NUL in them), and a stylesheet
// site.css beside them; plus an empty destination folder.
class GeneratorFolders {
public:
    GeneratorFolders();
    QString programFolder() const { return m_program.path(); }
    QString templateFile(const QString& name) const;
    QString stylesheet() const;
    // The destination as the folder chooser gives it: ending with "/".
    QString destination() const { return m_destination.path() + QStringLiteral("/"); }
    QString destinationFile(const QString& name) const { return m_destination.filePath(name); }
    // The bytes each template was created with.
    QByteArray templateBytes(const QString& name) const;

private:
    QTemporaryDir m_program;
    QTemporaryDir m_destination;
};

// The choices of the worked example: table customers with fields id and name, default options,
// no login, the stylesheet `stylesheetPath`, the destination `destination`.
WizardChoices exampleChoices(const QString& destination, const QString& stylesheetPath);

// The lines a run that copied everything appends to the log.
QStringList cleanRunLines(bool withStylesheet);

QByteArray readFile(const QString& path);
// Joins lines with CR LF after each, the way generated scripts end every line.
QByteArray crlf(const QStringList& lines);

struct PhpRun {
    int exitCode = -1;
    QByteArray output;
};
// Runs the PHP command line with `arguments` (no shell in between).
PhpRun runPhp(const QStringList& arguments);
// Runs `code` with `file` as $argv[1].
PhpRun runPhpCode(const QString& code, const QString& file);
// What var_dump prints for a string, and for a list of strings.
QByteArray dumpString(const QString& text);
QByteArray dumpList(const QStringList& texts);

}  // namespace gentest
