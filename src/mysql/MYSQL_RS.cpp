#include "mysql/MYSQL_RS.h"

#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/SqlQuoting.h"
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

const std::shared_ptr<MYSQL_FIELD>& MYSQL_RS::fieldsByText(const char* key, qsizetype size)
{
    constexpr qsizetype bufferSize = 64;
    const QByteArrayView bytes(key, size);
    const bool ascii = std::none_of(bytes.begin(), bytes.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (size > bufferSize || !ascii)
        return Fields(Variant(QString::fromUtf8(key, size)));
    if (BOF() || EOF_()) {
        m_field->retargetNowhere(m_fieldCount);
        return m_field;
    }
    // ASCII widens to UTF-16 one character at a time.
    char16_t buffer[bufferSize];
    std::copy(bytes.begin(), bytes.end(), buffer);
    m_field->retargetByText(QStringView(buffer, size), m_fieldCount, m_result, m_currentRow,
                            m_currentLengths);
    return m_field;
}

bool MYSQL_RS::BOF() const
{
    return m_state == 1 || m_recordCount == 0 || m_position == 0;
}

bool MYSQL_RS::EOF_() const
{
    return m_position > m_recordCount || m_state == 1 || m_recordCount == 0;
}

int MYSQL_RS::AbsolutePosition() const
{
    if (m_state == 1 || m_recordCount == 0)
        return -1;
    if (BOF())
        return -3;
    if (EOF_())
        return -2;
    return m_position;
}

void MYSQL_RS::setAbsolutePosition(int lPosition)
{
    if (m_state != 0 || m_recordCount <= 0 || lPosition < 1 || lPosition > m_recordCount)
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
    return m_deletedRows.Item(AbsolutePosition(), true) ? 3 : m_editMode;
}

void MYSQL_RS::MoveFirst()
{
    if (m_state != 0)
        return;
    moveTo(1);
}

void MYSQL_RS::MoveLast()
{
    if (m_state != 0)
        return;
    moveTo(m_recordCount);
}

void MYSQL_RS::MovePrevious()
{
    if (m_state != 0)
        return;
    moveTo(m_position > 0 ? m_position - 1 : m_position);
}

void MYSQL_RS::MoveNext()
{
    if (m_state != 0)
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
    if (m_state != 0)
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
    m_state = 0;
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
    }
    if (row >= static_cast<qint64>(m_rowOffsets.size())) {
        mysql_row_seek(m_result, m_rowOffsets.back());
        while (static_cast<qint64>(m_rowOffsets.size()) <= row) {
            mysql_fetch_row(m_result);
            m_rowOffsets.push_back(mysql_row_tell(m_result));
        }
    }
    mysql_row_seek(m_result, m_rowOffsets[static_cast<size_t>(row)]);
    m_currentRow = mysql_fetch_row(m_result);
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
    if (m_editMode != 0) {
        if (m_connection && m_connection->AutoUpdate())
            Update();
        else
            CancelUpdate();
    }
    m_editMode = 0;
    m_editRow = 0;
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
    m_position = 0;
    m_recordCount = 0;
    m_fieldCount = 0;
    m_affectedRecords = 0;
    m_queryString.clear();
    // A field object the caller still holds stays valid but no longer belongs to this result.
    m_field->orphan();
    m_field = std::shared_ptr<MYSQL_FIELD>(new MYSQL_FIELD(this));
    m_reader->detach();
    m_addedRows = MYSQL_UPDATE();
    m_editedRows = MYSQL_UPDATE();
    m_deletedRows = MYSQL_UPDATE();
    m_writtenValues.clear();
    m_editMode = 0;
    m_editRow = 0;
    m_keyIdentifiesRow.reset();
    m_state = 1;
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
    m_reader->Retarget(Variant(column), m_fieldCount, m_result, m_currentRow, m_currentLengths);
    return m_reader->Value();
}

