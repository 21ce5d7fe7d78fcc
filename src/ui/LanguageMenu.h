#pragma once
// "语言/Language" in the 设置 popup: 中文 or English, kept in KIV.conf and used from the next start.
class QMenuBar;

enum LanguageCommand {
    ID_LANGUAGE_CHINESE = 32820,
    ID_LANGUAGE_ENGLISH = 32821,
};

// Puts the choice before "退出" in the popup that holds it; nothing when the bar has no such popup.
void addLanguageMenu(QMenuBar* bar);
// Keeps the choice of that command and says when it takes effect.
void chooseLanguage(int command);
