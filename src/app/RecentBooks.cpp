#include "app/RecentBooks.h"

#include "app/StartBook.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kKey = QStringLiteral("RecentBooks");

// Read every time: another copy of the program may have changed the list meanwhile.
QSettings configuration() {
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/KIV/KIV.conf"),
                     QSettings::IniFormat);
}
} // namespace

QStringList RecentBooks() {
    QSettings settings = configuration();
    const QStringList stored = settings.value(kKey).toStringList();
    QStringList kept;
    for (const QString& folder : stored)
        if (kept.size() < kRecentBookLimit && !kept.contains(folder) && BookFolderProblem(folder).isEmpty())
            kept << folder;
    if (kept != stored)
        settings.setValue(kKey, kept);
    return kept;
}

void RememberBook(const QString& nativeFolder) {
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
