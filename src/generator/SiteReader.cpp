#include "generator/SiteReader.h"

#include "generator/PhpStatements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <limits>

namespace {

const QString kDatabaseFile = QStringLiteral("database.php");
const QString kConfigFile = QStringLiteral("config.php");

QString text(const PhpValue& value)
{
    return QString::fromLocal8Bit(value.text);
}

std::optional<qint64> wholeNumber(const PhpValue& value)
{
    if (value.kind != PhpValue::Kind::Number)
        return std::nullopt;
    bool ok = false;
    const qint64 number = value.text.toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

std::optional<int16_t> int16Of(const QString& digits)
{
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || number < std::numeric_limits<int16_t>::min() || number > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(number);
}

// The table index of $Tables['3'], $TableData['3@name'] and the like.
std::optional<int> tableIndex(const QString& key)
{
    bool ok = false;
    const int index = key.toInt(&ok);
    return ok && index >= 0 ? std::optional<int>(index) : std::nullopt;
}

std::optional<QString> keyText(const PhpStatement& statement)
{
    if (!statement.key)
        return std::nullopt;
    return text(*statement.key);
}

// The host part of mysql_connect's first argument: "host", "host:port" or "[v6 address]:port".
bool splitHost(const QString& host, ConnectionSettings& connection)
{
    QString name = host;
    QString port;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close > 0) {
            name = host.mid(1, close - 1);
            if (host.mid(close + 1).startsWith(u':'))
                port = host.mid(close + 2);
        }
    } else if (host.count(u':') == 1) {
        const qsizetype colon = host.indexOf(u':');
        name = host.left(colon);
        port = host.mid(colon + 1);
    }
    connection.ServerName = name;
    if (port.isEmpty())
        return true;
    const std::optional<int16_t> number = int16Of(port);
    if (!number || *number <= 0)
        return false;
    connection.Port = *number;
    return true;
}

