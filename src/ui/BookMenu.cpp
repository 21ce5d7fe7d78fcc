#include "ui/BookMenu.h"

#include "app/SoundChoices.h"
#include "platform/core/UiText.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

QMenu* addBookMenu(QMenuBar* bar) {
    auto* menu = new QMenu(withAccelerator(QStringLiteral("点读书")), bar);
    auto add = [menu](const char* text, int id) {
        menu->addAction(withAccelerator(QString::fromUtf8(text)))->setData(id);
    };
    add("新建点读书...", ID_BOOK_NEW);
    add("打开点读书...", ID_BOOK_OPEN);
    menu->addSeparator();
    add("导入声音文件...", ID_BOOK_IMPORT);
    add("文字转语音...", ID_BOOK_SPEAK);
    menu->addSeparator();
    add("打印标签页...", ID_BOOK_LABELS);
    add("打包点读书...", ID_BOOK_PACK);
    menu->addSeparator();
    // Switches, kept for the user as soon as they are flipped; they act on every later play and filing.
    const ReadyChoice choice = g_ReadyChoice;
    auto addSwitch = [menu](const char* text, int id, bool on) {
        QAction* a = menu->addAction(withAccelerator(QString::fromUtf8(text)));
        a->setData(id);
        a->setCheckable(true);
        a->setChecked(on);
        QObject::connect(a, &QAction::toggled, menu, [id](bool checked) {
            ReadyChoice now = g_ReadyChoice;
            (id == ID_BOOK_TRIM ? now.trim : now.level) = checked;
            SaveReadyChoice(now);
        });
    };
    addSwitch("自动去掉开头和结尾的静音", ID_BOOK_TRIM, choice.trim);
    addSwitch("统一音量", ID_BOOK_EVEN, choice.level);
    const QList<QAction*> top = bar->actions();
    bar->insertMenu(top.isEmpty() ? nullptr : top.first(), menu);
    return menu;
}

void setBookChangeable(QMenu* menu, bool changeable) {
    for (QAction* a : menu->actions())
        if (const int id = a->data().toInt(); id == ID_BOOK_IMPORT || id == ID_BOOK_SPEAK)
            a->setEnabled(changeable);
}

void setRecentBooks(QMenu* menu, const QStringList& folders) {
    QAction* open = nullptr;
    for (QAction* a : menu->actions()) {
        const int id = a->data().toInt();
        if (id >= ID_BOOK_RECENT_FIRST && id <= ID_BOOK_RECENT_LAST) {
            menu->removeAction(a);
            a->deleteLater();
        } else if (id == ID_BOOK_OPEN) {
            open = a;
        }
    }
    const QList<QAction*> all = menu->actions();
    const qsizetype after = all.indexOf(open) + 1;
    QAction* before = after < all.size() ? all[after] : nullptr;
    const int count = std::min<int>(folders.size(), ID_BOOK_RECENT_LAST - ID_BOOK_RECENT_FIRST + 1);
    for (int i = 0; i < count; ++i) {
        // The number is the shortcut; the whole path tells two books of the same name apart.
        auto* a = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString(folders[i]).replace(u'&', QStringLiteral("&&"))),
            menu);
        a->setData(ID_BOOK_RECENT_FIRST + i);
        menu->insertAction(before, a);
    }
}
