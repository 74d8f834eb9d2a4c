#pragma once

// Ends the program at once when the session ends (SIGTERM here, as a log-off sends it): the
// event loop stops without the window's close sequence, and shutdown runs as usual.
void InstallSessionEndHandler();
void RemoveSessionEndHandler();
