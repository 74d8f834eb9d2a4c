// lng.ini: a name written and read back is the same name, whenever the name can stand on one
// line; and reading any file content at all returns without failing.
#include "FuzzCheck.h"
#include "LanguageChoice.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lng.ini"));
    const QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));

    const QString name = QString::fromUtf8(data);
    if (!name.contains(u'\n') && !name.contains(u'\r') && !name.contains(QChar(0x1a))) {
        Require(WriteLanguageChoice(path, name), "lng.ini can be written");
        Require(ReadLanguageChoice(path) == name, "the name read back is the name written", name);
    }

    QFile raw(path);
    Require(raw.open(QIODevice::WriteOnly | QIODevice::Truncate) && raw.write(data) == data.size(),
            "the raw file can be written");
    raw.close();
    const QString read = ReadLanguageChoice(path);
    Require(!read.contains(u'\n'), "only the first line is read");
    return 0;
}
