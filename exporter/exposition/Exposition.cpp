#include "Exposition.h"

#include <charconv>
#include <cmath>

void TExposition::Family(const char* name, const char* type, const QByteArray& help)
{
    FName = name;
    FText += "# HELP " + FName + ' ' + EscapeHelp(help) + '\n';
    FText += "# TYPE " + FName + ' ' + type + '\n';
}

void TExposition::Sample(double value, const TLabels& labels)
{
    FText += FName;
    if (!labels.isEmpty()) {
        FText += '{';
        for (qsizetype i = 0; i < labels.size(); ++i) {
            if (i > 0)
                FText += ',';
            FText += labels[i].first + "=\"" + EscapeLabelValue(labels[i].second) + '"';
        }
        FText += '}';
    }
    FText += ' ' + FormatValue(value) + '\n';
}

void TExposition::Single(const char* name, const char* type, const QByteArray& help, double value)
{
    Family(name, type, help);
    Sample(value);
}

QByteArray TExposition::EscapeHelp(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray TExposition::EscapeLabelValue(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray TExposition::FormatValue(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}