const Variant* MYSQL_RS::writtenValue(int row, const QString& columnName) const
{
    const auto entry = m_writtenValues.constFind(row);
    if (entry == m_writtenValues.cend())
        return nullptr;
    for (const auto& [name, value] : *entry) {
        if (name.compare(columnName, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
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

int MYSQL_RS::find(Direction direction, const Variant& vField, const Variant& vData, int FindMethod)
{
    if (m_recordCount == 0 || m_state == 1)
        return -1;
    // The column the check accepts is the one searched, also when the name was given with
    // blanks around it.
    const int column = findColumn(vField);
    if (column < 0)
        return -1;
    if (FindMethod == 2)
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
    if (found < 0 || FindMethod == 1) {
        m_position = remembered;
        LoadRow();
    } else if (found != remembered && m_editMode != 0) {
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
    return find(Direction::First, vField, vData, FindMethod);
}

int MYSQL_RS::FindLast(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::Last, vField, vData, FindMethod);
}

int MYSQL_RS::FindNext(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::Next, vField, vData, FindMethod);
}

int MYSQL_RS::FindPrevious(const Variant& vField, const Variant& vData, int FindMethod)
{
    return find(Direction::Previous, vField, vData, FindMethod);
}

QString MYSQL_RS::RsToHtmlTable()
{
    if (m_recordCount == 0 || m_state == 1)
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
    if (m_state != 0 || !onRow())
        return;
    const QString name = field.Name();
    // Computed columns belong to no table and cannot be edited.
    if (trimSpaces(name).isEmpty() || trimSpaces(field.Table()).isEmpty())
        return;
    if (EditMode() == 0) {
        m_editMode = 1;
        m_editRow = m_position;
        m_editedRows.Add(m_editRow);
    }
    std::shared_ptr<MYSQL_UPDATE_FIELDS> target;
    switch (EditMode()) {
    case 1:
        target = m_editedRows.Item(m_editRow, true);
        break;
    case 2:
        target = m_addedRows.Item(m_addedRows.Count());
        break;
    default:
        // The row has been deleted.
        return;
    }
    if (target)
        target->Add(name, value);
}

int MYSQL_RS::AddNew()
{
    if (m_state != 0 || EditMode() != 0 || TableCount() != 1)
        return -1;
    m_editMode = 2;
    m_addedRows.Add();
    return 0;
}

int MYSQL_RS::Update()
{
    if (!onRow() || TableCount() != 1)
        return -1;
    switch (EditMode()) {
    case 1: {
        const int written = runStatement(updateStatement());
        if (written > 0) {
            const std::shared_ptr<MYSQL_UPDATE_FIELDS> pending = m_editedRows.Item(m_editRow, true);
            QList<std::pair<QString, Variant>>& shown = m_writtenValues[m_editRow];
            for (int i = 1; pending && i <= pending->Count(); ++i) {
                const std::shared_ptr<MYSQL_UPDATE_FIELD> field = pending->Item(i);
                field->setUpdated(true);
                shown.removeIf([&](const auto& item) {
                    return item.first.compare(field->Name(), Qt::CaseInsensitive) == 0;
                });
                shown.append({field->Name(), field->Value()});
            }
        }
        m_editMode = 0;
        m_editRow = 0;
        return written;
    }
    case 2: {
        const int added = runStatement(insertStatement());
        if (added < 1)
            m_addedRows.Remove(m_addedRows.Count());
        m_editMode = 0;
        m_editRow = 0;
        return added;
    }
    default:
        return -1;
    }
}

int MYSQL_RS::Delete()
{
    if (!onRow() || EditMode() != 0 || TableCount() != 1)
        return -1;
    const int deleted = runStatement(deleteStatement());
    if (deleted > 0)
        m_deletedRows.Add(m_position);
    return deleted;
}

void MYSQL_RS::CancelUpdate()
{
    if (!onRow())
        return;
    switch (m_editMode) {
    case 1:
        // Values of the row written by an earlier Update go too: reads show the stored ones.
        m_editedRows.Remove(m_editRow, true);
        m_writtenValues.remove(m_editRow);
        break;
    case 2:
        m_addedRows.Remove(m_addedRows.Count());
        break;
    default:
        return;
    }
    m_editMode = 0;
    m_editRow = 0;
}

QString MYSQL_RS::insertStatement() const
{
    const std::shared_ptr<MYSQL_UPDATE_FIELDS> added = m_addedRows.Item(m_addedRows.Count());
    if (!added || added->Count() == 0)
        return QString();
    const bool plainQuotes = noBackslashEscapes();
    QStringList columns;
    QStringList values;
    for (int i = 1; i <= added->Count(); ++i) {
        const std::shared_ptr<MYSQL_UPDATE_FIELD> field = added->Item(i);
        const int column = columnByName(field->Name());
        columns << (column >= 0 ? quotedColumnName(column) : quoteName(field->Name()));
        values << quoteValue(field->Value(), columnType(column), plainQuotes);
    }
    return QLatin1String("INSERT INTO ") + qualifiedTable() + QLatin1String(" (")
        + columns.join(u',') + QLatin1String(") VALUES(") + values.join(u',') + u')';
}

QString MYSQL_RS::updateStatement()
{
    const std::shared_ptr<MYSQL_UPDATE_FIELDS> pending = m_editedRows.Item(m_editRow, true);
    if (!pending)
        return QString();
    const bool plainQuotes = noBackslashEscapes();
    QStringList assignments;
    for (int i = 1; i <= pending->Count(); ++i) {
        const std::shared_ptr<MYSQL_UPDATE_FIELD> field = pending->Item(i);
        if (field->Updated())
            continue;
        const int column = columnByName(field->Name());
        assignments << (column >= 0 ? quotedColumnName(column) : quoteName(field->Name())) + u'='
                + quoteValue(field->Value(), columnType(column), plainQuotes);
    }
    if (assignments.isEmpty())
        return QString();
    const QString where = whereClause();
    if (where.isEmpty())
        return QString();
    return QLatin1String("UPDATE ") + qualifiedTable() + QLatin1String(" SET ")
        + assignments.join(u',') + QLatin1String(" WHERE ") + where;
}

QString MYSQL_RS::deleteStatement()
{
    const QString where = whereClause();
    if (where.isEmpty())
        return QString();
    return QLatin1String("DELETE FROM ") + qualifiedTable() + QLatin1String(" WHERE ") + where;
}

QString MYSQL_RS::whereClause()
{
    const bool plainQuotes = noBackslashEscapes();
    QStringList conditions;
    for (int column = 0; column < m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column));
        if (!field || !(field->flags & PRI_KEY_FLAG))
            continue;
        // A value written by an earlier Update is on the server in the form it was written in;
        // a stored value is matched exactly as the server gave it.
        const Variant value = columnValue(column);
        const bool written = writtenValue(m_position, columnName(column)) != nullptr;
        conditions << quotedColumnName(column)
                + (value.isNull() ? QLatin1String(" IS ") : QLatin1String("="))
                + (written ? quoteValue(value, static_cast<int>(field->type), plainQuotes)
                           : quoteText(value, plainQuotes));
    }
    if (conditions.isEmpty() || !keyIdentifiesRow())
        return QString();
    return conditions.join(QLatin1String(" AND "));
}

QString MYSQL_RS::qualifiedTable() const
{
    // The result's one table, named as in the database: a statement against an alias fails, and
    // one without the database would reach a table of that name in whichever database is
    // selected when it runs.
    const QStringList tables = TableNames();
    if (tables.isEmpty())
        return QString();
    for (int column = 0; column < m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column));
        if (!field || trimSpaces(textFromLibrary(field->table)) != tables.first())
            continue;
        const QString table = field->org_table && *field->org_table
            ? textFromLibrary(field->org_table)
            : textFromLibrary(field->table);
        const QString database = textFromLibrary(field->db);
        return database.isEmpty() ? quoteName(table)
                                  : quoteName(database) + u'.' + quoteName(table);
    }
    return quoteName(tables.first());
}

