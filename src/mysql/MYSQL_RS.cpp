#include "mysql/MYSQL_RS.h"

#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/TextHelpers.h"

#include <algorithm>

namespace {

// The library counts in 64 bits; the result set reports the low 32 bits taken as signed.
int low32(unsigned long long count)
{
    return static_cast<qint32>(static_cast<quint32>(count));
}

// A statement may leave further results behind: a CALL always does, and so do several statements
// in one text when the client flags allow that. They are read and dropped here; left pending,
// they would make every later statement fail with "Commands out of sync".
void discardMoreResults(MYSQL* handle)
{
    while (mysql_more_results(handle)) {
        if (mysql_next_result(handle) != 0)
            break;
        if (MYSQL_RES* extra = mysql_store_result(handle))
            mysql_free_result(extra);
    }
}

// Reads a FindMethod number.
MYSQL_RS::FindMode findModeOf(int findMethod)
{
    switch (findMethod) {
    case 1:
        return MYSQL_RS::FindMode::KeepPosition;
    case 2:
        return MYSQL_RS::FindMode::SettleEditsThenMove;
    default:
        return MYSQL_RS::FindMode::MoveToRow;
    }
}

}  // namespace

MYSQL_RS::MYSQL_RS(MYSQL_CONNECTION* connection)
    : m_connection(connection),
      m_field(new MYSQL_FIELD(this)),
      m_reader(new MYSQL_FIELD(this))
{
}

MYSQL_RS::~MYSQL_RS()
{
    if (m_result)
        mysql_free_result(m_result);
    m_field->orphan();
}

const std::shared_ptr<MYSQL_FIELD>& MYSQL_RS::Fields(const Variant& vIndexKey)
{
    if (BOF() || EOF_())
        m_field->retargetNowhere(m_fieldCount);
    else
        m_field->Retarget(vIndexKey, m_fieldCount, m_result, m_currentRow, m_currentLengths);
    return m_field;
}

const std::shared_ptr<MYSQL_FIELD>& MYSQL_RS::fieldsByText(QByteArrayView key)
{
    if (BOF() || EOF_())
        m_field->retargetNowhere(m_fieldCount);
    else
        m_field->retargetByText(key, m_fieldCount, m_result, m_currentRow, m_currentLengths);
    return m_field;
}

const std::shared_ptr<MYSQL_FIELD>& MYSQL_RS::fieldsByNumber(int index)
{
    if (BOF() || EOF_())
        m_field->retargetNowhere(m_fieldCount);
    else
        m_field->retargetByNumber(index, m_fieldCount, m_result, m_currentRow, m_currentLengths);
    return m_field;
}

bool MYSQL_RS::BOF() const
{
    return m_state == Status::Closed || m_recordCount == 0 || m_position == 0;
}

bool MYSQL_RS::EOF_() const
{
    return m_position > m_recordCount || m_state == Status::Closed || m_recordCount == 0;
}

int MYSQL_RS::AbsolutePosition() const
{
    if (m_state == Status::Closed || m_recordCount == 0)
        return -1;
    if (BOF())
        return -3;
    if (EOF_())
        return -2;
    return m_position;
}

void MYSQL_RS::setAbsolutePosition(int lPosition)
{
    if (m_state != Status::Open || m_recordCount <= 0 || lPosition < 1 || lPosition > m_recordCount)
        return;
    moveTo(lPosition);
}

QStringList MYSQL_RS::TableNames() const
{
    QStringList names;
    // Off the rows a field has no column, so there are no tables either.
    if (BOF() || EOF_())
        return names;
    for (int column = 0; column < m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column));
        const QString table = textFromLibrary(field ? field->table : nullptr);
        const QString name = trimSpaces(table).toString();
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    return names;
}

int MYSQL_RS::TableCount() const
{
    return static_cast<int>(TableNames().size());
}

QString MYSQL_RS::Table() const
{
    return TableNames().join(u',');
}

int MYSQL_RS::EditMode() const
{
    return static_cast<int>(editState());
}

void MYSQL_RS::MoveFirst()
{
    if (m_state != Status::Open)
        return;
    moveTo(1);
}

void MYSQL_RS::MoveLast()
{
    if (m_state != Status::Open)
        return;
    moveTo(m_recordCount);
}

void MYSQL_RS::MovePrevious()
{
    if (m_state != Status::Open)
        return;
    moveTo(m_position > 0 ? m_position - 1 : m_position);
}

void MYSQL_RS::MoveNext()
{
    if (m_state != Status::Open)
        return;
    moveTo(m_position <= m_recordCount ? m_position + 1 : m_position);
}

void MYSQL_RS::moveTo(int position)
{
    // Pending edits belong to the row being left: they are settled while it is still the
    // current row, so that Update's checks and the statement's key see that row (an edit of the
    // last row followed by MoveNext is written, not refused for standing on EOF).
    FinishEdits();
    m_position = position;
    LoadRow();
}

void MYSQL_RS::CloseRecordset()
{
    if (m_state != Status::Open)
        return;
    FinishEdits();
    ResetResult();
}

