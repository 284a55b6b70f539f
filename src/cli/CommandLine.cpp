#include "cli/CommandLine.h"

#include "common/ProgramFolder.h"
#include "generator/GenerationLog.h"
#include "generator/SiteReader.h"
#include "generator/phpCreator.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "wizard/cDB.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

#include <unistd.h>

namespace CommandLine {

namespace {

void writeLine(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void output(const QString& text)
{
    writeLine(stdout, text);
}

// Every message starts with the program's name, so it stands out among other tools' lines.
void message(const QString& text)
{
    writeLine(stderr, QStringLiteral("quillmere: ") + text);
}

int usageError(const QString& text)
{
    message(text + QStringLiteral(" (usage: quillmere regenerate DIR | quillmere check DIR; --help tells more)"));
    return BadUsage;
}

// Progress lines are for a person watching; a script reading stderr gets only what went wrong.
bool showsProgress()
{
    return isatty(STDERR_FILENO) != 0;
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

// The site's choices, or nothing after one line saying why they could not be read. Lines of the
// scripts the reader did not understand are warnings; the run goes on.
std::optional<WizardChoices> readSite(const QString& folder)
{
    const SiteReadResult site = SiteReader::Read(folder);
    if (!site.Ok) {
        message(site.Message());
        return std::nullopt;
    }
    for (const QString& line : site.Unread)
        message(QStringLiteral("warning: ") + line);
    return site.Choices;
}

// Runs the generator into an empty temporary folder: a template or stylesheet that cannot be read
// shows there, before anything in the site's folder is touched. Returns why the run would fail,
// with the site's folder named where the trial's was; empty when it would not.
QString trialRun(WizardChoices choices, const QString& programFolder, const QString& folder)
{
    QTemporaryDir trial;
    if (!trial.isValid())
        return QStringLiteral("no temporary folder for a trial run: %1").arg(trial.errorString());
    choices.DestinationFolder = trial.path() + u'/';
    GenerationLog log;
    phpCreator creator(programFolder, log);
    const GenerationResult result = creator.Generate(choices);
    QString problem;
    if (!result.Succeeded)
        problem = result.FailedFile.isEmpty() ? result.Reason
                                              : QStringLiteral("%1: %2").arg(result.FailedFile, result.Reason);
    else if (!result.Warnings.isEmpty())
        problem = result.Warnings.constFirst();
    if (problem.startsWith(QLatin1String("Warning: ")))
        problem.remove(0, 9);
    return problem.replace(shown(trial.path()), shown(folder));
}

QString serverLabel(const ConnectionSettings& c)
{
    return QStringLiteral("%1:%2").arg(c.ServerName).arg(c.Port);
}

// Qt's own options of a window program (QGuiApplication, QApplication): given first, they mean the
// wizard, as they did before there were commands. Qt reads them with one dash or two.
bool isWindowOption(QString argument)
{
    static const QStringList names{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("reverse"),
        QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("geometry"),
        QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("widgetcount"),
        QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};
    if (!argument.startsWith(u'-'))
        return false;
    argument.remove(0, argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return names.contains(argument.section(u'=', 0, 0));
}

}  // namespace

bool Wanted(const QStringList& arguments)
{
    return arguments.size() > 1 && !isWindowOption(arguments.at(1));
}

int Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Without arguments Quillmere opens the wizard. With a command it works on a folder the wizard "
        "generated, without a window.\n"
        "Exit status: 0 success, 1 failure (or, for check, differences found), 2 bad usage."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("regenerate: write the site in DIR again from its own config.php and database.php.\n"
                       "check: list where the site in DIR and its database no longer agree."),
        QStringLiteral("regenerate|check"));
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("A folder the wizard generated."));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    // --help-all (Qt's options too) says no more here: a program without a window reads none of them.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // The usage line names the program as users type it, not by the path it was started with.
        QString text = parser.helpText();
        const QString started = QStringLiteral("Usage: ") + arguments.value(0);
        if (text.startsWith(started))
            text.replace(0, started.size(), QStringLiteral("Usage: quillmere"));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return Success;
    }
    if (parser.isSet(version)) {
        output(QStringLiteral("quillmere %1").arg(QStringLiteral(QM_VERSION)));
        return Success;
    }

    const QStringList positional = parser.positionalArguments();
    const QString command = positional.value(0);
    if (command != QLatin1String("regenerate") && command != QLatin1String("check"))
        return usageError(command.isEmpty() ? QStringLiteral("no command given")
                                            : QStringLiteral("unknown command \"%1\"").arg(command));
    if (positional.size() < 2)
        return usageError(QStringLiteral("%1 needs the folder of a generated site").arg(command));
    if (positional.size() > 2)
        return usageError(QStringLiteral("unexpected argument \"%1\"").arg(positional.at(2)));

