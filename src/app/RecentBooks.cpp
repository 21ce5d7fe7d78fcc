#include "app/RecentBooks.h"

#include "app/StartBook.h"
#include "app/UserSettings.h"

namespace {
const QString kKey = QStringLiteral("RecentBooks");
} // namespace

QStringList RecentBooks() {
    QSettings settings = userSettings();
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
    // Gone books leave first, so they never push out one that still opens.
    QStringList list = RecentBooks();
    list.removeAll(nativeFolder);
    list.prepend(nativeFolder);
    while (list.size() > kRecentBookLimit)
        list.removeLast();
    userSettings().setValue(kKey, list);
}
