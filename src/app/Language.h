#pragma once
// The language of the user interface. Chinese is the program's own; English comes from a translation
// keyed by the Chinese texts. The choice is the user's (KIV.conf), else the system's; the files KIV writes
// never depend on it.
#include <QString>

// "zh_CN" or "en" as chosen in KIV.conf, or "" to follow the system.
QString ChosenLanguage();
void SetChosenLanguage(const QString& language);
// Whether the interface is English: chosen so, or following a system whose language is English.
bool InterfaceInEnglish();
// Loads Qt's own translations (its dialogs in Chinese) and, for English, the program's; call once the
// application exists and before any window is made.
void InstallTranslations();
