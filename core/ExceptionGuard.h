#pragma once

#include <exception>
#include <functional>

// Where an exception that escapes a guarded handler goes. foreign: the thrown object was not a
// std::exception; e then stands for it (an EExternalException).
using TExceptionReport = void (*)(const std::exception& e, bool foreign);

// The report every later escape goes to; nullptr restores the default, StandardErrorReport.
void SetExceptionReport(TExceptionReport report);
// Writes the exception's class and message to standard error, one line.
void StandardErrorReport(const std::exception& e, bool foreign);

// Runs a handler under the one guard: an exception that escapes it goes to the report, and
// the program goes on. Every dispatch from Qt into the program's handlers goes through it.
// Returns false when the handler raised.
bool GuardedCall(const std::function<void()>& handler);
