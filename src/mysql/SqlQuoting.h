#pragma once
// How names and values are written into statements: the one place that quotes an identifier and
// escapes a literal, for every statement the program builds.

#include "mysql/Variant.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// The library's column type codes that take the date and time forms.
constexpr int DateColumnType = 10;
constexpr int TimeColumnType = 11;
constexpr int DateTimeColumnType = 12;

// A table, database or column name in back-ticks, a back-tick inside doubled, so that a name
// that is a keyword (order, key) or holds blanks stays one name.
QString quoteName(QStringView name);

// Text to stand between the single quotes of a literal. Backslash, NUL, backspace, tab, both
// quotes, line feed and carriage return are escaped by a backslash. When the server treats
// backslashes as ordinary characters (its NO_BACKSLASH_ESCAPES mode, see
// MYSQL_CONNECTION::noBackslashEscapes) an escaping backslash would end the literal early, so
// there only the single quote is escaped, by doubling.
QString escapeLiteral(QStringView text, bool noBackslashEscapes);

// The same for the pattern of a LIKE: the wildcards "_" and "%" and the backslash are escaped
// first, so that the pattern matches only the text itself. The server takes the backslash as the
// pattern's escape character in both modes.
QString escapeLikePattern(QStringView text, bool noBackslashEscapes);

// A value as a literal for a column of the given type: NULL for Null; for date, time and
// date-and-time columns the value in the form 'YYYY-MM-DD', 'HH:MM:SS' or
// 'YYYY-MM-DD HH:MM:SS' ('0000-00-00', '00:00:00', '0000-00-00 00:00:00' when it does not read as
// one, see readDateTime); for every other type the value's text escaped by escapeLiteral, in
// single quotes.
QString quoteValue(const Variant& value, int columnType, bool noBackslashEscapes = false);

// A value as the text it is, escaped as for a text column and in single quotes (NULL for Null),
// whatever the column's type. Values the server gave are matched this way: reading them by the
// date and time forms would turn those the forms do not accept (a TIME of 25:00:00, a DATE of
// 2004-02-00) into the zero form and match another row.
QString quoteText(const Variant& value, bool noBackslashEscapes = false);

// A date, a time of day or both, as read from a value; a part the value lacks is invalid.
// `fraction` holds fractional seconds with their point (".25"), empty when there are none.
struct DateTimeParts {
    QDate date;
    QTime time;
    QString fraction;
};

// What a value means as a date and time. Read as one are:
// - date and time values (QDate, QTime, QDateTime), by their valid parts;
// - texts, blanks around them ignored, of the forms YYYY-MM-DD, HH:MM:SS and
//   YYYY-MM-DD HH:MM:SS (also with a T between date and time), where month, day and hour may
//   have one digit, the seconds may be left out (HH:MM) and may carry up to six decimals.
// Year, month and day always come in that order, so no text is ambiguous. The date must exist
// (2004-02-30 does not) and the time must lie within a day. Nothing else reads as a date or time:
// not numbers, not other orders or separators.
std::optional<DateTimeParts> readDateTime(const Variant& value);
