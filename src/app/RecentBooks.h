#pragma once
// The books opened lately, newest first, kept in the per-user configuration
// ($XDG_CONFIG_HOME/KIV/KIV.conf), so every copy of the program run by this user shares them.
#include <QString>
#include <QStringList>

constexpr int kRecentBookLimit = 8;

// The remembered book folders (native paths ending in '/') that can still be opened; entries whose folder
// is gone, unreadable or not nameable in GBK are dropped from the stored list as well.
QStringList RecentBooks();
// Puts the folder first (once), keeping at most kRecentBookLimit entries.
void RememberBook(const QString& nativeFolder);
