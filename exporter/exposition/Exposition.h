#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// The Prometheus text exposition format 0.0.4, written by hand: one family at a time, HELP and
// TYPE first, every line ended by LF.
class TExposition {
public:
    using TLabels = QList<QPair<QByteArray, QByteArray>>;
    static constexpr const char* ContentType = "text/plain; version=0.0.4; charset=utf-8";

    void Family(const char* name, const char* type, const QByteArray& help);
    void Sample(double value, const TLabels& labels = {});
    // A family with one unlabelled sample.
    void Single(const char* name, const char* type, const QByteArray& help, double value);
    const QByteArray& Text() const { return FText; }

    static QByteArray EscapeHelp(const QByteArray& text);
    static QByteArray EscapeLabelValue(const QByteArray& text);
    // Go's float syntax as Prometheus parses it: shortest round-trip digits, NaN, +Inf, -Inf.
    static QByteArray FormatValue(double value);

private:
    QByteArray FText;
    QByteArray FName;
};
