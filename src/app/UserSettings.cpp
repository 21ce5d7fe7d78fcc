#include "app/UserSettings.h"

#include "platform/core/Files.h"

#include <QFile>
#include <QStandardPaths>
#include <cerrno>

namespace {
QString configurationPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/KIV/KIV.conf");
}

// A pipe or a device in its place would hold start-up until someone writes to it: only a regular file (or
// none yet) is read or written.
bool configurationUsable() {
    const PathKind kind = pathKind(QFile::encodeName(configurationPath()).toStdString());
    return kind.exists ? kind.regular : errno == ENOENT;
}
} // namespace

QSettings userSettings() {
    // Read every time: another copy of the program may have changed it meanwhile. Settings without a file
    // read nothing and write nothing, so an unusable KIV.conf costs only this run's choices.
    return QSettings(configurationUsable() ? configurationPath() : QString(), QSettings::IniFormat);
}
