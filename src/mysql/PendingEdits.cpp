#include "mysql/PendingEdits.h"

#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/MYSQL_RS.h"
#include "mysql/SqlQuoting.h"
#include "mysql/TextHelpers.h"

#include <QStringList>

#include <algorithm>

PendingEdits::Mode PendingEdits::mode(int position) const
{
    return m_deletedRows.Item(position, true) ? Mode::Deleted : m_mode;
}

void PendingEdits::setValue(int position, const QString& column, const Variant& value)
{
    if (mode(position) == Mode::None) {
        m_mode = Mode::Editing;
        m_editRow = position;
        m_editedRows.Add(m_editRow);
    }
    std::shared_ptr<MYSQL_UPDATE_FIELDS> target;
    switch (mode(position)) {
    case Mode::Editing:
        target = m_editedRows.Item(m_editRow, true);
        break;
    case Mode::Adding:
        target = m_addedRows.Item(m_addedRows.Count());
        break;
    default:
        // The row has been deleted.
        return;
    }
    if (target)
        target->Add(column, value);
}

void PendingEdits::startAdding()
{
    m_mode = Mode::Adding;
    m_addedRows.Add();
}

void PendingEdits::markWritten()
{
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

void PendingEdits::dropAddedRow()
{
    m_addedRows.Remove(m_addedRows.Count());
}

void PendingEdits::markDeleted(int position)
{
    m_deletedRows.Add(position);
}

void PendingEdits::cancel()
{
    switch (m_mode) {
    case Mode::Editing:
        // Values of the row written by an earlier Update go too: reads show the stored ones.
        m_editedRows.Remove(m_editRow, true);
        m_writtenValues.remove(m_editRow);
        break;
    case Mode::Adding:
        dropAddedRow();
        break;
    default:
        return;
    }
    finish();
}

void PendingEdits::finish()
{
    m_mode = Mode::None;
    m_editRow = 0;
}

void PendingEdits::clear()
{
    m_addedRows = MYSQL_UPDATE();
    m_editedRows = MYSQL_UPDATE();
    m_deletedRows = MYSQL_UPDATE();
    m_writtenValues.clear();
    finish();
    m_keyIdentifiesRow.reset();
}

const Variant* PendingEdits::writtenValue(int row, const QString& columnName) const
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

QString PendingEdits::insertStatement() const
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

QString PendingEdits::updateStatement()
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

QString PendingEdits::deleteStatement()
{
    const QString where = whereClause();
    if (where.isEmpty())
        return QString();
    return QLatin1String("DELETE FROM ") + qualifiedTable() + QLatin1String(" WHERE ") + where;
}

QString PendingEdits::whereClause()
{
    const bool plainQuotes = noBackslashEscapes();
    QStringList conditions;
    for (int column = 0; column < m_rs.m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_rs.m_result, static_cast<unsigned int>(column));
        if (!field || !(field->flags & PRI_KEY_FLAG))
            continue;
        // A value written by an earlier Update is on the server in the form it was written in;
        // a stored value is matched exactly as the server gave it.
        const Variant value = m_rs.columnValue(column);
        const bool written = writtenValue(m_rs.m_position, m_rs.columnName(column)) != nullptr;
        conditions << quotedColumnName(column)
                + (value.isNull() ? QLatin1String(" IS ") : QLatin1String("="))
                + (written ? quoteValue(value, static_cast<int>(field->type), plainQuotes)
                           : quoteText(value, plainQuotes));
    }
    if (conditions.isEmpty() || !keyIdentifiesRow())
        return QString();
    return conditions.join(QLatin1String(" AND "));
}

QString PendingEdits::qualifiedTable() const
{
    // The result's one table, named as in the database: a statement against an alias fails, and
    // one without the database would reach a table of that name in whichever database is
    // selected when it runs.
    const QStringList tables = m_rs.TableNames();
    if (tables.isEmpty())
        return QString();
    for (int column = 0; column < m_rs.m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_rs.m_result, static_cast<unsigned int>(column));
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

QString PendingEdits::quotedColumnName(int column) const
{
    const LibraryField* field =
        mysql_fetch_field_direct(m_rs.m_result, static_cast<unsigned int>(column));
    if (!field)
        return QString();
    return quoteName(
        textFromLibrary(field->org_name && *field->org_name ? field->org_name : field->name));
}

int PendingEdits::columnByName(const QString& name) const
{
    for (int column = 0; column < m_rs.m_fieldCount; ++column) {
        if (m_rs.columnName(column).compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return -1;
}

int PendingEdits::columnType(int column) const
{
    const LibraryField* field = m_rs.m_result && column >= 0 && column < m_rs.m_fieldCount
        ? mysql_fetch_field_direct(m_rs.m_result, static_cast<unsigned int>(column))
        : nullptr;
    return field ? static_cast<int>(field->type) : MYSQL_TYPE_STRING;
}

bool PendingEdits::noBackslashEscapes() const
{
    return m_rs.m_connection && m_rs.m_connection->noBackslashEscapes();
}

bool PendingEdits::keyIdentifiesRow()
{
    // The columns flagged as primary key may be only part of the table's key (a result showing
    // one column of a two-column key): a statement keyed on them would change or delete every
    // row sharing those values. They identify a row when they hold all the columns of some
    // unique index of the table. A table the server shows no unique index for (a view) is taken
    // by its flags.
    if (m_keyIdentifiesRow)
        return *m_keyIdentifiesRow;
    MYSQL_CONNECTION* connection = m_rs.m_connection;
    if (!connection || connection->State() != static_cast<int>(MYSQL_CONNECTION::Status::Open))
        return false;
    QStringList keyColumns;
    for (int column = 0; column < m_rs.m_fieldCount; ++column) {
        const LibraryField* field =
            mysql_fetch_field_direct(m_rs.m_result, static_cast<unsigned int>(column));
        if (field && (field->flags & PRI_KEY_FLAG))
            keyColumns << textFromLibrary(field->org_name && *field->org_name ? field->org_name
                                                                              : field->name);
    }

    // Read apart from the connection's statement, Error and QueryString: the caller asked for
    // the editing statement, not for this.
    MYSQL_RS keys(connection);
    m_rs.readApart(keys, QLatin1String("SHOW KEYS FROM ") + qualifiedTable());
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
