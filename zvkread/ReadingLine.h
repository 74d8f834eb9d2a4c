#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

enum class TOutputFormat { Text, Csv, Jsonl, Prometheus };

// The first line of the output: the csv header, nothing for the other formats.
QByteArray HeaderLine(TOutputFormat format);

// One output line, UTF-8, ended by LF, for a reading as the parser gives it (" °C" included)
// received at the given time. Every reading makes exactly one line in every format but
// prometheus, where it is the text exposition of the reading (zvk_up, and
// zvk_temperature_celsius when the value is a number) as the exporter writes it.
QByteArray ReadingLine(TOutputFormat format, const QDateTime& time, const QString& reading);

// Prometheus: what is written when no reading came (zvk_up 0, no temperature).
QByteArray FailedReadingText();

// Local time with milliseconds and the UTC offset: 2026-12-08T14:05:09.250+01:00.
QString IsoTimeWithOffset(const QDateTime& time);
