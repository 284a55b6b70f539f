#include "generator/phpCreator.h"

#include "generator/GenerationLog.h"

#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace {

struct TemplateRow {
    const char* file;
    const char* logSuffix;  // logged after "Copying "
};

// The page templates, in copying order. The suffixes are the log texts users know, the last one
// with its two dots included.
constexpr std::array<TemplateRow, 17> kTemplates{{
    {"add.php", "\\add.php..."},
    {"delete.php", "\\delete.php..."},
    {"edit.php", "\\edit.php..."},
    {"execute.php", "\\execute.php..."},
    {"index.php", "\\index.php..."},
    {"login.php", "\\login.php..."},
    {"main.php", "\\main.php..."},
    {"search.php", "\\search.php..."},
    {"searchres.php", "\\searchres.php..."},
    {"validator.php", "\\validator.php..."},
    {"view.php", "\\view.php..."},
    {"advview.php", "\\advview.php..."},
    {"tablelist.php", "\\tablelist.php..."},
    {"up.gif", "\\up.gif..."},
    {"down.gif", "\\down.gif..."},
    {"primary.php", "\\primary.php..."},
    {"clause.php", "\\clause.php.."},
}};

QString displayPath(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

// A key inside a PHP single-quoted literal: only a backslash and a single quote mean anything
// there, so escaping both keeps a column name from ending the literal.
QString phpKey(const QString& text)
{
    QString key;
    key.reserve(text.size());
    for (const QChar ch : text) {
        if (ch == u'\\' || ch == u'\'')
            key += u'\\';
        key += ch;
    }
    return key;
}

QString phpBool(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Generated files are 8-bit text with CR LF after every line, the last one included.
QByteArray scriptBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLocal8Bit();
        bytes += "\r\n";
    }
    return bytes;
}

// The file at `path` as a run finds it: whether it holds other bytes than `bytes` (the run would
// replace it), and those bytes, or why they could not be read. No file means nothing to replace.
struct EarlierFile {
    bool Differs = false;
    QByteArray Bytes;
    QString ReadError;
};

EarlierFile earlierFile(const QString& path, const QByteArray& bytes)
{
    EarlierFile earlier;
    QFile file(path);
    if (!file.exists() || QFileInfo(path).isDir())
        return earlier;
    earlier.Differs = true;
    if (!file.open(QIODevice::ReadOnly)) {
        earlier.ReadError = file.errorString();
        return earlier;
    }
    earlier.Bytes = file.readAll();
    earlier.Differs = earlier.Bytes != bytes;
    return earlier;
}

// Replaces the file at `path` with `bytes` in one step, so a failure (a full disk included) leaves
// the earlier file (or none) byte for byte and never a short one. A file marked read-only is
// refused even where the user's rights would allow writing it, as the mark asks. An earlier file
// with other content is first copied to "<path>.bak"; when that copy cannot be made the file is
// left as it was.
WriteOutcome saveWholeFile(const QString& path, const QByteArray& bytes)
{
    WriteOutcome outcome{path, {}};
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isDir()
        && (!existing.isWritable() || !(existing.permissions() & QFileDevice::WriteOwner))) {
        outcome.Error = QStringLiteral("the file is read-only");
        return outcome;
    }
    const EarlierFile earlier = earlierFile(path, bytes);
    if (earlier.Differs) {
        if (!earlier.ReadError.isEmpty()) {
            outcome.Error = earlier.ReadError;
            return outcome;
        }
        const QString backup = path + QStringLiteral(".bak");
        const QString kept = writeWholeFile(backup, earlier.Bytes);
        if (!kept.isEmpty()) {
            outcome.Error = QStringLiteral("could not keep a copy of it as %1: %2").arg(displayPath(backup), kept);
            return outcome;
        }
        outcome.Replaced = true;
    }
    outcome.Error = writeWholeFile(path, bytes);
    return outcome;
}

// Why a byte-for-byte copy failed: the source could not be read, or the target not written.
struct CopyFailure {
    QString Reason;
    bool TargetFailed = false;
    bool Replaced = false;  // copied over an earlier file with other content
};

// Byte-for-byte copy that replaces an existing target. An empty Reason means it was copied.
CopyFailure copyWholeFile(const QString& source, const QString& target)
{
    if (QFileInfo(source).isDir())
        return {QStringLiteral("%1 is a folder").arg(displayPath(source))};
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {in.errorString()};
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return {in.errorString()};
    const WriteOutcome written = saveWholeFile(target, bytes);
    return {written.Error, !written.Ok(), written.Replaced};
}

