#include "ProgramDirectory.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ProgramDirectory()
{
    QString dir =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}
