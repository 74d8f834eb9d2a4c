#include "SysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdlib>

Exception::Exception(QString message)
    : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()), FAddress(__builtin_return_address(0))
{
}

Exception::~Exception() = default;

QString Format(const QString& format, const QStringList& args)
{
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'%' && i + 1 < format.size()) {
            const QChar k = format[i + 1];
            if (k == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (k == u's' || k == u'd') {
                if (next < args.size())
                    out += args[next];
                ++next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

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

int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    const long long q = (std::llabs(p) * 2 + std::llabs(c)) / (std::llabs(c) * 2);
    return static_cast<int>((p < 0) != (c < 0) ? -q : q);
}
