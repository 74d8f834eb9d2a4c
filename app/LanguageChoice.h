#pragma once

#include <QString>

// The remembered choice of language: one line, "[LNG]=" and the language file name, CR LF,
// in "lng.ini" in the program's directory.

QString LanguageChoicePath();

// The name from the file's first line, from its 7th character on; "cesky.lng.xml" when the
// file is missing or cannot be read.
QString ReadLanguageChoice(const QString& path);

// Replaces the file as a whole (a crash mid-write leaves the old file or the new one, never
// a part). False when it cannot be written, also when the file or its directory is marked
// read-only.
bool WriteLanguageChoice(const QString& path, const QString& fileName);
