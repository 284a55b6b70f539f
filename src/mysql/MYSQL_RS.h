#pragma once
// The result of a statement run through a MYSQL_CONNECTION. The whole result is held on the
// client side (the library's stored result); the result set offers a cursor over its rows, the
// columns of the current row through its one MYSQL_FIELD, searching and an HTML rendering.
// Invalid positions, unknown columns and a closed result set give neutral values, never errors.

#include "mysql/Variant.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class MYSQL_CONNECTION;
class MYSQL_FIELD;
struct st_mysql;
struct st_mysql_res;
struct st_mysql_rows;

class MYSQL_RS {
public:
    ~MYSQL_RS();
    MYSQL_RS(const MYSQL_RS&) = delete;
    MYSQL_RS& operator=(const MYSQL_RS&) = delete;

    /// Returns the state of the rs object.
    int State() const { return m_state; }
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
        return fieldsByText(vIndexKey, qstrnlen(vIndexKey, N));
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

    /// Creates an HTML table based on the data in the record set.
    QString RsToHtmlTable();
    /// Requeries the record set.
    void Requery();

private:
    friend class MYSQL_CONNECTION;
    friend class MYSQL_FIELD;

    enum class Direction { First, Last, Next, Previous };

    explicit MYSQL_RS(MYSQL_CONNECTION* connection);

    // Runs the (trimmed) statement on the handle and takes over its stored result.
    void OpenResult(const QString& statement, st_mysql* handle);
    // Loads the row of the current position from the stored result, first settling pending
    // edits unless told to skip that.
    void LoadRow(bool skipSettling = false);
    // Settles pending edits of the row being left (written with AutoUpdate, dropped otherwise).
    void FinishEdits();
    void ResetResult();
    QStringList TableNames() const;

    const std::shared_ptr<MYSQL_FIELD>& fieldsByText(const char* key, qsizetype size);
    void moveTo(int position);
    void fetchRow(qint64 row);
    int find(Direction direction, const Variant& vField, const Variant& vData, int FindMethod);
    int findColumn(const Variant& vField) const;
    QString columnName(int column) const;
    // The value of a column of the current row as MYSQL_FIELD::Value reads it.
    Variant columnValue(int column);
    // A pending value of the row being read that has been written to the server, if any.
    const Variant* writtenValue(const QString& columnName) const;

    MYSQL_CONNECTION* m_connection = nullptr;
    std::shared_ptr<MYSQL_FIELD> m_field;
    // Reads values for searching and the HTML table without moving the caller's field object.
    std::unique_ptr<MYSQL_FIELD> m_reader;
    int m_position = 0;
    int m_recordCount = 0;
    int m_fieldCount = 0;
    int m_affectedRecords = 0;
    QString m_queryString;
    int m_state = 1;
    st_mysql_res* m_result = nullptr;
    char** m_currentRow = nullptr;
    unsigned long* m_currentLengths = nullptr;
    // Where each row visited so far starts in the stored result, so that any move is one
    // constant-time seek instead of a walk from the first row.
    std::vector<st_mysql_rows*> m_rowOffsets;

    // Pending edits, filled by the editing members: per edited row (by position) its pending
    // values in the order they were set; a value marked updated has been written to the server
    // and is what reads of that column show.
    struct PendingValue {
        QString name;
        Variant value;
        bool updated = false;
    };
    QHash<int, QList<PendingValue>> m_editedRows;
    QSet<int> m_deletedRows;
    int m_editMode = 0;
    int m_editRow = 0;
};