// A rule as the generator writes it: "max    min   characters    allownulls".
bool readRule(const QString& rule, ChosenField& field)
{
    static const QRegularExpression exact(QStringLiteral(R"(^(-?\d+) {4}(-?\d+) {3}(.*) {4}(\d+)$)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression loose(QStringLiteral(R"(^\s*(-?\d+)\s+(-?\d+)\s+(.*?)\s*(\d+)\s*$)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch match = exact.match(rule);
    if (!match.hasMatch())
        match = loose.match(rule);
    if (!match.hasMatch())
        return false;
    const std::optional<int16_t> max = int16Of(match.captured(1));
    const std::optional<int16_t> min = int16Of(match.captured(2));
    const int nulls = match.captured(4).toInt();
    if (!max || !min || nulls > 255)
        return false;
    field.MaxValue = *max;
    field.MinValue = *min;
    field.Characters = match.captured(3);
    field.AllowNulls = static_cast<uint8_t>(nulls);
    return true;
}

// What config.php says of one table before the tables are put in order.
struct TableEntries {
    std::optional<QString> name;
    std::optional<QString> fields;
    QString lookups;
    QHash<QString, QString> rules;
};

class ConfigReader {
public:
    ConfigReader(const QString& folder, SiteReadResult& result) : m_folder(folder), m_result(result) {}

    // Takes a statement into the choices; one that is not a setting the generator writes is
    // reported and kept as written.
    void take(const PhpStatement& statement)
    {
        const QString why = assign(statement);
        if (why.isEmpty())
            return;
        m_result.Unread << QStringLiteral("%1 line %2: %3: %4")
                               .arg(kConfigFile, QString::number(statement.line),
                                    QString::fromLocal8Bit(statement.raw).simplified(), why);
        keep(statement.raw);
    }

    void keep(const QByteArray& raw)
    {
        QString lines = QString::fromLocal8Bit(raw);
        lines.remove(u'\r');
        m_result.Choices.ExtraConfigLines << lines.split(u'\n');
    }

    bool finish(QString& reason)
    {
        if (m_tables.isEmpty()) {
            reason = QStringLiteral("no table is named in it ($TableNames), so it is not the config.php of a generated site");
            return false;
        }
        QList<SelectedTable>& tables = m_result.Choices.SelectedTables;
        tables.clear();
        for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it)
            addTable(it.key(), it.value(), tables);
        return true;
    }

private:
    // Takes one statement into the choices; the reason it could not, or an empty text.
    QString assign(const PhpStatement& s)
    {
        static const QHash<QByteArray, bool ScriptOptions::*> flags{
            {"Delete", &ScriptOptions::AllowDelete},     {"Add", &ScriptOptions::AllowAdd},
            {"Edit", &ScriptOptions::AllowEdit},         {"Search", &ScriptOptions::AllowSearch},
            {"View", &ScriptOptions::AllowView},         {"ViewTable", &ScriptOptions::ViewTable},
            {"Form", &ScriptOptions::ShowForm},          {"SearchRecords", &ScriptOptions::SearchRecords},
            {"PHPValidate", &ScriptOptions::PhpValidate}, {"JavaValidate", &ScriptOptions::JavaValidate},
            {"Navigator", &ScriptOptions::Navigator},    {"FK", &ScriptOptions::CreateLookupColumns},
        };
        if (s.isCall)
            return QStringLiteral("not a setting of the site");
        WizardChoices& c = m_result.Choices;
        const bool isText = s.value.kind == PhpValue::Kind::String;
        if (!s.indexed) {
            if (const auto flag = flags.find(s.name); flag != flags.end()) {
                if (s.value.kind != PhpValue::Kind::Bool)
                    return QStringLiteral("not True or False");
                c.Options.*(flag.value()) = s.value.flag;
                return {};
            }
            if (s.name == "RecsPerPage") {
                const std::optional<qint64> number = wholeNumber(s.value);
                if (!number || *number < 0 || *number > std::numeric_limits<int16_t>::max())
                    return QStringLiteral("not a number of records from 0 to 32767");
                c.Options.RecordsPerPage = static_cast<int16_t>(*number);
                return {};
            }
            QString* target = s.name == "Admin"       ? &c.Security.AdminUser
                              : s.name == "AdminPass" ? &c.Security.AdminPassword
                              : s.name == "CSS"       ? &m_stylesheet
                                                      : nullptr;
            if (!target)
                return QStringLiteral("not a setting the generator writes");
            if (!isText)
                return QStringLiteral("not a text");
            *target = text(s.value);
            if (target == &m_stylesheet)
                c.Appearance.StylesheetPath = m_stylesheet.isEmpty() ? QString() : m_folder + m_stylesheet;
            return {};
        }
        if (s.name == "ExtraQueryes") {
            if (!isText)
                return QStringLiteral("not a text");
            c.ExtraQueries << text(s.value);
            return {};
        }
        const std::optional<QString> key = keyText(s);
        if (!key)
            return QStringLiteral("not a setting the generator writes");
        if (s.name == "TableData")
            return assignRule(*key, s.value);
        std::optional<QString> TableEntries::*entry = s.name == "Tables"       ? &TableEntries::fields
                                                      : s.name == "TableNames" ? &TableEntries::name
                                                                               : nullptr;
        const bool lookups = s.name == "FKInfo";
        if (!entry && !lookups)
            return QStringLiteral("not a setting the generator writes");
        const std::optional<int> index = tableIndex(*key);
        if (!index)
            return QStringLiteral("not a table number");
        if (!isText)
            return QStringLiteral("not a text");
        TableEntries& table = m_tables[*index];
        if (lookups)
            table.lookups = text(s.value);
        else
            table.*entry = text(s.value);
        return {};
    }

    QString assignRule(const QString& key, const PhpValue& value)
    {
        const qsizetype at = key.indexOf(u'@');
        const std::optional<int> index = tableIndex(key.left(at));
        if (at < 0 || !index)
            return QStringLiteral("not a table number and a column name");
        if (value.kind != PhpValue::Kind::String)
            return QStringLiteral("not a text");
        m_tables[*index].rules.insert(key.mid(at + 1), text(value));
        return {};
    }

    void addTable(int index, const TableEntries& entries, QList<SelectedTable>& tables)
    {
        const QString where = QStringLiteral("%1, table %2: ").arg(kConfigFile).arg(index);
        if (!entries.name) {
            m_result.Unread << where + QStringLiteral("no $TableNames entry, so the table was left out");
            return;
        }
        SelectedTable table{*entries.name, {}};
        const QString fields = entries.fields.value_or(QString());
        if (!fields.isEmpty()) {
            for (const QString& name : fields.split(u'@')) {
                ChosenField field;
                field.Name = name;
                field.RuleOffered = true;
                const auto rule = entries.rules.constFind(name);
                if (rule == entries.rules.cend())
                    m_result.Unread << where + QStringLiteral("no rule for column %1").arg(name);
                else if (!readRule(*rule, field))
                    m_result.Unread << where + QStringLiteral("the rule of column %1 is not max, min, characters and allow nulls").arg(name);
                table.ChosenFields << field;
            }
        }
        for (const QString& entry : entries.lookups.split(u';', Qt::SkipEmptyParts)) {
            const qsizetype arrow = entry.indexOf(QStringLiteral("@->"));
            ChosenField* field = nullptr;
            for (ChosenField& f : table.ChosenFields)
                if (arrow > 0 && f.Name == entry.left(arrow))
                    field = &f;
            if (!field) {
                m_result.Unread << where + QStringLiteral("the lookup \"%1\" names no chosen column").arg(entry);
                continue;
            }
            field->LookupTarget = entry.mid(arrow + 3);
        }
        tables << table;
    }

    QString m_folder;
    SiteReadResult& m_result;
    QString m_stylesheet;
    QMap<int, TableEntries> m_tables;  // by index, so the order of the site's tables
};

bool readFile(const QString& path, QByteArray& bytes, SiteReadResult& result)
{
    QFile file(path);
    result.FailedFile = QDir::toNativeSeparators(path);
    if (!file.exists()) {
        result.Reason = QStringLiteral("the file does not exist, so the folder is not a generated site");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.Reason = file.errorString();
        return false;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.Reason = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

QString SiteReadResult::Message() const
{
    return QStringLiteral("%1: %2").arg(FailedFile, Reason);
}

SiteReadResult SiteReader::Read(const QString& folder)
{
    SiteReadResult result;
    const QFileInfo info(folder);
    if (!info.isDir()) {
        result.FailedFile = QDir::toNativeSeparators(folder);
        result.Reason = info.exists() ? QStringLiteral("not a folder") : QStringLiteral("the folder does not exist");
        return result;
    }
    const QString root = QDir::cleanPath(info.absoluteFilePath()) + u'/';
    QByteArray database;
    QByteArray config;
    if (!readFile(root + kDatabaseFile, database, result) || !ReadDatabaseScript(database, result))
        return result;
    if (!readFile(root + kConfigFile, config, result) || !ReadConfigScript(config, root, result))
        return result;
    result.FailedFile.clear();
    result.Ok = true;
    return result;
}

bool SiteReader::ReadDatabaseScript(const QByteArray& bytes, SiteReadResult& result)
{
    const PhpScript script = readPhpScript(bytes);
    for (const PhpUnread& unread : script.unread)
        if (!unread.isComment())
            result.Unread << QStringLiteral("%1 line %2: %3: %4")
                                 .arg(kDatabaseFile, QString::number(unread.line), unread.text, unread.reason);
    ConnectionSettings& connection = result.Choices.Connection;
    bool connects = false;
    for (const PhpStatement& s : script.statements) {
        const PhpValue& call = s.value;
        if (call.kind != PhpValue::Kind::Call)
            continue;
        auto argument = [&](std::size_t i) { return i < call.args.size() ? text(call.args[i]) : QString(); };
        if (call.text == "mysql_connect") {
            connects = true;
            if (!splitHost(argument(0), connection))
                result.Unread << QStringLiteral("%1 line %2: the port of \"%3\" is not one from 1 to 32767")
                                     .arg(kDatabaseFile, QString::number(s.line), argument(0));
            connection.UserName = argument(1);
            connection.Password = argument(2);
        } else if (call.text == "mysql_select_db") {
            connection.DatabaseName = argument(0);
        }
    }
    if (!script.opened || !connects) {
        result.Reason = QStringLiteral("no mysql_connect call in it, so it is not the database.php of a generated site");
        return false;
    }
    return true;
}

bool SiteReader::ReadConfigScript(const QByteArray& bytes, const QString& folder, SiteReadResult& result)
{
    const PhpScript script = readPhpScript(bytes);
    if (!script.opened) {
        result.Reason = QStringLiteral("it does not start with <?php, so it is not the config.php of a generated site");
        return false;
    }
    const QString root = folder.endsWith(u'/') ? folder : folder + u'/';
    ConfigReader reader(root, result);
    result.Choices.DestinationFolder = root;
    // Statements and what was not read come back in two lists; merged by line they keep the
    // owner's lines in the order they were written.
    qsizetype next = 0;
    auto keepUnreadBefore = [&](int line) {
        for (; next < script.unread.size() && script.unread[next].line <= line; ++next) {
            const PhpUnread& u = script.unread[next];
            if (!u.isComment())
                result.Unread << QStringLiteral("%1 line %2: %3: %4")
                                     .arg(kConfigFile, QString::number(u.line), u.text, u.reason);
            // Text after "?>" is not PHP: written back before the tag it would break the script.
            if (!u.outsidePhp)
                reader.keep(u.raw);
        }
    };
    for (const PhpStatement& statement : script.statements) {
        keepUnreadBefore(statement.line - 1);
        reader.take(statement);
    }
    keepUnreadBefore(std::numeric_limits<int>::max());
    return reader.finish(result.Reason);
}
