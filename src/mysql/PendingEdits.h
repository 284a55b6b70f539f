#pragma once
// The edits of a result set that wait for Update: the values given to its rows, the rows being
// added and the rows deleted, and the INSERT, UPDATE and DELETE statements that write them,
// which pick a row out by its primary key. Owned by its MYSQL_RS, whose stored result supplies
// the columns, the current row and the connection.

#include "mysql/MYSQL_UPDATE.h"
#include "mysql/Variant.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

class MYSQL_RS;

class PendingEdits {
public:
    // The result set's EditMode: the edit in progress, or Deleted on a row a Delete removed.
    enum class Mode { None = 0, Editing = 1, Adding = 2, Deleted = 3 };

    explicit PendingEdits(MYSQL_RS& rs) : m_rs(rs) {}
    PendingEdits(const PendingEdits&) = delete;
    PendingEdits& operator=(const PendingEdits&) = delete;

    // Deleted when the row at `position` has been deleted, else the edit in progress.
    Mode mode(int position) const;
    Mode inProgress() const { return m_mode; }

    // A value for a column: of the row being added, or of the row at `position`, whose edit
    // starts here when none is in progress. Ignored on a deleted row.
    void setValue(int position, const QString& column, const Variant& value);
    // Starts a new row to add.
    void startAdding();

    // The statements for the edit in progress and for deleting the result set's current row;
    // empty when there is nothing to send or the row cannot be identified.
    QString insertStatement() const;
    QString updateStatement();
    QString deleteStatement();

    // After the statements: the edited row's values were written (reads show them from now
    // on), the row being added was not, the row at `position` was deleted.
    void markWritten();
    void dropAddedRow();
    void markDeleted(int position);
    // Drops the edit in progress; for an edited row also the values written to it before.
    void cancel();
    // Ends the edit in progress, whatever became of it.
    void finish();
    // Forgets every edit: the result set holds a new result.
    void clear();

    // The value last written to the server for a column of a row, if any.
    const Variant* writtenValue(int row, const QString& columnName) const;
    bool hasWrittenValues() const { return !m_writtenValues.isEmpty(); }

private:
    QString whereClause();
    // `database`.`table` of the result's one table.
    QString qualifiedTable() const;
    // The column's name in its table (its alias may differ), back-quoted.
    QString quotedColumnName(int column) const;
    int columnByName(const QString& name) const;
    int columnType(int column) const;
    bool noBackslashEscapes() const;
    // Whether the primary-key columns of the result identify one row of the table.
    bool keyIdentifiesRow();

    MYSQL_RS& m_rs;
    // One unkeyed entry per AddNew (the last is the row being added), one entry per edited row
    // and per deleted row, keyed by position.
    MYSQL_UPDATE m_addedRows;
    MYSQL_UPDATE m_editedRows;
    MYSQL_UPDATE m_deletedRows;
    // Per row, the values last written by an UPDATE: what reads of those columns show. Kept apart
    // from the pending values so that changing a written column again does not bring back the
    // stored value in reads and in the key of the next statement before the change is written.
    QHash<int, QList<std::pair<QString, Variant>>> m_writtenValues;
    // Never Deleted: that is a mark of a row, not an edit.
    Mode m_mode = Mode::None;
    int m_editRow = 0;
    // Whether the primary-key columns identify a row; found out at the first statement.
    std::optional<bool> m_keyIdentifiesRow;
};
