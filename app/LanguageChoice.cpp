#include "LanguageChoice.h"

#include "SysUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString DefaultLanguageFile = QStringLiteral("cesky.lng.xml");

bool MarkedReadOnly(const QFileInfo& info)
{
    const auto write = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && !(info.permissions() & write);
}
} // namespace

QString LanguageChoicePath()
{
    return ProgramDirectory() + QStringLiteral("lng.ini");
}

QString ReadLanguageChoice(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return DefaultLanguageFile;
    // Only a regular file is read: a pipe or a device could block for ever.
    if (!info.isFile())
        return DefaultLanguageFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DefaultLanguageFile;
    QByteArray line;
    char ch = 0;
    while (file.getChar(&ch)) {
        if (ch == '\n' || ch == '\x1a')
            break;
        if (ch != '\r')
            line += ch;
    }
    if (file.error() != QFileDevice::NoError)
        return DefaultLanguageFile;
    return QString::fromUtf8(line.mid(6));
}

bool WriteLanguageChoice(const QString& path, const QString& fileName)
{
    const QFileInfo info(path);
    if (MarkedReadOnly(info) || MarkedReadOnly(QFileInfo(info.absolutePath())))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = "[LNG]=" + fileName.toUtf8() + "\r\n";
    if (file.write(content) != content.size())
        return false;
    return file.commit();
}
