#include "wizard/cDB.h"

#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/MYSQL_RS.h"
#include "mysql/SqlQuoting.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include <utility>

int32_t DatabaseCount = 0;
int32_t ListedTableCount = 0;

cDB::cDB(std::function<void(const QString&)> showError) : m_showError(std::move(showError)) {}

cDB::~cDB() = default;

MYSQL_CONNECTION& cDB::Connection()
{
    if (!m_connection)
        m_connection = std::make_unique<MYSQL_CONNECTION>();
    return *m_connection;
}

namespace {

// Errors that mean the connection itself is gone, not that the statement was refused.
bool isConnectionLost(int number)
{
    switch (number) {
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
    case ER_CONNECTION_KILLED:
        return true;
    default:
        return false;
    }
}

}  // namespace

void cDB::SetConnectionLostHandler(std::function<void(const QString&)> handler)
{
    m_connectionLost = std::move(handler);
}

// A lost connection has been reported on its own, and a statement that was never sent has no
// error to show.
void cDB::showError()
{
    const MYSQL_ERR& error = Connection().Error();
    if (m_showError && !m_lost && error.Number() != 0)
        m_showError(error.Description());
}

bool cDB::run(const QString& statement, std::shared_ptr<MYSQL_RS>* rs)
{
    MYSQL_CONNECTION& c = Connection();
    // On a closed connection Execute sends nothing and hands back the previous result.
    if (c.State() != 0 && !reopen())
        return false;
    std::shared_ptr<MYSQL_RS> result = c.Execute(statement);
    if (rs)
        *rs = result;
    const int number = c.Error().Number();
    if (number == 0)
        return result != nullptr;
    if (isConnectionLost(number))
        reportLost();
    return false;
}

void cDB::reportLost()
{
    MYSQL_CONNECTION& c = Connection();
    m_lost = true;
    // Closing keeps Error, so callers still see why their statement failed.
    c.CloseConnection();
    if (m_connectionLost)
        m_connectionLost(c.Error().Description());
}

void cDB::ReopenAfterCancel()
{
    m_reopen = m_lost;
    m_lost = false;
}

bool cDB::reopen()
{
    if (!std::exchange(m_reopen, false))
        return false;
    MYSQL_CONNECTION& c = Connection();
    c.OpenConnection(m_host, m_user, m_password, QString(), static_cast<int>(m_port), 0);
    if (c.State() == 0 && !m_database.isEmpty())
        c.Execute(QStringLiteral("use ") + quoteName(m_database));
    if (c.State() != 0 || c.Error().Number() != 0) {
        reportLost();
        return false;
    }
    return true;
}

bool cDB::Connect(const QString& host, const QString& user, const QString& password, int16_t port)
{
    MYSQL_CONNECTION& c = Connection();
    m_lost = false;
    m_reopen = false;
    m_host = host;
    m_user = user;
    m_password = password;
    m_port = port;
    m_database.clear();
    c.OpenConnection(host, user, password, QString(), static_cast<int>(port), 0);
    if (c.State() == 1) {
        showError();
        return false;
    }
    return true;
}

void cDB::Disconnect()
{
    if (m_connection)
        m_connection->CloseConnection();
    m_connection.reset();
    m_lost = false;
    m_reopen = false;
}

QStringList cDB::readColumn(const QString& statement, int column, bool* failed)
{
    std::shared_ptr<MYSQL_RS> rs;
    *failed = !run(statement, &rs);
    QStringList values;
    if (*failed)
        return values;
    rs->MoveFirst();
    const int rows = rs->RecordCount();
    values.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        values << rs->Fields(Variant(column))->Value().toString();
        rs->MoveNext();
    }
    return values;
}

QStringList cDB::ListDatabases()
{
    if (Connection().State() == 1)
        return {};
    bool failed = false;
    const QStringList names = readColumn(QStringLiteral("show databases"), 0, &failed);
    if (failed)
        return {};
    DatabaseCount = static_cast<int32_t>(names.size());
    return names;
}

bool cDB::UseDatabase(const QString& database)
{
    Connection().Error().Clear();
    if (!run(QStringLiteral("use ") + quoteName(database))) {
        showError();
        return false;
    }
    m_database = database;
    return true;
}

QStringList cDB::ListTables(const QString& database)
{
    bool failed = false;
    const QStringList names = readColumn(QStringLiteral("show tables from") + quoteName(database), 0, &failed);
    if (failed) {
        showError();
        return {};
    }
    ListedTableCount = static_cast<int32_t>(names.size());
    return names;
}

QList<FieldInfo> cDB::DescribeTable(const QString& table)
{
    std::shared_ptr<MYSQL_RS> rs;
    QList<FieldInfo> fields;
    if (!run(QStringLiteral("describe ") + quoteName(table), &rs))
        return fields;
    rs->MoveFirst();
    const int rows = rs->RecordCount();
    for (int i = 0; i < rows; ++i) {
        FieldInfo f;
        f.Name = rs->Fields(Variant(0))->Value().toString();
        f.Type = rs->Fields(Variant(1))->Value().toString();
        f.AllowsNull = rs->Fields(Variant(2))->Value().toString() == QStringLiteral("YES");
        const QString extra = rs->Fields(Variant(5))->Value().toString();
        f.NeedsValue = !f.AllowsNull && rs->Fields(Variant(4))->Value().isNull()
                       && !extra.contains(QLatin1String("auto_increment"), Qt::CaseInsensitive)
                       && !extra.contains(QLatin1String("GENERATED"), Qt::CaseInsensitive);
        fields << f;
        rs->MoveNext();
    }
    return fields;
}

