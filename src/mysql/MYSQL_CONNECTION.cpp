#include "mysql/MYSQL_CONNECTION.h"

#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_RS.h"
#include "mysql/TextHelpers.h"
#include "mysql/Variant.h"

#include <array>

namespace {

// A connect timeout argument read as whole seconds; anything unreadable or negative is 0, which
// leaves the library's default.
unsigned int timeoutSeconds(const QString& argument)
{
    const std::optional<qint32> seconds = toInt32(Variant(argument));
    return seconds && *seconds > 0 ? static_cast<unsigned int>(*seconds) : 0;
}

void applyOption(MYSQL* handle, int code, const QString& argument)
{
    switch (code) {
    case MYSQL_OPT_CONNECT_TIMEOUT: {
        const unsigned int seconds = timeoutSeconds(argument);
        mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &seconds);
        break;
    }
    case MYSQL_OPT_COMPRESS:
    case MYSQL_OPT_NAMED_PIPE:
        mysql_options(handle, static_cast<mysql_option>(code), "0");
        break;
    case MYSQL_INIT_COMMAND:
    case MYSQL_READ_DEFAULT_FILE:
    case MYSQL_READ_DEFAULT_GROUP:
        mysql_options(handle, static_cast<mysql_option>(code), argument.toLocal8Bit().constData());
        break;
    default:
        // Other codes are kept in the list but never applied.
        break;
    }
}

}  // namespace

class MYSQL_CONNECTION::CancellableCall {
public:
    explicit CancellableCall(MYSQL_CONNECTION& connection) : m_connection(connection)
    {
        const std::lock_guard lock(m_connection.m_handleMutex);
        m_connection.m_call = Call::Running;
    }
    ~CancellableCall()
    {
        const std::lock_guard lock(m_connection.m_handleMutex);
        m_connection.m_call = Call::None;
    }
    CancellableCall(const CancellableCall&) = delete;
    CancellableCall& operator=(const CancellableCall&) = delete;

private:
    MYSQL_CONNECTION& m_connection;
};

MYSQL_CONNECTION::MYSQL_CONNECTION()
{
    ClearOptions();
}

MYSQL_CONNECTION::~MYSQL_CONNECTION()
{
    CloseConnection();
    // A result set the caller still holds keeps its rows but can no longer reach the server.
    if (m_resultSet)
        m_resultSet->m_connection = nullptr;
}

void MYSQL_CONNECTION::SetOption(int eOption, const QString& sArg)
{
    m_options.append({eOption, sArg});
}

void MYSQL_CONNECTION::SetTimeouts(unsigned int connectSeconds, unsigned int readSeconds,
                                   unsigned int writeSeconds)
{
    m_connectTimeout = connectSeconds;
    m_readTimeout = readSeconds;
    m_writeTimeout = writeSeconds;
}

void MYSQL_CONNECTION::ClearOptions()
{
    m_options.clear();
}

int MYSQL_CONNECTION::OpenConnection(const QString& sHostName, const QString& sUserName,
                                     const QString& sPassword, const QString& sDbName, int lPortNum,
                                     quint32 lFlags)
{
    m_error.Clear();
    CloseConnection();
    m_hostname = sHostName;
    m_username = sUserName;
    m_password = sPassword;
    m_dbName = sDbName;
    m_port = lPortNum;
    m_clientFlags = lFlags;

    {
        const std::lock_guard lock(m_handleMutex);
        m_handle = mysql_init(nullptr);
    }
    if (!m_handle) {
        m_error.SetError(-1, QStringLiteral("Couldn't obtain a connection handler."));
        m_state = Status::Closed;
        return State();
    }
    mysql_options(m_handle, MYSQL_OPT_CONNECT_TIMEOUT, &m_connectTimeout);
    mysql_options(m_handle, MYSQL_OPT_READ_TIMEOUT, &m_readTimeout);
    mysql_options(m_handle, MYSQL_OPT_WRITE_TIMEOUT, &m_writeTimeout);
    for (const auto& [code, argument] : std::as_const(m_options))
        applyOption(m_handle, code, argument);

    const QByteArray host = m_hostname.toLocal8Bit();
    const QByteArray user = m_username.toLocal8Bit();
    const QByteArray password = m_password.toLocal8Bit();
    const QByteArray database = m_dbName.toLocal8Bit();
    // No socket name: the library's default. An empty name would make "localhost" (which means
    // the local socket) try a socket called "" and fail.
    bool connected = false;
    {
        const CancellableCall call(*this);
        connected = mysql_real_connect(m_handle, host.constData(), user.constData(), password.constData(),
                                       database.constData(), static_cast<unsigned int>(m_port), nullptr,
                                       m_clientFlags) != nullptr;
    }
    if (!connected) {
        CaptureError();
        CloseHandle();
    } else {
        m_state = Status::Open;
    }
    return State();
}

