#include "ReadingFrame.h"

#include "Windows1250.h"

#include <cstring>

namespace {
constexpr char16_t Degrees[] = u" \u00B0C";

const char* Find(const char* from, const char* to, char c)
{
    return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(to - from)));
}
} // namespace

TReadingResult ParseReading(const QByteArray& received)
{
    const char* const begin = received.constData();
    const char* const end = begin + received.size();
    const char* const star = Find(begin, end, '*');
    // At least six characters must run from the "*" to the end, the "*" included.
    if (!star || end - star < 6)
        return {};
    // Frames are short: plain loops beat a library call per character looked for.
    const char* cr = star + 1;
    while (cr < end && *cr != '\r')
        ++cr;
    if (star[1] != 'B' || cr == end)
        return {TReadingResult::Dash, QStringLiteral("-")};

    // The value field runs from the fifth character up to the CR; it is empty when the CR
    // comes earlier.
    const char* const field = star + 4;
    const char* const fieldEnd = cr > field ? cr : field;
    const auto first = [&](char c) {
        const char* p = field;
        while (p < fieldEnd && *p != c)
            ++p;
        return p;
    };
    const char* sign = first('+');
    if (sign == fieldEnd)
        sign = first('-');
    if (sign == fieldEnd)
        sign = field;

    const qsizetype length = fieldEnd - sign;
    QString text(length + 3, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char* p = sign; p < fieldEnd; ++p)
        *out++ = Windows1250ToUnicode(static_cast<unsigned char>(*p));
    std::memcpy(out, Degrees, 3 * sizeof(char16_t));
    return {TReadingResult::Reading, std::move(text)};
}
