#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

using TIdIPv4Bytes = std::array<std::uint8_t, 4>;

// The text cut at its first three dots; every piece must be a decimal number 0..255.
// Only ASCII digits count: no sign, no blanks, no hexadecimal or octal forms, so "010"
// is ten and never eight.
std::optional<TIdIPv4Bytes> IPv4TextToBytes(const QString& text);

inline bool IsIPv4Text(const QString& text)
{
    return IPv4TextToBytes(text).has_value();
}

QString IPv4BytesToText(const TIdIPv4Bytes& bytes);
