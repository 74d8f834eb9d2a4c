# Runs at install time: installs the desktop entry with Exec naming the installed launcher by
# its full path, so that the menu starts the program whether or not the launcher's folder is
# on the PATH (~/.local/bin is only added at the next login). Expects ZVK_DESKTOP_ENTRY (the
# source entry, whose Exec is "zvkdemo"), ZVK_BINDIR and ZVK_DATADIR.
if(IS_ABSOLUTE "${ZVK_BINDIR}")
    set(launcher "${ZVK_BINDIR}/zvkdemo")
else()
    set(launcher "${CMAKE_INSTALL_PREFIX}/${ZVK_BINDIR}/zvkdemo")
endif()
if(NOT launcher MATCHES "^[A-Za-z0-9/._+-]+$")
    # A quoted argument: backslash before \ " ` $, then the backslashes doubled once more
    # because the Exec value is itself an escaped string.
    foreach(c "\\" "\"" "`" "$")
        string(REPLACE "${c}" "\\${c}" launcher "${launcher}")
    endforeach()
    string(REPLACE "\\" "\\\\" launcher "\"${launcher}\"")
endif()
file(READ "${ZVK_DESKTOP_ENTRY}" entry)
string(REPLACE "\nExec=zvkdemo\n" "\nExec=${launcher}\n" entry "${entry}")
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${ZVK_DATADIR}/applications/zvkdemo.desktop")
if(IS_ABSOLUTE "${ZVK_DATADIR}")
    set(target "$ENV{DESTDIR}${ZVK_DATADIR}/applications/zvkdemo.desktop")
endif()
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
