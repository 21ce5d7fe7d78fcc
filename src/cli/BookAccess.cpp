#include "cli/BookAccess.h"

#include "cli/Commands.h"

#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

void printLine(const QString& text, bool toError) {
    FILE* out = toError ? stderr : stdout;
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), out);
    std::fflush(out);
}

bool openBookForChange(const QString& folder, CSoundLibrary& library) {
    // A question would wait for ever: say it and take the cautious answer.
    setMessageBoxResponder([](const MessageBoxCall& call) {
        printLine(QStringLiteral("kivtool: %1").arg(call.text.trimmed()), true);
        return (call.type & 0xF) == MB_YESNO || (call.type & 0xF) == MB_YESNOCANCEL ? IDNO : IDOK;
    });
    const QFileInfo info(folder);
    if (!info.isDir()) {
        printLine(QStringLiteral("kivtool: 找不到点读书文件夹 %1").arg(folder), true);
        return false;
    }
    std::string native = QFile::encodeName(info.absoluteFilePath()).toStdString();
    if (native.back() != '/')
        native += '/';
    bool ok = false;
    const std::string gbk = gbkFromNative(native, &ok);
    if (!ok) {
        printLine(QStringLiteral("kivtool: 点读书文件夹的路径里有不能保存的字符: %1").arg(folder), true);
        return false;
    }
    if (!folderWritable(native)) {
        printLine(QStringLiteral("kivtool: 点读书文件夹不能写入: %1").arg(folder), true);
        return false;
    }
    library.SetLibraryFolder(gbk);
    library.LoadIndex();
    return true;
}

const KivCommand& kivCommandNamed(const char* name) {
    for (int i = 0; i < kKivCommandCount; ++i)
        if (std::strcmp(kKivCommands[i].name, name) == 0)
            return kKivCommands[i];
    return kKivCommands[0];
}