// The page that reads $FKInfo splits "table.column" at the first dot whose left part names a
// table of the site, or else at the first dot; this is the table it finds.
QString pageLookupTable(const QString& target, const QStringList& siteTables)
{
    QString found;
    for (qsizetype dot = target.indexOf(u'.'); dot >= 0; dot = target.indexOf(u'.', dot + 1)) {
        const QString table = target.left(dot);
        if (found.isNull())
            found = table;
        if (siteTables.contains(table))
            return table;
    }
    return found;
}

// Whether the lookup text "table.column" of `field` comes back as the same table and column. The
// table is the field's parent table when the text starts with it, else the one site table it
// starts with; with several such tables, or none and more than one dot, the text is ambiguous.
bool lookupSplitsBack(const ChosenField& field, const QStringList& siteTables)
{
    const QString& target = field.LookupTarget;
    const QString parsed = pageLookupTable(target, siteTables);
    if (parsed.isNull())
        return false;
    if (!field.ParentTable.isEmpty() && target.startsWith(field.ParentTable + u'.'))
        return parsed == field.ParentTable;
    qsizetype candidates = 0;
    for (const QString& table : siteTables)
        candidates += target.startsWith(table + u'.') ? 1 : 0;
    return candidates == 1 || (candidates == 0 && target.count(u'.') == 1);
}

bool survivesEncoding(const QString& text)
{
    return QString::fromLocal8Bit(text.toLocal8Bit()) == text;
}

}  // namespace

phpCreator::phpCreator(const QString& programFolder, GenerationLog& log)
    : m_programFolder(programFolder), m_log(log)
{
}

GenerationResult phpCreator::Generate(const WizardChoices& choices)
{
    GenerationResult result;
    // Without a destination every path would start at the root of the file system.
    if (choices.DestinationFolder.isEmpty()) {
        result.Reason = QStringLiteral("no destination folder was chosen");
        return result;
    }

    if (!CopyTemplates(choices, result))
        return result;
    AppendLogLine(QStringLiteral("Copying Templates..."));
    m_log.SetGenerationStage(1);
    AppendLogLine(QStringLiteral("Templates copied successfully."));

    const WriteOutcome database = WriteDatabaseScript(choices);
    if (database.Replaced)
        result.Replaced << displayPath(database.Path);
    if (!database.Ok()) {
        result.FailedFile = displayPath(database.Path);
        result.Reason = database.Error;
        return result;
    }
    AppendLogLine(QStringLiteral("Creating Database file..."));
    m_log.SetGenerationStage(2);
    AppendLogLine(QStringLiteral("Database file created successfully."));

    const WriteOutcome config = WriteConfigScript(choices);
    if (config.Replaced)
        result.Replaced << displayPath(config.Path);
    if (!config.Ok()) {
        result.FailedFile = displayPath(config.Path);
        result.Reason = config.Error;
        return result;
    }
    AppendLogLine(QStringLiteral("Creating configuration data..."));
    AppendLogLine(QStringLiteral("Parsing data..."));
    result.NameWarnings = UnrepresentableNames(choices);
    for (const QString& warning : result.NameWarnings)
        AppendLogLine(warning);
    m_log.SetGenerationStage(3);
    AppendLogLine(QStringLiteral("Task completed successfully."));

    result.Succeeded = true;
    return result;
}

bool phpCreator::CopyTemplates(const WizardChoices& choices, GenerationResult& result)
{
    // Each copy logs its row's line; a failure adds a line after it naming the file and the reason.
    // A template that could not be written stops the run: the site would miss it or keep a stale one.
    auto copy = [&](const QString& source, const QString& target, const QString& line, bool required) {
        const CopyFailure failure = copyWholeFile(source, target);
        if (failure.Replaced)
            result.Replaced << displayPath(target);
        AppendLogLine(line);
        if (failure.Reason.isEmpty())
            return true;
        if (required && failure.TargetFailed) {
            result.FailedFile = displayPath(target);
            result.Reason = failure.Reason;
            return false;
        }
        const QString warning = QStringLiteral("Warning: could not copy %1 to %2: %3")
                                    .arg(displayPath(source), displayPath(target), failure.Reason);
        result.Warnings << warning;
        AppendLogLine(warning);
        return true;
    };

    const QString templates = m_programFolder + QStringLiteral("/templates/");
    const QString destination = choices.DestinationFolder + u'/';
    for (const TemplateRow& row : kTemplates) {
        const QString name = QString::fromLatin1(row.file);
        if (!copy(templates + name, destination + name,
                  QStringLiteral("Copying ") + QString::fromLatin1(row.logSuffix), true))
            return false;
    }

    const QString stylesheet = choices.Appearance.StylesheetPath;
    if (!stylesheet.isEmpty())
        copy(stylesheet, destination + FileNameOf(stylesheet), QStringLiteral("Copying CSS..."), false);
    return true;
}

