#include "ui/LanguageMenu.h"

#include "app/Language.h"
#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {
constexpr int kExitCommand = 32776;
} // namespace

void addLanguageMenu(QMenuBar* bar) {
    for (QMenu* popup : bar->findChildren<QMenu*>()) {
        QAction* exit = nullptr;
        for (QAction* a : popup->actions())
            if (a->data().isValid() && a->data().toInt() == kExitCommand)
                exit = a;
        if (!exit)
            continue;
        // The entry names itself in both languages: whoever cannot read the one finds the other.
        auto* languages = new QMenu(withAccelerator(QStringLiteral("语言/Language")), popup);
        auto* group = new QActionGroup(languages);
        const bool english = InterfaceInEnglish();
        for (auto [text, id, on] : {std::tuple{"中文", ID_LANGUAGE_CHINESE, !english},
                                    std::tuple{"English", ID_LANGUAGE_ENGLISH, english}}) {
            QAction* a = languages->addAction(QString::fromUtf8(text));
            a->setData(id);
            a->setCheckable(true);
            a->setChecked(on);
            group->addAction(a);
        }
        popup->insertMenu(exit, languages);
        popup->insertSeparator(exit);
        return;
    }
}

void chooseLanguage(int command) {
    const bool english = command == ID_LANGUAGE_ENGLISH;
    SetChosenLanguage(english ? QStringLiteral("en") : QStringLiteral("zh_CN"));
    // The running interface is English when its texts are translated.
    const bool runningEnglish = uiText("退出") != uiText("退出");
    if (english == runningEnglish)
        return;
    messageBox(uiText("下次启动 KIV 时使用新的语言。\nKIV uses the new language from its next start."),
               QStringLiteral("KIV"), MB_OK);
}
