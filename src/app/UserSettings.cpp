#include "app/UserSettings.h"

#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>

namespace {
QString configurationPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/KIV/KIV.conf");
}

// A pipe or a device in its place would hold start-up until someone writes to it: only a regular file (or
// none yet) is read or written.
bool configurationUsable() {
    struct stat st {};
    if (::stat(QFile::encodeName(configurationPath()).constData(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode);
}
} // namespace

QSettings userSettings() {
    // Read every time: another copy of the program may have changed it meanwhile. Settings without a file
    // read nothing and write nothing, so an unusable KIV.conf costs only this run's choices.
    return QSettings(configurationUsable() ? configurationPath() : QString(), QSettings::IniFormat);
}
