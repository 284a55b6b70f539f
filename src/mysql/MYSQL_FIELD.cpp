#include "mysql/MYSQL_FIELD.h"

#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_RS.h"

#include <QStringView>

#include <algorithm>
#include <cstring>

namespace {

// MySQL's code for a fixed-length string column, the type reported when there is no column.
constexpr int noColumnType = MYSQL_TYPE_STRING;

}  // namespace

// Column names are looked up on every read by name, so both the hash and the comparison take
// ASCII characters the short way and fold letter case properly only for the others.
size_t MYSQL_FIELD::CaseInsensitiveHash::operator()(QStringView text) const
{
    size_t hash = 1469598103934665603ull;
    const qsizetype size = text.size();
    const QChar* data = text.constData();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t codePoint = data[i].unicode();
        if (codePoint < 0x80) {
            if (codePoint >= u'A' && codePoint <= u'Z')
                codePoint += u'a' - u'A';
        } else {
            if (QChar::isHighSurrogate(codePoint) && i + 1 < size && data[i + 1].isLowSurrogate()) {
                codePoint = QChar::surrogateToUcs4(data[i], data[i + 1]);
                ++i;
            }
            codePoint = QChar::toCaseFolded(codePoint);
        }
        hash = (hash ^ codePoint) * 1099511628211ull;
    }
    return hash;
}

