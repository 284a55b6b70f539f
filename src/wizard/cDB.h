#pragma once
// The wizard's view of the server: owns the program's one connection and turns a few fixed
// statements into plain lists of databases, tables, columns and foreign keys.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class MYSQL_CONNECTION;
class MYSQL_RS;

// One column as "describe" reports it.
struct FieldInfo {
    QString Name;
    QString Type;  // as the server writes it, e.g. "int(11) unsigned"
    bool AllowsNull = false;
    // A new record needs a value for it: it cannot be NULL, has no default, and is neither an
    // auto-increment nor a generated column.
    bool NeedsValue = false;
};

// One foreign key: the referencing columns of the table and the table and columns they refer to.
// Several columns stay separated by blanks, as in the clause.
struct ForeignKeyInfo {
    QString Clause;
    QString ChildColumn;
    QString ParentTable;
    QString ParentColumn;
};

// Counters of the last listings (set to 0 by every connect attempt).
extern int32_t DatabaseCount;
extern int32_t ListedTableCount;

class cDB {
public:
    // Connect, UseDatabase and ListTables show the server's error text to the user themselves;
    // `showError` is how (the window passes a plain message box).
    explicit cDB(std::function<void(const QString&)> showError = {});
    ~cDB();

    bool Connect(const QString& host, const QString& user, const QString& password, int16_t port);
    void Disconnect();
    QStringList ListDatabases();
    bool UseDatabase(const QString& database);
    QStringList ListTables(const QString& database);
    QList<FieldInfo> DescribeTable(const QString& table);
    QStringList ListColumnNames(const QString& table);
    // Foreign keys from the table status comment; when that holds none (current servers no longer
    // write them there), from information_schema.
    QList<ForeignKeyInfo> DiscoverForeignKeys(const QString& database, const QString& table);

    // The connection, created on first use.
    MYSQL_CONNECTION& Connection();

    // Called once when a statement finds the server gone (it stopped answering within the
    // connection's timeouts, or closed the connection), with the client library's message. The
    // connection is closed by then; later statements fail quietly until the next Connect.
    void SetConnectionLostHandler(std::function<void(const QString&)> handler);
    bool ConnectionLost() const { return m_lost; }
    // The user gave up a wait on the server, which cuts the connection of a statement under way.
    // A connection lost that way is not reported: the next statement opens it again, with the
    // settings of the last Connect and the database last used, and only a failure to do so counts
    // as a lost connection.
    void ReopenAfterCancel();

    // Parses the REFER clauses of a table status comment.
    static QList<ForeignKeyInfo> ParseForeignKeyComment(const QString& comment);

private:
    // Runs a statement and reads column `column` (or the column named `columnName`) of every row;
    // `failed` tells whether the statement failed.
    QStringList readColumn(const QString& statement, int column, bool* failed);
    // Runs a statement on the open connection; false when it failed or nothing was sent (closed
    // connection). A lost connection is closed and reported here.
    bool run(const QString& statement, std::shared_ptr<MYSQL_RS>* rs = nullptr);
    QList<ForeignKeyInfo> foreignKeysFromInformationSchema(const QString& database, const QString& table);
    void showError();
    // Opens a connection cut by a cancelled wait again; false when there is none to open or it
    // cannot be opened (then reported as lost).
    bool reopen();
    void reportLost();

    std::function<void(const QString&)> m_showError;
    std::function<void(const QString&)> m_connectionLost;
    std::unique_ptr<MYSQL_CONNECTION> m_connection;
    bool m_lost = false;
    bool m_reopen = false;
    // What the last Connect and UseDatabase were given, for reopen.
    QString m_host;
    QString m_user;
    QString m_password;
    int16_t m_port = 0;
    QString m_database;
};
