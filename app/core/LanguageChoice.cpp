#include "LanguageChoice.h"

#include "Exception.h"
#include "ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString DefaultLanguageFile = QStringLiteral("cesky.lng.xml");
// Longer than any path the system accepts; a longer first line is not a settings line.
constexpr qsizetype MaxLineBytes = 8192;
// A byte that is not part of valid UTF-8 is kept as this code unit plus the byte, a lone
// surrogate that no valid text holds, so that it is written back unchanged.
constexpr char16_t RawByteBase = 0xDC00;

bool MarkedReadOnly(const QFileInfo& info)
{
    const auto write = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && !(info.permissions() & write);
}

// Creates the folder and its missing parents, each readable by the user only.
bool MakePrivateFolder(const QString& dir)
{
    if (QFileInfo(dir).isDir())
        return true;
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent == dir || !MakePrivateFolder(parent))
        return false;
    return QDir().mkdir(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(dir).isDir();
}

// Length of the valid UTF-8 sequence at bytes[i] (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0 when none starts there; value receives its code point.
qsizetype Utf8Sequence(const QByteArray& bytes, qsizetype i, char32_t& value)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    qsizetype length;
    char32_t min;
    if (lead < 0x80) {
        value = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (at(i + k) & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

// The name from its bytes: valid UTF-8 as text, any other byte kept as a raw byte.
QString NameFromBytes(const QByteArray& bytes, qsizetype from)
{
    QString name;
    for (qsizetype i = from; i < bytes.size();) {
        char32_t value = 0;
        const qsizetype length = Utf8Sequence(bytes, i, value);
        if (length == 0) {
            name += QChar(char16_t(RawByteBase + static_cast<unsigned char>(bytes[i])));
            ++i;
        } else {
            name += QString::fromUcs4(&value, 1);
            i += length;
        }
    }
    return name;
}

QByteArray BytesFromName(const QString& name)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool pair =
            c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        if (pair) {
            bytes += name.mid(i, 2).toUtf8();
            ++i;
        } else if (c.unicode() >= RawByteBase + 0x80 && c.unicode() <= RawByteBase + 0xFF) {
            bytes += static_cast<char>(c.unicode() - RawByteBase);
        } else {
            bytes += QString(c).toUtf8();
        }
    }
    return bytes;
}

// Position after the first six characters, where a valid UTF-8 sequence is one character
// and any other byte one.
qsizetype SkipCharacters(const QByteArray& bytes, int count)
{
    qsizetype i = 0;
    for (; count > 0 && i < bytes.size(); --count) {
        char32_t value = 0;
        i += std::max<qsizetype>(Utf8Sequence(bytes, i, value), 1);
    }
    return i;
}
} // namespace

QString BesideProgramLanguageChoicePath()
{
    return ProgramDirectory() + QStringLiteral("lng.ini");
}

QString UserLanguageChoicePath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/zvkdemo/lng.ini"));
}

TLanguageChoiceFiles LanguageChoiceFiles(const QString& besideProgram, const QString& user)
{
    const QString marker =
        QFileInfo(besideProgram).absolutePath() + u'/' + QLatin1String(PortableMarker);
    if (QFileInfo::exists(marker))
        return {besideProgram, besideProgram};
    return {QFileInfo::exists(user) ? user : besideProgram, user};
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
        if (line.size() > MaxLineBytes)
            return DefaultLanguageFile;
    }
    if (file.error() != QFileDevice::NoError)
        return DefaultLanguageFile;
    return NameFromBytes(line, SkipCharacters(line, 6));
}

bool WriteLanguageChoice(const QString& path, const QString& fileName)
{
    const QFileInfo info(path);
    if (MarkedReadOnly(info) || MarkedReadOnly(QFileInfo(info.absolutePath())))
        return false;
    if (!MakePrivateFolder(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = "[LNG]=" + BytesFromName(fileName) + "\r\n";
    if (file.write(content) != content.size())
        return false;
    return file.commit();
}
