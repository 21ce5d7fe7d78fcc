#pragma once
// The "点读书" popup of the menu bar: commands for whole books (new, open, recent, import, speech, label
// sheets, and the two switches for how sounds are made ready). It is ours, not part of the classic menu 130,
// so it is built in code and put before "设置".
#include <QStringList>

class QMenu;
class QMenuBar;

enum BookCommand {
    ID_BOOK_NEW = 32800,          // 新建点读书...
    ID_BOOK_OPEN = 32801,         // 打开点读书...
    ID_BOOK_IMPORT = 32802,       // 导入声音文件...
    ID_BOOK_SPEAK = 32803,        // 文字转语音...
    ID_BOOK_LABELS = 32804,       // 打印标签页...
    ID_BOOK_TRIM = 32805,         // 自动去掉开头和结尾的静音 (a switch)
    ID_BOOK_EVEN = 32806,         // 统一音量 (a switch)
    ID_BOOK_PACK = 32807,         // 打包点读书...
    ID_BOOK_RECENT_FIRST = 32810, // the recent books, one id each
    ID_BOOK_RECENT_LAST = 32817,
};

// Adds the popup before the bar's first menu; its actions carry their command ids as data, as the
// template menus' do, so they reach the window's OnCommand the same way.
QMenu* addBookMenu(QMenuBar* bar);
// Lists the recent books after "打开点读书...", replacing the ones listed before: entry i gets the id
// ID_BOOK_RECENT_FIRST + i (at most as many as there are ids).
void setRecentBooks(QMenu* menu, const QStringList& folders);
// Enables or disables the entries that add to the open book (import, speech).
void setBookChangeable(QMenu* menu, bool changeable);
