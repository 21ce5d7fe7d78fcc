#include "app/RecentBooks.h"

#include "app/StartBook.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>

namespace {
const QString kKey = QStringLiteral("RecentBooks");

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

// Read every time: another copy of the program may have changed the list meanwhile.
QSettings configuration() {
    return QSettings(configurationPath(), QSettings::IniFormat);
}
} // namespace

QStringList RecentBooks() {
    if (!configurationUsable())
        return {};
    QSettings settings = configuration();
    const QStringList stored = settings.value(kKey).toStringList();
    QStringList kept;
    for (const QString& entry : stored) {
        // An entry written by hand may lack the trailing '/': the book's files still go inside the folder.
        const QString folder = BookFolderOf(entry);
        if (kept.size() < kRecentBookLimit && !kept.contains(folder) && BookFolderProblem(folder).isEmpty())
            kept << folder;
    }
    if (kept != stored)
        settings.setValue(kKey, kept);
    return kept;
}

void RememberBook(const QString& nativeFolder) {
    if (!configurationUsable())
        return;
    // Gone books leave first, so they never push out one that still opens.
    QStringList list = RecentBooks();
    list.removeAll(nativeFolder);
    list.prepend(nativeFolder);
    while (list.size() > kRecentBookLimit)
        list.removeLast();
    configuration().setValue(kKey, list);
}

QSettings UserConfiguration() {
    return configuration();
}
