#pragma once

#include <QString>

// The remembered choice of language: one line, "[LNG]=" and the language file name, CR LF,
// in "lng.ini" in the program's directory.

QString LanguageChoicePath();

// The name from the file's first line, after its first six characters (a valid UTF-8
// sequence is one character, any other byte one); "cesky.lng.xml" when the file is missing
// or cannot be read, or when its first line is longer than any path. A byte that is not
// valid UTF-8 is kept in the name so that WriteLanguageChoice writes it back unchanged.
QString ReadLanguageChoice(const QString& path);

// Replaces the file as a whole (a crash mid-write leaves the old file or the new one, never
// a part). False when it cannot be written, also when the file or its directory is marked
// read-only.
bool WriteLanguageChoice(const QString& path, const QString& fileName);