void MYSQL_RS::OpenResult(const QString& statement, st_mysql* handle)
{
    CloseRecordset();
    m_affectedRecords = 0;
    m_queryString = statement;
    // The statement goes with its length, so a NUL inside it reaches the server (which refuses
    // it) instead of silently cutting the statement short.
    const QByteArray sql = statement.toLocal8Bit();
    if (mysql_real_query(handle, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        return;
    MYSQL_RES* result = mysql_store_result(handle);
    if (!result) {
        // No field count means a statement without rows (INSERT, USE, ...); otherwise storing
        // failed and the error is the connection's to report.
        if (mysql_field_count(handle) == 0) {
            m_affectedRecords = low32(mysql_affected_rows(handle));
            discardMoreResults(handle);
        }
        return;
    }
    m_result = result;
    m_affectedRecords = low32(mysql_affected_rows(handle));
    m_recordCount = low32(mysql_num_rows(result));
    m_state = Status::Open;
    m_fieldCount = static_cast<int>(mysql_num_fields(result));
    discardMoreResults(handle);
    m_position = 1;
    LoadRow();
}

void MYSQL_RS::LoadRow()
{
    if (m_result && m_position >= 1 && m_position <= m_recordCount) {
        fetchRow(m_position - 1);
    } else {
        m_currentRow = nullptr;
        m_currentLengths = nullptr;
    }
}

void MYSQL_RS::fetchRow(qint64 row)
{
    // The stored rows form a list the library can only walk from the front. Each row's start is
    // remembered once reached, so a move is one seek however far down the result it goes.
    if (m_rowOffsets.empty()) {
        mysql_data_seek(m_result, 0);
        m_rowOffsets.push_back(mysql_row_tell(m_result));
        m_libraryRow = 0;
    }
    if (row >= static_cast<qint64>(m_rowOffsets.size())) {
        mysql_row_seek(m_result, m_rowOffsets.back());
        while (static_cast<qint64>(m_rowOffsets.size()) <= row) {
            mysql_fetch_row(m_result);
            m_rowOffsets.push_back(mysql_row_tell(m_result));
        }
        m_libraryRow = row;
    }
    // Walking forward finds the library's cursor on the wanted row already.
    if (row != m_libraryRow)
        mysql_row_seek(m_result, m_rowOffsets[static_cast<size_t>(row)]);
    m_currentRow = mysql_fetch_row(m_result);
    m_libraryRow = m_currentRow ? row + 1 : -1;
    m_currentLengths = m_currentRow ? mysql_fetch_lengths(m_result) : nullptr;
    // The library's cursor now stands on the next row: remember it, so that walking forward
    // never needs a second fetch.
    if (m_currentRow && row + 1 == static_cast<qint64>(m_rowOffsets.size()) && row + 1 < m_recordCount)
        m_rowOffsets.push_back(mysql_row_tell(m_result));
}

void MYSQL_RS::FinishEdits()
{
    // With no edit in progress there is nothing to write or drop (and no need to look at the
    // columns' tables on every move).
    if (m_edits.inProgress() != EditState::None) {
        if (m_connection && m_connection->AutoUpdate())
            Update();
        else
            CancelUpdate();
    }
    m_edits.finish();
}

void MYSQL_RS::ResetResult()
{
    if (m_result)
        mysql_free_result(m_result);
    m_result = nullptr;
    m_currentRow = nullptr;
    m_currentLengths = nullptr;
    m_rowOffsets.clear();
    m_rowOffsets.shrink_to_fit();
    m_libraryRow = -1;
    m_position = 0;
    m_recordCount = 0;
    m_fieldCount = 0;
    m_affectedRecords = 0;
    m_queryString.clear();
    // A field object the caller still holds stays valid but no longer belongs to this result.
    m_field->orphan();
    m_field = std::shared_ptr<MYSQL_FIELD>(new MYSQL_FIELD(this));
    m_reader->detach();
    m_edits.clear();
    m_state = Status::Closed;
}

void MYSQL_RS::Requery()
{
    if (!m_connection)
        return;
    // A copy: opening the result set empties its QueryString.
    const QString statement = m_queryString;
    m_connection->RunQuery(*this, statement, nullptr);
}

QString MYSQL_RS::columnName(int column) const
{
    if (!m_result || column < 0 || column >= m_fieldCount)
        return QString();
    const LibraryField* field = mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column));
    return textFromLibrary(field ? field->name : nullptr);
}

Variant MYSQL_RS::columnValue(int column)
{
    m_reader->retargetByNumber(column, m_fieldCount, m_result, m_currentRow, m_currentLengths);
    return m_reader->Value();
}

int MYSQL_RS::findColumn(const Variant& vField) const
{
    if (vField.numericValue()) {
        const std::optional<qint32> column = toInt32(vField);
        return column && *column >= 0 && *column < m_fieldCount ? *column : -1;
    }
    if (!vField.isText())
        return -1;
    const QString wanted = vField.toString();
    for (int column = 0; column < m_fieldCount; ++column) {
        const QString name = columnName(column);
        if (trimSpaces(name).compare(trimSpaces(wanted), Qt::CaseInsensitive) == 0)
            return column;
    }
    return -1;
}

