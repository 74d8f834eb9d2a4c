#pragma once

// Ends the program at once when the session ends (SIGTERM, as a log-off sends it, or the
// session manager's quit request at the end of the session): the event loop stops without
// the window's close sequence, and shutdown runs as usual.
void InstallSessionEndHandler();
void RemoveSessionEndHandler();
