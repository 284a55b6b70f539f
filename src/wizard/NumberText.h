#pragma once
// Conversions of typed text to the 16-bit numbers the wizard stores. A failure is returned with the
// text the user is shown ("Type mismatch", "Overflow"), so the caller can report it and go on.

#include <QString>

#include <cstdint>
#include <optional>

// Decimal text with an optional sign and fraction (blanks around it are ignored), or nothing.
std::optional<double> parseDecimal(const QString& text);

// A 16-bit number read from text, or why the text is none.
struct Int16Result {
    int16_t Value = 0;  // the number; 0 when the text was refused
    QString Failure;    // "Type mismatch" or "Overflow"; empty when the text was a number
    explicit operator bool() const { return Failure.isEmpty(); }
};

// The text as a 16-bit signed number, a fraction rounded to the nearest whole number with halves
// going to the even one (12.5 -> 12, 13.5 -> 14). Text that is not a number fails with
// "Type mismatch", a result outside -32768..32767 with "Overflow".
Int16Result toInt16(const QString& text);
