#include "ExceptionGuard.h"

#include "Exception.h"

#include <cstdio>

namespace {
TExceptionReport Report = &StandardErrorReport;
} // namespace

void SetExceptionReport(TExceptionReport report)
{
    Report = report ? report : &StandardErrorReport;
}

void StandardErrorReport(const std::exception& e, bool /*foreign*/)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    const QByteArray message =
        ex ? ex->Message().simplified().toUtf8() : QByteArray(e.what()).simplified();
    std::fprintf(stderr, "%s: %s\n", ex ? ex->ClassName() : "std::exception", message.constData());
    std::fflush(stderr);
}

bool GuardedCall(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        Report(e, false);
    } catch (...) {
        Report(EExternalException(QStringLiteral("External exception")), true);
    }
    return false;
}
