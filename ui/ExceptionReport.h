#pragma once

#include "ExceptionText.h"

#include <exception>

// Shows the last-chance report: a box captioned "Application Error". It only shows the box;
// the program goes on, or (after a start-up failure) returns exit code 1 (app/ProgramMain).
void ShowLastChanceReport(const std::exception& e);
