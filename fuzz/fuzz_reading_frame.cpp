// The reading parser against the frame rules, written out here a second way: positions of
// the first "*" and the first CR after it, the sign rule, and the shown text.
#include "FuzzCheck.h"
#include "ReadingFrame.h"

#include <QStringDecoder>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const QByteArray received(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    const TReadingResult result = ParseReading(received);

    const qsizetype f = received.indexOf('*');
    if (f < 0 || received.size() <= f + 5) { // needs six characters from the "*" on
        Require(result.Result == TReadingResult::Nothing, "no whole frame start: nothing shown");
        return 0;
    }
    const qsizetype c = received.indexOf('\r', f);
    if (received.at(f + 1) != 'B' || c < 0) {
        Require(result.Result == TReadingResult::Dash && result.Text == u"-",
                "a frame that is no whole B frame shows a dash");
        return 0;
    }
    Require(result.Result == TReadingResult::Reading, "a whole B frame is a reading");
    // The value field runs from the fifth character of the frame up to the CR.
    const QByteArray field = c - f > 4 ? received.mid(f + 4, c - f - 4) : QByteArray();
    QByteArray shown = field;
    if (const qsizetype plus = field.indexOf('+'); plus >= 0)
        shown = field.mid(plus);
    else if (const qsizetype minus = field.indexOf('-'); minus >= 0)
        shown = field.mid(minus);
    Require(!shown.contains('\r'), "the value stops at the first CR");
    QStringDecoder cp1250("windows-1250");
    const QString expected = cp1250.decode(shown) + QStringLiteral(" \u00B0C");
    Require(result.Text == expected, "the reading is the field from its sign, with \" °C\"",
            result.Text + QStringLiteral(" <> ") + expected);
    return 0;
}