QString MYSQL_RS::quotedColumnName(int column) const
{
    const LibraryField* field =
        mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column));
    if (!field)
        return QString();
    return quoteName(
        textFromLibrary(field->org_name && *field->org_name ? field->org_name : field->name));
}

int MYSQL_RS::columnByName(const QString& name) const
{
    for (int column = 0; column < m_fieldCount; ++column) {
        if (columnName(column).compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return -1;
}

int MYSQL_RS::columnType(int column) const
{
    const LibraryField* field = m_result && column >= 0 && column < m_fieldCount
        ? mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column))
        : nullptr;
    return field ? static_cast<int>(field->type) : MYSQL_TYPE_STRING;
}

bool MYSQL_RS::noBackslashEscapes() const
{
    return m_connection && m_connection->noBackslashEscapes();
}

bool MYSQL_RS::keyIdentifiesRow()
{
    // The columns flagged as primary key may be only part of the table's key (a result showing
    // one column of a two-column key): a statement keyed on them would change or delete every
    // row sharing those values. They identify a row when they hold all the columns of some
    // unique index of the table. A table the server shows no unique index for (a view) is taken
    // by its flags.
    if (m_keyIdentifiesRow)
        return *m_keyIdentifiesRow;
    if (!m_connection || m_connection->State() != 0)
        return false;
    QStringList keyColumns;
    for (int column = 0; column < m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column));
        if (field && (field->flags & PRI_KEY_FLAG))
            keyColumns << textFromLibrary(field->org_name && *field->org_name ? field->org_name
                                                                              : field->name);
    }

    // Read apart from the connection's statement, Error and QueryString: the caller asked for
    // the editing statement, not for this.
    MYSQL_RS keys(m_connection);
    keys.OpenResult(QLatin1String("SHOW KEYS FROM ") + qualifiedTable(), m_connection->m_handle);
    QHash<QString, QStringList> uniqueIndexes;
    for (keys.MoveFirst(); !keys.EOF_(); keys.MoveNext()) {
        if (keys.Fields("Non_unique")->Value().toString() == QLatin1String("0"))
            uniqueIndexes[keys.Fields("Key_name")->Value().toString()]
                << keys.Fields("Column_name")->Value().toString();
    }
    bool identifies = uniqueIndexes.isEmpty();
    for (const QStringList& index : std::as_const(uniqueIndexes)) {
        identifies = std::all_of(index.begin(), index.end(), [&](const QString& name) {
            return keyColumns.contains(name, Qt::CaseInsensitive);
        });
        if (identifies)
            break;
    }
    m_keyIdentifiesRow = identifies;
    return identifies;
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