QByteArray phpCreator::DatabaseScriptBytes(const WizardChoices& choices) const
{
    const ConnectionSettings& c = choices.Connection;
    // The PHP call takes another port as host:port, an IPv6 address in brackets ([::1]:3307) so
    // that its own colons stay apart from the port's; the default port is left out.
    QString host = c.ServerName;
    if (c.Port != kDefaultServerPort) {
        if (host.count(u':') > 1 && !host.startsWith(u'['))
            host = u'[' + host + u']';
        host += u':' + QString::number(c.Port);
    }

    const QStringList lines{
        QStringLiteral("<?php"),
        QStringLiteral("$db = mysql_connect(") + MakeString(host) + u',' + MakeString(c.UserName)
            + QStringLiteral(", ") + MakeString(c.Password) + QStringLiteral(");"),
        QStringLiteral("mysql_select_db(") + MakeString(c.DatabaseName) + QStringLiteral(", $db);"),
        QStringLiteral("?>"),
    };
    return scriptBytes(lines);
}

WriteOutcome phpCreator::WriteDatabaseScript(const WizardChoices& choices) const
{
    return saveWholeFile(choices.DestinationFolder + QStringLiteral("/database.php"), DatabaseScriptBytes(choices));
}

WriteOutcome phpCreator::WriteConfigScript(const WizardChoices& choices) const
{
    // The sections are gathered first and the file replaced in one step, so a failure leaves no
    // script that stops halfway.
    return saveWholeFile(choices.DestinationFolder + QStringLiteral("/config.php"), ConfigScriptBytes(choices));
}

QByteArray phpCreator::ConfigScriptBytes(const WizardChoices& choices) const
{
    QStringList lines;
    BeginConfigScript(choices, lines);
    WriteTableData(choices, lines);
    WriteOptions(choices, lines);
    WriteExtraQueries(choices, lines);
    EndConfigScript(choices, lines);
    return scriptBytes(lines);
}

QStringList phpCreator::FilesToReplace(const WizardChoices& choices) const
{
    QStringList replaced;
    const QString destination = choices.DestinationFolder + u'/';
    auto check = [&](const QString& target, const QByteArray& bytes) {
        if (earlierFile(target, bytes).Differs)
            replaced << displayPath(target);
    };
    auto checkCopy = [&](const QString& source, const QString& target) {
        QFile in(source);
        if (in.open(QIODevice::ReadOnly))
            check(target, in.readAll());
    };
    const QString templates = m_programFolder + QStringLiteral("/templates/");
    for (const TemplateRow& row : kTemplates)
        checkCopy(templates + QString::fromLatin1(row.file), destination + QString::fromLatin1(row.file));
    const QString stylesheet = choices.Appearance.StylesheetPath;
    if (!stylesheet.isEmpty() && !QFileInfo(stylesheet).isDir())
        checkCopy(stylesheet, destination + FileNameOf(stylesheet));
    check(destination + QStringLiteral("database.php"), DatabaseScriptBytes(choices));
    check(destination + QStringLiteral("config.php"), ConfigScriptBytes(choices));
    return replaced;
}

void phpCreator::BeginConfigScript(const WizardChoices&, QStringList& lines) const
{
    lines << QStringLiteral("<?php");
}

// Per table i: one $TableData line per field holding its rule as
// "max    min   characters    allownulls", then the field list, the table name and the lookups.
void phpCreator::WriteTableData(const WizardChoices& choices, QStringList& lines) const
{
    for (qsizetype i = 0; i < choices.SelectedTables.size(); ++i) {
        const SelectedTable& table = choices.SelectedTables[i];
        const QString index = QString::number(i);

        QStringList names;
        QString lookups;
        for (const ChosenField& field : table.ChosenFields) {
            const QString rule = QString::number(field.MaxValue) + QStringLiteral("    ")
                                 + QString::number(field.MinValue) + QStringLiteral("   ")
                                 + field.Characters + QStringLiteral("   ") + u' '
                                 + QString::number(field.AllowNulls);
            lines << QStringLiteral("$TableData['") + index + u'@' + phpKey(field.Name)
                         + QStringLiteral("'] = ") + MakeString(rule) + u';';
            names << field.Name;
            if (!field.LookupTarget.isEmpty())
                lookups += field.Name + QStringLiteral("@->") + field.LookupTarget + u';';
        }
        lines << QStringLiteral("$Tables['") + index + QStringLiteral("'] = ")
                     + MakeString(names.join(u'@')) + u';';
        lines << QStringLiteral("$TableNames['") + index + QStringLiteral("'] = ")
                     + MakeString(table.TableName) + u';';
        lines << QStringLiteral("$FKInfo['") + index + QStringLiteral("'] = ") + MakeString(lookups) + u';';
    }
}

