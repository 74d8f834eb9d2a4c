#include "ReadingValue.h"

namespace {
const QString DegreesSuffix = QStringLiteral(" \u00B0C");

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
} // namespace

QString RawReadingText(const QString& reading)
{
    return reading.endsWith(DegreesSuffix) ? reading.chopped(DegreesSuffix.size()) : reading;
}

QString PlainNumber(const QString& text)
{
    qsizetype i = 0;
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        ++i;
    const qsizetype intStart = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    const qsizetype intEnd = i;
    qsizetype fracStart = i;
    if (i < text.size() && text[i] == u'.') {
        fracStart = ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        if (i == fracStart)
            return {};
    }
    if (intEnd == intStart || i != text.size())
        return {};
    qsizetype firstDigit = intStart;
    while (firstDigit + 1 < intEnd && text[firstDigit] == u'0')
        ++firstDigit;
    QString number = negative ? QStringLiteral("-") : QString();
    number += text.mid(firstDigit, intEnd - firstDigit);
    if (fracStart != intEnd)
        number += u'.' + text.mid(fracStart);
    return number;
}

std::optional<double> ReadingCelsius(const QString& reading)
{
    const QString number = PlainNumber(RawReadingText(reading));
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (number.isEmpty() || !ok)
        return std::nullopt;
    return value;
}
