#pragma once

#include <QString>
#include <optional>

// The value of a reading, one conversion for the window's parser output wherever a number is
// needed (zvkread's csv and json, the daemons), so that none of them disagree.

// The reading's text without the " °C" the parser appends: the value field from its sign.
QString RawReadingText(const QString& reading);

// The text as a plain decimal number ("+022.0" -> "22.0", "-003.2" -> "-3.2"), or an empty
// text when it is not an optional sign, digits, and optionally "." and digits.
QString PlainNumber(const QString& text);

// The reading (as ParseReading gives it, " °C" included) as a number of degrees, when its
// value field is a plain number.
std::optional<double> ReadingCelsius(const QString& reading);