void MYSQL_CONNECTION::CloseConnection()
{
    if (m_state == Status::Open)
        CloseHandle();
}

void MYSQL_CONNECTION::CloseHandle()
{
    {
        const std::lock_guard lock(m_handleMutex);
        mysql_close(m_handle);
        m_handle = nullptr;
    }
    m_queryString.clear();
    m_state = Status::Closed;
}

void MYSQL_CONNECTION::Cancel()
{
    const std::lock_guard lock(m_handleMutex);
    // The library answers 1 while the handle has no socket yet (a connect still resolving or
    // reaching the host): the caller tries again.
    if (m_handle && m_call == Call::Running && mariadb_cancel(m_handle) == 0)
        m_call = Call::Cancelled;
}

void MYSQL_CONNECTION::Ping()
{
    if (m_state != Status::Open)
        return;
    // The library reconnects a dropped connection with the stored parameters only when asked to.
    // Allow it for the ping alone, so that ordinary statements never reconnect behind the
    // caller's back.
    my_bool reconnect = 1;
    mysql_options(m_handle, MYSQL_OPT_RECONNECT, &reconnect);
    mysql_ping(m_handle);
    reconnect = 0;
    mysql_options(m_handle, MYSQL_OPT_RECONNECT, &reconnect);
}

bool MYSQL_CONNECTION::SelectDb(const QString& sDbName)
{
    m_error.Clear();
    if (m_state != Status::Open)
        return false;
    const CancellableCall call(*this);
    if (mysql_select_db(m_handle, sDbName.toLocal8Bit().constData()) != 0) {
        CaptureError();
        return false;
    }
    m_dbName = sDbName;
    return true;
}

std::shared_ptr<MYSQL_RS> MYSQL_CONNECTION::Execute(const QString& sSQL, int* lRecordsAffected)
{
    if (!m_resultSet)
        m_resultSet = std::shared_ptr<MYSQL_RS>(new MYSQL_RS(this));
    m_resultSet->m_connection = this;
    RunQuery(*m_resultSet, sSQL, lRecordsAffected);
    return m_resultSet;
}

void MYSQL_CONNECTION::RunQuery(MYSQL_RS& rs, const QString& sSQL, int* lRecordsAffected)
{
    // A copy: the text may be this connection's own QueryString, which settling edits replaces.
    const QString given = sSQL;
    const QString statement = trimSpaces(given).toString();
    const bool runs = !statement.isEmpty() && m_state == Status::Open;
    // Opening the result set settles its pending edits, which may run an UPDATE or INSERT of
    // their own. They are settled first, so that Error and QueryString afterwards describe this
    // statement and not the edit written on the way.
    if (runs)
        rs.FinishEdits();
    m_error.Clear();
    m_queryString = given;
    if (!runs)
        return;
    {
        const CancellableCall call(*this);
        rs.OpenResult(statement, m_handle);
    }
    if (lRecordsAffected)
        *lRecordsAffected = rs.AffectedRecords();
    CaptureError();
}

void MYSQL_CONNECTION::CaptureError()
{
    const unsigned int number = mysql_errno(m_handle);
    if (number != 0)
        m_error.SetError(static_cast<int>(number), textFromLibrary(mysql_error(m_handle)));
}

bool MYSQL_CONNECTION::noBackslashEscapes() const
{
    return m_state == Status::Open && (m_handle->server_status & SERVER_STATUS_NO_BACKSLASH_ESCAPES);
}

QString MYSQL_CONNECTION::QueryInfo() const
{
    if (m_state != Status::Open)
        return QString();
    return textFromLibrary(mysql_info(m_handle));
}

void MYSQL_CONNECTION::Flush(int FlushType)
{
    static const std::array<const char*, 6> lists = {
        "HOSTS, LOGS, PRIVILEGES, STATUS, TABLES", "HOSTS", "LOGS", "PRIVILEGES", "STATUS", "TABLES"};
    if (FlushType < 0 || FlushType >= static_cast<int>(lists.size()))
        return;
    Execute(QStringLiteral("FLUSH ") + QLatin1String(lists[static_cast<size_t>(FlushType)]));
}

int MYSQL_CONNECTION::LastInsertID() const
{
    if (m_state != Status::Open)
        return 0;
    return static_cast<qint32>(static_cast<quint32>(mysql_insert_id(m_handle)));
}
