#pragma once

#include <QString>

// Directory of the running executable, with a trailing '/'.
QString ProgramDirectory();
