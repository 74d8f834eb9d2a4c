#pragma once

#include "InstallRun.h"

#include <QFileInfo>

// The package tests' common steps. The including test defines ZVK_CPACK, ZVK_BUILD_DIR and
// ZVK_VERSION.

// Packs every package of the build into the folder (cpack makes them all at once) and returns
// the path of the named package's .deb, or an empty text when it was not made.
inline QString PackedDeb(const QString& folder, const QString& package)
{
    if (!Succeeds(QStringLiteral(ZVK_CPACK),
                  {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                   QStringLiteral(ZVK_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                   folder}))
        return {};
    const QString deb = folder + u'/' + package + QStringLiteral("_" ZVK_VERSION "-1_amd64.deb");
    return QFileInfo(deb).isFile() ? deb : QString();
}

// An empty dpkg database under the root, so that `dpkg --root` installs there and leaves the
// machine's own database alone.
inline bool MakeScratchDpkgDatabase(const QString& root)
{
    for (const char* dir : {"/var/lib/dpkg/info", "/var/lib/dpkg/updates"})
        if (!QDir().mkpath(root + QLatin1String(dir)))
            return false;
    for (const char* file : {"/var/lib/dpkg/status", "/var/lib/dpkg/available"}) {
        QFile f(root + QLatin1String(file));
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}
