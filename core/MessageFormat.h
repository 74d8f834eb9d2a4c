#pragma once

#include <QString>
#include <QStringList>

// printf-style formatting where every %s takes the next argument and %d a number; used for
// the fixed message texts so that they can be written exactly as they read.
QString Format(const QString& format, const QStringList& args);