int MYSQL_RS::find(Direction direction, const Variant& vField, const Variant& vData, FindMode mode)
{
    if (m_recordCount == 0 || m_state == Status::Closed)
        return -1;
    // The column the check accepts is the one searched, also when the name was given with
    // blanks around it.
    const int column = findColumn(vField);
    if (column < 0)
        return -1;
    if (mode == FindMode::SettleEditsThenMove)
        FinishEdits();

    const int remembered = m_position;
    int from = 1;
    int to = 0;
    int step = 1;
    switch (direction) {
    case Direction::First:
        from = 1, to = m_recordCount, step = 1;
        break;
    case Direction::Last:
        from = m_recordCount, to = 1, step = -1;
        break;
    case Direction::Next:
        from = remembered + 1, to = m_recordCount, step = 1;
        break;
    case Direction::Previous:
        from = remembered - 1, to = 1, step = -1;
        break;
    }
    int found = -1;
    for (int row = from; step > 0 ? row <= to : row >= to; row += step) {
        m_position = row;
        LoadRow();
        if (columnValue(column) == vData) {
            found = row;
            break;
        }
    }
    if (found < 0 || mode == FindMode::KeepPosition) {
        m_position = remembered;
        LoadRow();
    } else if (found != remembered && m_edits.inProgress() != EditState::None) {
        // The cursor leaves the row being edited: settle its edits first, as every move does,
        // or later writes and the next Update would pair its pending values with another row.
        m_position = remembered;
        LoadRow();
        FinishEdits();
        m_position = found;
        LoadRow();
    }
    return found;
}

int MYSQL_RS::FindFirst(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::First, vField, vData, findModeOf(FindMethod));
}

int MYSQL_RS::FindLast(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::Last, vField, vData, findModeOf(FindMethod));
}

int MYSQL_RS::FindNext(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::Next, vField, vData, findModeOf(FindMethod));
}

int MYSQL_RS::FindPrevious(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::Previous, vField, vData, findModeOf(FindMethod));
}

QString MYSQL_RS::RsToHtmlTable()
{
    if (m_recordCount == 0 || m_state == Status::Closed)
        return QString();
    const int remembered = m_position;
    QString rows;
    for (int row = 1; row <= m_recordCount; ++row) {
        m_position = row;
        LoadRow();
        rows += QLatin1String("<tr>");
        for (int column = 0; column < m_fieldCount; ++column) {
            const Variant value = columnValue(column);
            const QString text = value.toString();
            rows += QLatin1String("<td>");
            // Values are escaped: a stored "<script>" must show as text, not run.
            if (value.isNull() || trimSpaces(text).isEmpty())
                rows += QLatin1String("&nbsp;");
            else
                rows += text.toHtmlEscaped();
            rows += QLatin1String("</td>");
        }
        rows += QLatin1String("</tr>\r\n");
    }
    m_position = remembered;
    LoadRow();
    return QLatin1String("<table border=1>") + rows + QLatin1String("</table>\r\n");
}

// ---------------------------------------------------------------------------------------------
// Editing

void MYSQL_RS::setPendingValue(const MYSQL_FIELD& field, const Variant& value)
{
    // A field object kept from an earlier row still has its column; off the rows there is no
    // row to edit.
    if (m_state != Status::Open || !onRow())
        return;
    const QString name = field.Name();
    // Computed columns belong to no table and cannot be edited.
    if (trimSpaces(name).isEmpty() || trimSpaces(field.Table()).isEmpty())
        return;
    m_edits.setValue(m_position, name, value);
}

int MYSQL_RS::AddNew()
{
    if (m_state != Status::Open || editState() != EditState::None || TableCount() != 1)
        return -1;
    m_edits.startAdding();
    return 0;
}

int MYSQL_RS::Update()
{
    if (!onRow() || TableCount() != 1)
        return -1;
    int written = 0;
    switch (editState()) {
    case EditState::Editing:
        written = runStatement(m_edits.updateStatement());
        if (written > 0)
            m_edits.markWritten();
        break;
    case EditState::Adding:
        written = runStatement(m_edits.insertStatement());
        if (written < 1)
            m_edits.dropAddedRow();
        break;
    default:
        return -1;
    }
    m_edits.finish();
    return written;
}

int MYSQL_RS::Delete()
{
    if (!onRow() || editState() != EditState::None || TableCount() != 1)
        return -1;
    const int deleted = runStatement(m_edits.deleteStatement());
    if (deleted > 0)
        m_edits.markDeleted(m_position);
    return deleted;
}

void MYSQL_RS::CancelUpdate()
{
    if (!onRow())
        return;
    m_edits.cancel();
}

int MYSQL_RS::runStatement(const QString& statement)
{
    if (statement.isEmpty() || !m_connection)
        return 0;
    MYSQL_RS scratch(m_connection);
    int affected = 0;
    m_connection->RunQuery(scratch, statement, &affected);
    return affected;
}

void MYSQL_RS::readApart(MYSQL_RS& into, const QString& statement) const
{
    into.OpenResult(statement, m_connection->m_handle);
}
