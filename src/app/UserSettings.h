#pragma once
// The per-user configuration ($XDG_CONFIG_HOME/KIV/KIV.conf), shared by every copy of the program this user
// runs: recent books, the language, the window's place and the list's columns. Never the book's KIV.ini.
#include <QSettings>

QSettings userSettings();
