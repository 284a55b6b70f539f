#pragma once
// The result of a statement run through a MYSQL_CONNECTION. The whole result is held on the
// client side (the library's stored result); the result set offers a cursor over its rows, the
// columns of the current row through its one MYSQL_FIELD, searching and an HTML rendering.
// Invalid positions, unknown columns and a closed result set give neutral values, never errors.
//
// Rows can be edited in place: values written through the field object are held as pending
// values (PendingEdits) and sent as INSERT, UPDATE and DELETE statements that identify a row by
// its primary key. The stored result itself never changes: reads show the values written to a
// row in place of its stored ones, and a deleted row stays readable but reports EditMode 3.

#include "mysql/PendingEdits.h"
#include "mysql/Variant.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <concepts>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

class MYSQL_CONNECTION;
class MYSQL_FIELD;
struct st_mysql;
struct st_mysql_res;
struct st_mysql_rows;

class MYSQL_RS {
public:
    // What State returns.
    enum class Status { Open = 0, Closed = 1 };
    // What EditMode returns.
    using EditState = PendingEdits::Mode;
    // The FindMethod of the Find functions: MoveToRow (0, and any number not listed) leaves the
    // cursor on the row found, KeepPosition (1) leaves it where it was, SettleEditsThenMove (2)
    // settles the edit in progress before the search and then moves to the row found.
    enum class FindMode { MoveToRow = 0, KeepPosition = 1, SettleEditsThenMove = 2 };

    ~MYSQL_RS();
    MYSQL_RS(const MYSQL_RS&) = delete;
    MYSQL_RS& operator=(const MYSQL_RS&) = delete;

    /// Returns the state of the rs object.
    int State() const { return static_cast<int>(m_state); }
    /// Returns the number of records affected by the last query.
    int AffectedRecords() const { return m_affectedRecords; }
    /// Returns the last sql statement executed on this rs.
    const QString& QueryString() const { return m_queryString; }
    /// Returns the number of rows in this result set.
    int RecordCount() const { return m_recordCount; }
    /// Returns the number of fields in this result set.
    int FieldCount() const { return m_fieldCount; }
    /// Returns the requested field object.  Field may be reference by name or by number (0 to
    /// FieldCount - 1).
    ///
    /// Every call re-points the one field object of this result set and returns it; keep a copy
    /// of the pointer to hold on to it (it then keeps showing the row of this call).
    const std::shared_ptr<MYSQL_FIELD>& Fields(const Variant& vIndexKey);
    // The same for a key written as a string literal, as in Fields("name"): looked up without
    // building a QString, since such reads sit in the inner loop of every row walk.
    template <std::size_t N>
    const std::shared_ptr<MYSQL_FIELD>& Fields(const char (&vIndexKey)[N])
    {
        return fieldsByText(QByteArrayView(vIndexKey, qstrnlen(vIndexKey, N)));
    }
    // The same for a column number given as an integer, as in Fields(0): no Variant is built.
    template <std::integral T>
        requires(!std::is_same_v<T, bool>)
    const std::shared_ptr<MYSQL_FIELD>& Fields(T vIndexKey)
    {
        return fieldsByNumber(std::in_range<int>(vIndexKey) ? static_cast<int>(vIndexKey) : -1);
    }
    /// Returns True if rs is at the BOF pointer.
    bool BOF() const;
    /// Returns True if rs is at the EOF pointer. (EOF itself is a macro of the C library.)
    bool EOF_() const;
    /// Returns/set the result set position (1 to RecordCount).  Unknown, bof, or eof values may
    /// also be returned.
    int AbsolutePosition() const;
    void setAbsolutePosition(int lPosition);
    /// Returns the number of tables in this result set.
    int TableCount() const;
    /// Returns the names of the tables in this result set.  If there are more that one table, the
    /// name(s) will be separated by commas.
    QString Table() const;
    /// Returns the edit mode of the result set.
    int EditMode() const;

    /// Move to the first row in the result set.
    void MoveFirst();
    /// Move to the last row in the result set.
    void MoveLast();
    /// Move to the previous row in the result set.
    void MovePrevious();
    /// Move to the next row in the result set.
    void MoveNext();
    /// Close the record set.
    void CloseRecordset();

