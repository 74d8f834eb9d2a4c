#pragma once

#include "ExceptionText.h"

#include <exception>

// Shows the last-chance report: a box captioned "Application Error". The caller then ends
// the process with exit code 1.
void ShowLastChanceReport(const std::exception& e);
