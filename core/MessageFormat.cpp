#include "MessageFormat.h"

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
