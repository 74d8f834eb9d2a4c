#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

enum class TOutputFormat { Text, Csv, Jsonl };

// The first line of the output: the csv header, nothing for the other formats.
QByteArray HeaderLine(TOutputFormat format);

// One output line, UTF-8, ended by LF, for a reading as the parser gives it (" °C" included)
// received at the given time. Every reading makes exactly one line in every format.
QByteArray ReadingLine(TOutputFormat format, const QDateTime& time, const QString& reading);

// The reading's text without the " °C" the parser appends: the value field from its sign.
QString RawReadingText(const QString& reading);

// The text as a plain decimal number ("+022.0" -> "22.0", "-003.2" -> "-3.2"), or an empty
// text when it is not an optional sign, digits, and optionally "." and digits.
QString PlainNumber(const QString& text);

// Local time with milliseconds and the UTC offset: 2026-12-08T14:05:09.250+01:00.
QString IsoTimeWithOffset(const QDateTime& time);