    const QString folder = positional.at(1);
    if (command == QLatin1String("regenerate"))
        return Regenerate(folder, ProgramFolder::dataFolder());
    return Check(folder);
}

int Regenerate(const QString& folder, const QString& programFolder)
{
    const std::optional<WizardChoices> choices = readSite(folder);
    if (!choices)
        return Failure;
    if (!QFileInfo(folder).isWritable()) {
        message(QStringLiteral("%1: the folder is not writable").arg(shown(folder)));
        return Failure;
    }
    const QString problem = trialRun(*choices, programFolder, folder);
    if (!problem.isEmpty()) {
        message(QStringLiteral("%1 was left as it was: %2").arg(shown(folder), problem));
        return Failure;
    }

    GenerationLog log;
    QObject::connect(&log, &GenerationLog::lineAppended, &log, [](const QString& line) { output(line); });
    phpCreator creator(programFolder, log);
    const GenerationResult result = creator.Generate(*choices);
    for (const QString& path : result.Replaced)
        output(QStringLiteral("Replaced %1 (the earlier file is kept as %2.bak)")
                   .arg(shown(path), phpCreator::FileNameOf(path)));
    if (!result.Succeeded) {
        message(result.FailedFile.isEmpty()
                    ? result.Reason
                    : QStringLiteral("%1 could not be written: %2").arg(result.FailedFile, result.Reason));
        return Failure;
    }
    return result.Warnings.isEmpty() ? Success : Failure;
}

int Check(const QString& folder)
{
    const std::optional<WizardChoices> choices = readSite(folder);
    if (!choices)
        return Failure;

    const ConnectionSettings& c = choices->Connection;
    QString serverError;
    cDB db([&serverError](const QString& text) { serverError = text; });
    if (!db.Connect(c.ServerName, c.UserName, c.Password, c.Port)) {
        message(QStringLiteral("cannot connect to server %1 as user %2 (from %3): %4")
                    .arg(serverLabel(c), c.UserName, shown(folder + QStringLiteral("/database.php")), serverError));
        return Failure;
    }
    const QStringList tables = db.ListTables(c.DatabaseName);
    if (!serverError.isEmpty() || !db.UseDatabase(c.DatabaseName)) {
        message(QStringLiteral("cannot read database %1 on server %2: %3")
                    .arg(c.DatabaseName, serverLabel(c), serverError));
        return Failure;
    }

    QStringList drift;
    const qsizetype count = choices->SelectedTables.size();
    for (qsizetype i = 0; i < count; ++i) {
        const SelectedTable& table = choices->SelectedTables.at(i);
        if (showsProgress())
            writeLine(stderr, QStringLiteral("Checking %1 (%2 of %3)...").arg(table.TableName).arg(i + 1).arg(count));
        if (!tables.contains(table.TableName)) {
            drift << QStringLiteral("missing table: %1 (in the site, no longer in the database)").arg(table.TableName);
            continue;
        }
        // Every table has a column, so an empty list means the statement failed.
        const QStringList columns = db.ListColumnNames(table.TableName);
        if (columns.isEmpty()) {
            message(QStringLiteral("cannot read the columns of %1 on server %2: %3")
                        .arg(table.TableName, serverLabel(c), db.Connection().Error().Description()));
            return Failure;
        }
        // Column names are matched as the server matches them: without letter case.
        QStringList shownColumns;
        for (const ChosenField& field : table.ChosenFields) {
            shownColumns << field.Name;
            if (!columns.contains(field.Name, Qt::CaseInsensitive))
                drift << QStringLiteral("missing column: %1.%2 (chosen in the site, no longer in the database)")
                             .arg(table.TableName, field.Name);
        }
        for (const QString& column : columns) {
            if (!shownColumns.contains(column, Qt::CaseInsensitive))
                drift << QStringLiteral("new column: %1.%2 (in the database, not shown by the site)")
                             .arg(table.TableName, column);
        }
    }

    for (const QString& line : drift)
        output(line);
    if (!drift.isEmpty()) {
        message(QStringLiteral("%1 %2 between %3 and database %4 on server %5")
                    .arg(drift.size())
                    .arg(drift.size() == 1 ? QStringLiteral("difference") : QStringLiteral("differences"),
                         shown(folder), c.DatabaseName, serverLabel(c)));
        return Failure;
    }
    message(QStringLiteral("%1 matches database %2 on server %3").arg(shown(folder), c.DatabaseName, serverLabel(c)));
    return Success;
}

}  // namespace CommandLine
