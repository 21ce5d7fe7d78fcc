#include "ui/BookMenu.h"

#include <QMenu>
#include <QMenuBar>

QMenu* addBookMenu(QMenuBar* bar) {
    auto* menu = new QMenu(QStringLiteral("点读书"), bar);
    auto add = [menu](const char* text, int id) { menu->addAction(QString::fromUtf8(text))->setData(id); };
    add("新建点读书...", ID_BOOK_NEW);
    add("打开点读书...", ID_BOOK_OPEN);
    menu->addSeparator();
    add("导入声音文件...", ID_BOOK_IMPORT);
    add("文字转语音...", ID_BOOK_SPEAK);
    menu->addSeparator();
    add("打印标签页...", ID_BOOK_LABELS);
    const QList<QAction*> top = bar->actions();
    bar->insertMenu(top.isEmpty() ? nullptr : top.first(), menu);
    return menu;
}
