#pragma once

// The upper half of Windows-1250 (bytes 0x80 to 0xFF) in UTF-16; the lower half is ASCII.
extern const char16_t Windows1250UpperHalf[128];

// One byte of Windows-1250 text as a UTF-16 code unit, without opening a converter.
inline char16_t Windows1250ToUnicode(unsigned char byte)
{
    return byte < 0x80 ? char16_t(byte) : Windows1250UpperHalf[byte - 0x80];
}