void phpCreator::WriteOptions(const WizardChoices& choices, QStringList& lines) const
{
    const ScriptOptions& o = choices.Options;
    lines << QStringLiteral("$Delete = ") + phpBool(o.AllowDelete) + u';'
          << QStringLiteral("$Add = ") + phpBool(o.AllowAdd) + u';'
          << QStringLiteral("$Edit = ") + phpBool(o.AllowEdit) + u';'
          << QStringLiteral("$Search = ") + phpBool(o.AllowSearch) + u';'
          << QStringLiteral("$View = ") + phpBool(o.AllowView) + u';'
          << QStringLiteral("$ViewTable = ") + phpBool(o.ViewTable) + u';'
          << QStringLiteral("$Form = ") + phpBool(o.ShowForm) + u';'
          << QStringLiteral("$SearchRecords = ") + phpBool(o.SearchRecords) + u';'
          << QStringLiteral("$PHPValidate = ") + phpBool(o.PhpValidate) + u';'
          << QStringLiteral("$JavaValidate = ") + phpBool(o.JavaValidate) + u';'
          << QStringLiteral("$Navigator = ") + phpBool(o.Navigator) + u';'
          << QStringLiteral("$RecsPerPage = ") + QString::number(o.RecordsPerPage) + u';'
          << QStringLiteral("$Admin = ") + MakeString(choices.Security.AdminUser) + u';'
          << QStringLiteral("$AdminPass = ") + MakeString(choices.Security.AdminPassword) + u';'
          << QStringLiteral("$FK = ") + phpBool(o.CreateLookupColumns) + u';'
          << QStringLiteral("$CSS = ") + MakeString(FileNameOf(choices.Appearance.StylesheetPath)) + u';';
}

void phpCreator::WriteExtraQueries(const WizardChoices& choices, QStringList& lines) const
{
    for (const QString& query : choices.ExtraQueries)
        lines << QStringLiteral("$ExtraQueryes[] = ") + MakeString(query) + u';';
}

void phpCreator::EndConfigScript(const WizardChoices& choices, QStringList& lines) const
{
    lines << choices.ExtraConfigLines;
    lines << QStringLiteral("?>");
}

QString phpCreator::MakeString(const QString& value)
{
    QString literal;
    literal.reserve(value.size() + 2);
    literal += u'"';
    for (const QChar ch : value) {
        if (ch == u'\\' || ch == u'"' || ch == u'$')
            literal += u'\\';
        literal += ch;
    }
    literal += u'"';
    return literal;
}

QString phpCreator::FileNameOf(const QString& path)
{
    const qsizetype separator = path.lastIndexOf(u'/');
    return separator < 0 ? QString() : path.mid(separator + 1);
}

QStringList phpCreator::UnrepresentableNames(const WizardChoices& choices)
{
    QStringList siteTables;
    for (const SelectedTable& table : choices.SelectedTables)
        siteTables << table.TableName;

    QStringList warnings;
    auto warn = [&](const QString& what, const QString& why) {
        warnings << QStringLiteral("Warning: config.php cannot represent %1 exactly: %2.").arg(what, why);
    };
    const QString lost = QStringLiteral("the system's 8-bit encoding lacks some of its characters");
    for (const SelectedTable& table : choices.SelectedTables) {
        if (!survivesEncoding(table.TableName))
            warn(QStringLiteral("the table name \"%1\"").arg(table.TableName), lost);
        for (const ChosenField& field : table.ChosenFields) {
            const QString column =
                QStringLiteral("the column name \"%1\" of table \"%2\"").arg(field.Name, table.TableName);
            if (!survivesEncoding(field.Name))
                warn(column, lost);
            // $Tables joins the column names with "@".
            if (field.Name.contains(u'@'))
                warn(column, QStringLiteral("\"@\" separates the column names in $Tables"));
            if (field.LookupTarget.isEmpty())
                continue;
            // $FKInfo holds "column@->table.column;" for every lookup.
            const QString lookup = QStringLiteral("the lookup \"%1\" of column \"%2\" in table \"%3\"")
                                       .arg(field.LookupTarget, field.Name, table.TableName);
            if (field.Name.contains(u';') || field.LookupTarget.contains(u';'))
                warn(lookup, QStringLiteral("\";\" ends each lookup entry in $FKInfo"));
            if (field.Name.contains(QStringLiteral("@->")))
                warn(lookup, QStringLiteral("\"@->\" separates a column from its lookup in $FKInfo"));
            if (!lookupSplitsBack(field, siteTables))
                warn(lookup, QStringLiteral("its table name and column name cannot be told apart"));
            if (!survivesEncoding(field.LookupTarget))
                warn(lookup, lost);
        }
    }
    return warnings;
}

void phpCreator::AppendLogLine(const QString& text)
{
    m_log.Append(text);
}
