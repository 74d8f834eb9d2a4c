#pragma once

#include <QString>

// The remembered choice of language: one line, "[LNG]=" and the language file name, CR LF,
// in "lng.ini". A folder that says so (a file named "portable" beside the program: the
// portable folder, a per-user install, the build tree) keeps it beside the program; any
// other install keeps the user's own copy in $XDG_CONFIG_HOME/zvkdemo/lng.ini.

// The marker's name.
inline constexpr char PortableMarker[] = "portable";

// lng.ini beside the program, whether or not the choice is kept there.
QString BesideProgramLanguageChoicePath();

// The user's copy: $XDG_CONFIG_HOME (when an absolute path), else ~/.config, then
// zvkdemo/lng.ini.
QString UserLanguageChoicePath();

// The file the choice is read from and the one it is written to. Both are the file beside
// the program when the marker is beside it. Otherwise both are the user's copy, except that
// until that exists the file beside the program, a packaged default, is read. Nothing is
// tried or written in the program's folder to decide.
struct TLanguageChoiceFiles {
    QString Read;
    QString Write;
};
TLanguageChoiceFiles
LanguageChoiceFiles(const QString& besideProgram = BesideProgramLanguageChoicePath(),
                    const QString& user = UserLanguageChoicePath());

// The name from the file's first line, after its first six characters (a valid UTF-8
// sequence is one character, any other byte one); "cesky.lng.xml" when the file is missing
// or cannot be read, or when its first line is longer than any path. A byte that is not
// valid UTF-8 is kept in the name so that WriteLanguageChoice writes it back unchanged.
QString ReadLanguageChoice(const QString& path);

// Replaces the file as a whole (a crash mid-write leaves the old file or the new one, never
// a part). A missing folder is created, private to the user, as the user's copy needs on its
// first save. False when it cannot be written, also when the file or its directory is marked
// read-only.
bool WriteLanguageChoice(const QString& path, const QString& fileName);