QStringList cDB::ListColumnNames(const QString& table)
{
    bool failed = false;
    const QStringList names = readColumn(QStringLiteral("describe ") + quoteName(table), 0, &failed);
    return failed ? QStringList() : names;
}

QList<ForeignKeyInfo> cDB::ParseForeignKeyComment(const QString& comment)
{
    QList<ForeignKeyInfo> keys;
    const QStringList parts = comment.split(QLatin1Char(';'));
    if (parts.size() < 2)
        return keys;
    auto strip = [](QString text) { return text.remove(QLatin1Char('`')).trimmed(); };
    for (const QString& part : parts) {
        if (!part.contains(QStringLiteral("REFER")))
            continue;
        ForeignKeyInfo key;
        key.Clause = part.trimmed();
        const QString& clause = key.Clause;
        // Positions below are 0-based; a clause without the parts looked for is skipped.
        const qsizetype close = clause.indexOf(QLatin1Char(')'));
        const qsizetype slash = clause.indexOf(QLatin1Char('/'));
        if (close < 1 || slash < 0)
            continue;
        const qsizetype open = clause.indexOf(QLatin1Char('('), slash);
        const qsizetype parentClose = clause.indexOf(QLatin1Char(')'), slash);
        if (open < 0 || parentClose < open)
            continue;
        key.ChildColumn = strip(clause.mid(1, close - 1).trimmed());
        const QString rawParentTable = clause.mid(slash + 1, open - slash - 1).trimmed();
        key.ParentTable = strip(rawParentTable);
        const qsizetype columnStart = slash + rawParentTable.size() + 2;
        key.ParentColumn = strip(clause.mid(columnStart, parentClose - open - 1));
        keys << key;
    }
    return keys;
}

QList<ForeignKeyInfo> cDB::DiscoverForeignKeys(const QString& database, const QString& table)
{
    std::shared_ptr<MYSQL_RS> rs;
    const bool read = run(QStringLiteral("SHOW TABLE STATUS FROM ") + quoteName(database) + QStringLiteral(" LIKE '")
                          + escapeLikePattern(table, Connection().noBackslashEscapes()) + QStringLiteral("'"),
                          &rs);
    QList<ForeignKeyInfo> keys;
    if (read && rs->RecordCount() > 0) {
        rs->MoveFirst();
        keys = ParseForeignKeyComment(rs->Fields(Variant(QStringLiteral("Comment")))->Value().toString());
    }
    if (keys.isEmpty())
        keys = foreignKeysFromInformationSchema(database, table);
    return keys;
}

QList<ForeignKeyInfo> cDB::foreignKeysFromInformationSchema(const QString& database, const QString& table)
{
    const bool plainQuotes = Connection().noBackslashEscapes();
    std::shared_ptr<MYSQL_RS> rs;
    const bool read = run(
        QStringLiteral("SELECT CONSTRAINT_NAME, COLUMN_NAME, REFERENCED_TABLE_NAME, REFERENCED_COLUMN_NAME "
                       "FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = '%1' AND TABLE_NAME = '%2' "
                       "AND REFERENCED_TABLE_NAME IS NOT NULL ORDER BY CONSTRAINT_NAME, ORDINAL_POSITION")
            .arg(escapeLiteral(database, plainQuotes), escapeLiteral(table, plainQuotes)),
        &rs);
    QList<ForeignKeyInfo> keys;
    if (!read)
        return keys;
    // Rows of one constraint are consecutive, in column order; they make one record.
    QString current;
    QStringList children, parents;
    auto flush = [&](const QString& parentTable) {
        if (current.isEmpty())
            return;
        ForeignKeyInfo key;
        key.ChildColumn = children.join(QLatin1Char(' '));
        key.ParentTable = parentTable;
        key.ParentColumn = parents.join(QLatin1Char(' '));
        key.Clause = QStringLiteral("(%1) REFER %2(%3)").arg(key.ChildColumn, parentTable, key.ParentColumn);
        keys << key;
    };
    QString parentTable;
    rs->MoveFirst();
    const int rows = rs->RecordCount();
    for (int i = 0; i < rows; ++i) {
        const QString name = rs->Fields(Variant(0))->Value().toString();
        if (name != current) {
            flush(parentTable);
            current = name;
            children.clear();
            parents.clear();
        }
        children << rs->Fields(Variant(1))->Value().toString();
        parentTable = rs->Fields(Variant(2))->Value().toString();
        parents << rs->Fields(Variant(3))->Value().toString();
        rs->MoveNext();
    }
    flush(parentTable);
    return keys;
}
