#pragma once
// The texts the user sees. Chinese is the program's own language and the key of every translation: a text
// goes through uiText() where it is shown, so the resource files and the code keep the Chinese text.
// Menu entries and buttons get an underlined letter from one table, in the Chinese manner ("点读书(&B)").
#include <QString>

// The text in the user's language (the text itself in Chinese).
QString uiText(const QString& chinese);
QString uiText(const char* chineseUtf8);
// The text in the user's language with the underlined letter the table gives it (none when it has none).
QString withAccelerator(const QString& chinese);
// The letter the table gives a text, or 0.
char acceleratorOf(const QString& chinese);
// A shown text without its underlined letter: "点读书(&B)..." and "&Book..." give "点读书..." and "Book...".
QString withoutAccelerator(QString text);