    /// Find the first row where the given field matches the given value.
    int FindFirst(const Variant& vField, const Variant& vData, int FindMethod);
    /// Find the last row where the given field matches the given value.
    int FindLast(const Variant& vField, const Variant& vData, int FindMethod);
    /// Find the next row where the given field matches the given value.
    int FindNext(const Variant& vField, const Variant& vData, int FindMethod);
    /// Find the previous row where the given field matches the given value.
    int FindPrevious(const Variant& vField, const Variant& vData, int FindMethod);

    /// Enables add mode.
    int AddNew();
    /// Updates any changes to the current row or adds a new record.
    int Update();
    /// Delete the current row.
    int Delete();
    /// Cancels any edits in progress.
    void CancelUpdate();

    /// Creates an HTML table based on the data in the record set.
    QString RsToHtmlTable();
    /// Requeries the record set.
    void Requery();

private:
    friend class MYSQL_CONNECTION;
    friend class MYSQL_FIELD;
    friend class PendingEdits;

    enum class Direction { First, Last, Next, Previous };

    explicit MYSQL_RS(MYSQL_CONNECTION* connection);

    // Runs the (trimmed) statement on the handle and takes over its stored result.
    void OpenResult(const QString& statement, st_mysql* handle);
    // Loads the row of the current position from the stored result. Pending edits are not
    // touched: a move settles them before it changes the position (moveTo).
    void LoadRow();
    // Settles the edit in progress (written with the connection's AutoUpdate, dropped otherwise)
    // and ends it.
    void FinishEdits();
    void ResetResult();
    QStringList TableNames() const;

    const std::shared_ptr<MYSQL_FIELD>& fieldsByText(QByteArrayView key);
    const std::shared_ptr<MYSQL_FIELD>& fieldsByNumber(int index);
    // Every cursor move: settles pending edits while their row is still current, then moves.
    void moveTo(int position);
    void fetchRow(qint64 row);
    int find(Direction direction, const Variant& vField, const Variant& vData, FindMode mode);
    int findColumn(const Variant& vField) const;
    QString columnName(int column) const;
    // The value of a column of the current row as MYSQL_FIELD::Value reads it.
    Variant columnValue(int column);
    // The value last written to the server for a column of a row, if any.
    const Variant* writtenValue(int row, const QString& columnName) const
    {
        return m_edits.writtenValue(row, columnName);
    }
    bool hasWrittenValues() const { return m_edits.hasWrittenValues(); }

    // Editing.
    bool onRow() const { return !BOF() && !EOF_(); }
    EditState editState() const { return m_edits.mode(AbsolutePosition()); }
    // MYSQL_FIELD::Value write: a pending value for the field's column on the current row.
    void setPendingValue(const MYSQL_FIELD& field, const Variant& value);
    // Runs an editing statement on the connection in a result set of its own, so that this one
    // keeps its rows, cursor and pending values; returns the rows affected (0 when nothing ran).
    int runStatement(const QString& statement);
    // Runs a statement of the layer's own into `into`, leaving the connection's Error and
    // QueryString alone.
    void readApart(MYSQL_RS& into, const QString& statement) const;

    MYSQL_CONNECTION* m_connection = nullptr;
    std::shared_ptr<MYSQL_FIELD> m_field;
    // Reads values for searching and the HTML table without moving the caller's field object.
    std::unique_ptr<MYSQL_FIELD> m_reader;
    int m_position = 0;
    int m_recordCount = 0;
    int m_fieldCount = 0;
    int m_affectedRecords = 0;
    QString m_queryString;
    Status m_state = Status::Closed;
    st_mysql_res* m_result = nullptr;
    char** m_currentRow = nullptr;
    unsigned long* m_currentLengths = nullptr;
    // Where each row visited so far starts in the stored result, so that any move is one
    // constant-time seek instead of a walk from the first row.
    std::vector<st_mysql_rows*> m_rowOffsets;
    // The row the library's cursor stands on (-1 when not known).
    qint64 m_libraryRow = -1;
    PendingEdits m_edits{*this};
};
