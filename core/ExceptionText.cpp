#include "ExceptionText.h"

#include "Exception.h"
#include "MessageFormat.h"

#include <QFileInfo>
#include <dlfcn.h>

QString ExceptionReportText(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

namespace {
struct RaiseSite {
    QString Module;
    quint32 Offset = 0;
};

RaiseSite LocateRaiseSite(const void* address)
{
    RaiseSite site;
    Dl_info info{};
    if (address && dladdr(address, &info) && info.dli_fname) {
        site.Module = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName();
        site.Offset = static_cast<quint32>(reinterpret_cast<quintptr>(address) -
                                           reinterpret_cast<quintptr>(info.dli_fbase));
    }
    if (site.Module.isEmpty())
        site.Module =
            QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', -1);
    return site;
}
} // namespace

QString LastChanceText(const std::exception& e)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    const QString className =
        ex ? QString::fromLatin1(ex->ClassName()) : QStringLiteral("std::exception");
    const QString message = ex ? ex->Message() : QString::fromUtf8(e.what());
    const RaiseSite site = LocateRaiseSite(ex ? ex->RaiseAddress() : nullptr);
    const QString address = QStringLiteral("%1").arg(site.Offset, 8, 16, QChar(u'0')).toUpper();
    const QString period =
        !message.isEmpty() && !message.endsWith(u'.') ? QStringLiteral(".") : QString();
    return Format(QStringLiteral("Exception %s in module %s at %s.\r\n%s%s\r\n"),
                  {className, site.Module, address, message, period});
}
