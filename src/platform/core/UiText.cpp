#include "platform/core/UiText.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

namespace {

// Letters by text, chosen so that no two entries of one menu or one window share a letter.
const QHash<QString, char>& acceleratorTable() {
    static const QHash<QString, char> table = [] {
        const std::pair<const char*, char> entries[] = {
            // The menu bar and its popups.
            {"点读书", 'B'},
            {"设置", 'T'},
            {"帮助", 'H'},
            {"新建点读书...", 'N'},
            {"打开点读书...", 'O'},
            {"导入声音文件...", 'I'},
            {"文字转语音...", 'T'},
            {"打印标签页...", 'L'},
            {"打包点读书...", 'K'},
            {"自动去掉开头和结尾的静音", 'M'},
            {"统一音量", 'V'},
            {"语言/Language", 'G'},
            {"退出", 'X'},
            {"关于KIV点读簿", 'A'},
            // The record list's menu and the log's.
            {"播放", 'P'},
            {"停止", 'S'},
            {"打印条码", 'B'},
            {"重新录音", 'R'},
            {"修改标注...", 'E'},
            {"用声音文件替换...", 'F'},
            {"删除", 'D'},
            {"删除全部", 'A'},
            {"清空全部显示", 'C'},
            // Buttons.
            {"查找", 'F'},
            {"开始录音", 'R'},
            {"停止录音", 'R'},
            {"试听", 'L'},
            {"保存", 'S'},
            {"进入点读", 'D'},
            {"打印测试", 'T'},
            {"填好了,下一步...", 'N'},
            {"打印", 'P'},
            {"预览...", 'V'},
            {"打包...", 'K'},
            // Choices in dialogs.
            {"整本点读书", 'W'},
            {"列表中选中的", 'S'},
            {"编码从", 'C'},
            {"同时放入标签页 (按编码顺序的 PDF), 标签纸:", 'L'},
        };
        QHash<QString, char> t;
        for (const auto& [text, letter] : entries)
            t.insert(QString::fromUtf8(text), letter);
        return t;
    }();
    return table;
}

} // namespace

QString uiText(const QString& chinese) {
    if (chinese.isEmpty())
        return chinese;
    // The Chinese text is the key; without a translation (or in Chinese) it comes back unchanged.
    const QByteArray key = chinese.toUtf8();
    return QCoreApplication::translate("KIV", key.constData());
}

QString uiText(const char* chineseUtf8) {
    return uiText(QString::fromUtf8(chineseUtf8));
}

char acceleratorOf(const QString& chinese) {
    return acceleratorTable().value(chinese, 0);
}

QString withAccelerator(const QString& chinese) {
    QString shown = uiText(chinese);
    const char letter = acceleratorOf(chinese);
    if (!letter || shown.contains(u'&'))
        return shown;
    if (shown != chinese) {
        // A translation: underline the letter where the word has it.
        const qsizetype at = shown.indexOf(QLatin1Char(letter), 0, Qt::CaseInsensitive);
        if (at >= 0)
            return shown.insert(at, u'&');
    }
    const QString mark = QStringLiteral("(&%1)").arg(QLatin1Char(letter));
    const qsizetype dots = shown.endsWith(QStringLiteral("...")) ? shown.size() - 3 : shown.size();
    return shown.insert(dots, mark);
}

QString withoutAccelerator(QString text) {
    static const QRegularExpression mark(QStringLiteral("\\(&[A-Za-z0-9]\\)"));
    text.remove(mark);
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}
