#pragma once

#include <QFont>
#include <QString>

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = quint32; // bit n set for TFontStyle n

// Colours keep the system's value numbering: negative values name system colours.
enum : int {
    clBtnFace = -16777201,    // 0xFF00000F
    clWindowText = -16777208, // 0xFF000008
    clWindow = -16777211,     // 0xFF000005
};

// A control's font as stored: a height in pixels (negative: character height without the
// internal leading, which is what a pixel size in Qt means) and the usual attributes.
struct TFont {
    QString Name = QStringLiteral("MS Sans Serif");
    int Height = -11;
    TFontStyles Style = 0;
    int Color = clWindowText;
    int Charset = 1; // DEFAULT_CHARSET

    // Size in points at 96 pixels per inch, rounded.
    int Size() const;
    void SetSize(int points);
    QFont ToQFont() const;
    bool operator==(const TFont&) const = default;
};
