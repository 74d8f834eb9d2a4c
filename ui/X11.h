#pragma once

#include <xcb/xcb.h>

// The toolkit's connection to the X server; null when the program does not run on X11.
xcb_connection_t* X11Connection();

// The atom of that name, made if need be (or, with onlyIfExists, only if some client made it
// already); XCB_ATOM_NONE when there is none.
xcb_atom_t X11Atom(xcb_connection_t* c, const char* name, bool onlyIfExists = false);
