#pragma once
// Conversions of typed text to the 16-bit numbers the wizard stores. A failure carries the text the
// user is shown ("Type mismatch", "Overflow"), so a guarded handler can report it and go on.

#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>

class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decimal text with an optional sign and fraction (blanks around it are ignored), or nothing.
std::optional<double> parseDecimal(const QString& text);

// The text as a 16-bit signed number, a fraction rounded to the nearest whole number with halves
// going to the even one (12.5 -> 12, 13.5 -> 14). Throws ConversionError for text that is not a
// number ("Type mismatch") and for a result outside -32768..32767 ("Overflow").
int16_t toInt16(const QString& text);
