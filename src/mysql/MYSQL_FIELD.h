#pragma once
// One column of a MYSQL_RS: its description from the client library and its value in the row
// that was current when the result set last pointed this object at a column. Without a column
// (an unknown name, a position off the rows) every property gives its neutral value.

#include "mysql/Variant.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <unordered_map>

class MYSQL_RS;
struct st_mysql_field;
struct st_mysql_res;

class MYSQL_FIELD {
public:
    ~MYSQL_FIELD() = default;
    MYSQL_FIELD(const MYSQL_FIELD&) = delete;
    MYSQL_FIELD& operator=(const MYSQL_FIELD&) = delete;

    /// Return the name of the field.
    QString Name() const;
    /// Returns the name of table that the field belongs to.
    QString Table() const;
    /// Return the type of the field.
    int MySqlType() const;
    /// Returns the length of the field as declared in the CREATE TABLE statement.
    int Length() const;
    /// Returns the length of the longest field value present in the result set.
    int MaxLength() const;
    /// Returns the attributes for the field.
    int Flags() const;
    /// Return the number of decimals for numeric fields, zero for non-numeric fields.
    int Decimals() const;
    /// Returns/sets the value of the field.  If the field has been updated, the updated value will
    /// be returned.
    Variant Value() const;
    // Records a pending value for this column on the result set's current row (written to the
    // server by Update). Ignored for computed columns, off the rows and on a deleted row.
    void setValue(const Variant& vData);

private:
    friend class MYSQL_RS;

    // Column names are matched without regard to case; lookups take a QStringView, so a name
    // can be looked up without building a QString.
    struct CaseInsensitiveHash {
        using is_transparent = void;
        size_t operator()(QStringView text) const;
    };
    struct CaseInsensitiveEqual {
        using is_transparent = void;
        bool operator()(QStringView a, QStringView b) const;
    };

    explicit MYSQL_FIELD(MYSQL_RS* parent);

    // Points this object at a column (by number, numeric text or name) of the given row.
    void Retarget(const Variant& key, int columnCount, st_mysql_res* result, char** row,
                  const unsigned long* lengths);
    // The same for a key given as UTF-8 bytes (a string literal in the caller's code).
    void retargetByText(QByteArrayView key, int columnCount, st_mysql_res* result, char** row,
                        const unsigned long* lengths);
    // The same for a column number; any number outside the columns points at no column.
    void retargetByNumber(int index, int columnCount, st_mysql_res* result, char** row,
                          const unsigned long* lengths);
    // Points this object at no column (off the rows).
    void retargetNowhere(int columnCount);
    // Forgets the stored result and row: every property gives its neutral value from now on.
    void detach();
    // Leaves the result set for good (it was reset or destroyed).
    void orphan();
    void attach(int columnCount, st_mysql_res* result, char** row, const unsigned long* lengths);
    int indexFromText(QStringView key);
    int indexFromBytes(QByteArrayView key);
    int columnByName(QStringView name);
    // The library's description of the column, or null without a column.
    const st_mysql_field* description() const;

    MYSQL_RS* m_parent = nullptr;
    st_mysql_res* m_result = nullptr;
    char** m_row = nullptr;
    // Only this column's length is kept: the library rewrites its lengths array on every fetch,
    // and a field object held across a move must keep showing its own row.
    unsigned long m_length = 0;
    int m_columnCount = 0;
    int m_index = -1;
    // The position of the row shown, for the values written to it.
    int m_rowPosition = 0;
    std::unordered_map<QString, int, CaseInsensitiveHash, CaseInsensitiveEqual> m_columnOrdinals;
    // The last name looked up and its result: a row walk asks for the same names on every row.
    QString m_lastName;
    int m_lastNameIndex = -1;
    // The same for the last key given as bytes, compared as they are: a walk that reads
    // Fields("name") on every row neither decodes nor hashes the name again.
    static constexpr qsizetype lastBytesCapacity = 64;
    char m_lastBytes[lastBytesCapacity] = {};
    qsizetype m_lastBytesSize = -1;
    int m_lastBytesIndex = -1;
};