bool MYSQL_FIELD::CaseInsensitiveEqual::operator()(QStringView a, QStringView b) const
{
    const qsizetype size = a.size();
    if (size == b.size()) {
        const QChar* x = a.constData();
        const QChar* y = b.constData();
        qsizetype i = 0;
        for (; i < size; ++i) {
            char16_t c = x[i].unicode();
            char16_t d = y[i].unicode();
            if (c >= 0x80 || d >= 0x80)
                break;
            if (c >= u'A' && c <= u'Z')
                c += u'a' - u'A';
            if (d >= u'A' && d <= u'Z')
                d += u'a' - u'A';
            if (c != d)
                return false;
        }
        if (i == size)
            return true;
    }
    // Case folding may change the length of non-ASCII text.
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

MYSQL_FIELD::MYSQL_FIELD(MYSQL_RS* parent) : m_parent(parent) {}

void MYSQL_FIELD::Retarget(const Variant& key, int columnCount, st_mysql_res* result, char** row,
                           const unsigned long* lengths)
{
    int index = -1;
    if (key.isNumber()) {
        const std::optional<qint32> number = toInt32(*key.numericValue());
        index = number ? *number : -1;
    } else if (key.isText()) {
        // Looking a name up needs the result's columns.
        attach(columnCount, result, row, lengths);
        index = indexFromText(key.text());
    }
    retargetByNumber(index, columnCount, result, row, lengths);
}

void MYSQL_FIELD::retargetByText(QByteArrayView key, int columnCount, st_mysql_res* result,
                                 char** row, const unsigned long* lengths)
{
    int index = m_lastBytesIndex;
    if (key.size() != m_lastBytesSize
        || std::memcmp(key.data(), m_lastBytes, static_cast<size_t>(key.size())) != 0) {
        attach(columnCount, result, row, lengths);
        index = indexFromBytes(key);
        // Only answers from the result's columns are remembered (a field object belongs to
        // one result, so they stay right).
        if (m_result && key.size() <= lastBytesCapacity) {
            std::memcpy(m_lastBytes, key.data(), static_cast<size_t>(key.size()));
            m_lastBytesSize = key.size();
            m_lastBytesIndex = index;
        }
    }
    retargetByNumber(index, columnCount, result, row, lengths);
}

void MYSQL_FIELD::retargetByNumber(int index, int columnCount, st_mysql_res* result, char** row,
                                   const unsigned long* lengths)
{
    attach(columnCount, result, row, lengths);
    m_index = index;
    if (m_index < 0 || m_columnCount == 0 || m_index >= m_columnCount)
        detach();
    else
        m_length = m_row ? lengths[m_index] : 0;
}

void MYSQL_FIELD::retargetNowhere(int columnCount)
{
    m_columnCount = columnCount;
    m_index = -1;
    detach();
}

void MYSQL_FIELD::attach(int columnCount, st_mysql_res* result, char** row,
                         const unsigned long* lengths)
{
    m_columnCount = columnCount;
    m_result = result;
    m_row = lengths ? row : nullptr;
    m_rowPosition = m_parent ? m_parent->m_position : 0;
}

// A text that reads as a number is a column number, never the name of a column.
int MYSQL_FIELD::indexFromText(QStringView key)
{
    // The last name looked up was not a number, so a key equal to it can skip that test.
    if (!m_lastName.isNull() && key == m_lastName)
        return m_lastNameIndex;
    if (const std::optional<double> number = numberFromText(key)) {
        const std::optional<qint32> index = toInt32(*number);
        return index ? *index : -1;
    }
    return columnByName(key);
}

int MYSQL_FIELD::indexFromBytes(QByteArrayView key)
{
    constexpr qsizetype bufferSize = lastBytesCapacity;
    const bool ascii = std::none_of(key.begin(), key.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (key.size() > bufferSize || !ascii)
        return indexFromText(QString::fromUtf8(key));
    // ASCII widens to UTF-16 one character at a time.
    char16_t buffer[bufferSize];
    std::copy(key.begin(), key.end(), buffer);
    return indexFromText(QStringView(buffer, key.size()));
}

void MYSQL_FIELD::detach()
{
    m_result = nullptr;
    m_row = nullptr;
    m_length = 0;
}

void MYSQL_FIELD::orphan()
{
    detach();
    m_parent = nullptr;
    m_columnCount = 0;
}

int MYSQL_FIELD::columnByName(QStringView name)
{
    if (m_columnOrdinals.empty() && m_result) {
        for (int column = 1; column <= m_columnCount; ++column) {
            const LibraryField* field =
                mysql_fetch_field_direct(m_result, static_cast<unsigned int>(column - 1));
            const QString columnName = textFromLibrary(field ? field->name : nullptr);
            // A name already present keeps its first column.
            if (!columnName.isEmpty())
                m_columnOrdinals.try_emplace(columnName, column);
        }
    }
    const auto found = m_columnOrdinals.find(name);
    const int index = found == m_columnOrdinals.end() ? -1 : found->second - 1;
    // Only answers from a built map are remembered.
    if (!m_columnOrdinals.empty()) {
        m_lastName = name.toString();
        m_lastNameIndex = index;
    }
    return index;
}

const st_mysql_field* MYSQL_FIELD::description() const
{
    if (!m_result || m_index < 0 || m_index >= m_columnCount)
        return nullptr;
    return mysql_fetch_field_direct(m_result, static_cast<unsigned int>(m_index));
}

QString MYSQL_FIELD::Name() const
{
    const LibraryField* field = description();
    return field ? textFromLibrary(field->name) : QString();
}

QString MYSQL_FIELD::Table() const
{
    const LibraryField* field = description();
    return field ? textFromLibrary(field->table) : QString();
}

int MYSQL_FIELD::MySqlType() const
{
    const LibraryField* field = description();
    return field ? static_cast<int>(field->type) : noColumnType;
}

// The library's lengths are unsigned; they are reported as their low 32 bits taken as signed.
int MYSQL_FIELD::Length() const
{
    const LibraryField* field = description();
    return field ? static_cast<qint32>(static_cast<quint32>(field->length)) : 0;
}

int MYSQL_FIELD::MaxLength() const
{
    const LibraryField* field = description();
    return field ? static_cast<qint32>(static_cast<quint32>(field->max_length)) : 0;
}

int MYSQL_FIELD::Flags() const
{
    const LibraryField* field = description();
    return field ? static_cast<qint32>(field->flags) : 0;
}

int MYSQL_FIELD::Decimals() const
{
    const LibraryField* field = description();
    return field ? static_cast<qint32>(field->decimals) : 0;
}

Variant MYSQL_FIELD::Value() const
{
    if (!m_row || m_index < 0 || m_index >= m_columnCount)
        return Variant();
    // A value written to the server for this row shows instead of the stored one.
    if (m_parent && m_parent->hasWrittenValues()) {
        if (const Variant* written = m_parent->writtenValue(m_rowPosition, Name()))
            return *written;
    }
    const char* data = m_row[m_index];
    if (!data)
        return Variant::null();
    if (m_length == 0)
        return Variant(QStringLiteral(""));
    // Exactly the column's bytes: a value may hold NUL bytes.
    return Variant(QString::fromLocal8Bit(data, static_cast<qsizetype>(m_length)));
}

void MYSQL_FIELD::setValue(const Variant& vData)
{
    if (m_parent)
        m_parent->setPendingValue(*this, vData);
}
