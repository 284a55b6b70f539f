#pragma once
// A loosely typed value as the client layer and the wizard pass it around: Empty (no value at
// all), Null (SQL NULL), a text, a number, or a date and time. Column values always come back as
// text; numbers and dates exist so that callers can hand in keys, search values and new column
// values the way they have them.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>
#include <type_traits>

class Variant {
public:
    enum class Kind { Empty, Null, Text, Number, DateTime };

    Variant() = default;
    Variant(const QString& text) : m_kind(Kind::Text), m_text(text) {}
    Variant(QString&& text) : m_kind(Kind::Text), m_text(std::move(text)) {}
    Variant(const char* text) : m_kind(Kind::Text), m_text(QString::fromUtf8(text)) {}
    template <typename T>
        requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>)
    Variant(T number) : m_kind(Kind::Number), m_number(static_cast<double>(number))
    {
    }
    // A boolean has no meaning here; keep it from silently becoming the number 1.
    Variant(bool) = delete;
    // A date, a time of day, or both. The parts are kept as given (no time zone conversion); an
    // invalid part counts as absent.
    Variant(const QDate& date) : m_kind(Kind::DateTime), m_date(date) {}
    Variant(const QTime& time) : m_kind(Kind::DateTime), m_time(time) {}
    Variant(const QDateTime& dateTime)
        : m_kind(Kind::DateTime), m_date(dateTime.date()), m_time(dateTime.time())
    {
    }

    static Variant null();

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isText() const { return m_kind == Kind::Text; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isDateTime() const { return m_kind == Kind::DateTime; }
    // The parts of a date and time value (invalid when absent or for the other kinds).
    QDate date() const { return m_date; }
    QTime time() const { return m_time; }

    // The value as text: a text as it is, a number in its shortest form ("5", "2.5"), a date and
    // time as "YYYY-MM-DD HH:MM:SS" (or the part it has, with ".mmm" when there are
    // milliseconds), and an empty text for Empty and Null.
    QString toString() const;
    // The text of a Text value without a copy (empty for the other kinds).
    const QString& text() const { return m_text; }

    // The number this value stands for: a number, or a text that reads as one (blanks around it
    // allowed, as in " 12 ", "-3", "2.5", "1e3"). Nothing for Empty, Null and other texts.
    std::optional<double> numericValue() const;

    // Equality of loosely typed values: Null equals nothing (not even Null); texts are equal only
    // when identical (letter case counts); a number or a date never equals a text; Empty equals
    // Empty, the empty text and the number 0.
    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }

private:
    Kind m_kind = Kind::Empty;
    QString m_text;
    double m_number = 0;
    QDate m_date;
    QTime m_time;
};

// The number a text reads as (see Variant::numericValue), if any.
std::optional<double> numberFromText(QStringView text);

// The 32-bit integer a numeric value stands for, rounded to the nearest (halves to even); nothing
// when the value is not numeric or lies outside the 32-bit range.
std::optional<qint32> toInt32(const Variant& value);
// The slow path of toInt32(double): rounds halves to even.
std::optional<qint32> roundedToInt32(double number);

inline std::optional<qint32> toInt32(double number)
{
    // Whole numbers, by far the most common, skip the rounding.
    if (number >= -2147483648.0 && number <= 2147483647.0) {
        const auto whole = static_cast<qint32>(number);
        if (whole == number)
            return whole;
    }
    return roundedToInt32(number);
}
