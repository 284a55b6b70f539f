#pragma once
// The program's commands without a window: `quillmere regenerate DIR` writes a generated site
// again from its own config.php and database.php; `quillmere check DIR` compares a site with its
// database. The generator's log is the output (stdout); warnings, errors and progress go to
// stderr, one line each.

#include <QString>
#include <QStringList>

namespace CommandLine {

// Exit statuses of every command.
enum ExitStatus { Success = 0, Failure = 1, BadUsage = 2 };

// Whether `arguments` (the program's name first) ask for a command rather than the wizard: the
// first argument is a command or an option. Qt's own window options (-style, -platform, ...) still
// open the wizard.
bool Wanted(const QStringList& arguments);

// Parses the arguments and runs the command; needs a QCoreApplication and returns the exit status.
int Run(const QStringList& arguments);

// Reads the site in `folder` and runs the generator into it again, with the templates of
// `programFolder`. Nothing is written when the site cannot be read or a file it needs cannot be.
int Regenerate(const QString& folder, const QString& programFolder);

// Reads the site in `folder`, connects with its database.php settings and prints one line per
// difference: Success when there is none, Failure when there is any or the check could not run.
int Check(const QString& folder);

}  // namespace CommandLine
