#include "cli/CommandSupport.h"

#include "cli/Commands.h"

#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/FolderPath.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

bool g_TakeOverLock = false;

std::vector<std::string> nativeArguments() {
    // The decoded arguments replace bytes that are not UTF-8; the kernel keeps them as they were.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> raw;
    {
        std::size_t from = 0;
        for (std::size_t i = 0; i < cmdline.size(); ++i)
            if (cmdline[i] == '\0') {
                raw.push_back(cmdline.substr(from, i - from));
                from = i + 1;
            }
    }
    const QStringList decoded = QCoreApplication::arguments();
    if (raw.size() == static_cast<std::size_t>(decoded.size())) {
        raw.erase(std::remove(raw.begin(), raw.end(), kTakeOverOption), raw.end());
        return raw;
    }
    raw.clear();
    for (const QString& a : decoded)
        if (a != QLatin1String(kTakeOverOption))
            raw.push_back(QFile::encodeName(a).toStdString());
    return raw;
}

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
    const std::string native = CFolderPath(QFile::encodeName(info.absoluteFilePath()).toStdString()).str();
    bool ok = false;
    const std::string gbk = gbkFromNative(native, &ok);
    if (!ok) {
        printLine(QStringLiteral("kivtool: 点读书文件夹的路径里有不能保存的字符: %1").arg(folder), true);
        return false;
    }
    // The book's lock is taken for the whole run: a KIV that opens the book meanwhile only plays it.
    if (library.OpenBook(gbk) == CSoundLibrary::Access::LockedElsewhere && g_TakeOverLock)
        library.TakeOverLock();
    if (!library.IsReadOnly())
        return true;
    QString why = library.ReadOnlyReason();
    if (library.BookAccess() == CSoundLibrary::Access::LockedElsewhere)
        why += QStringLiteral("（用 --take-over 接管）");
    printLine(QStringLiteral("kivtool: %1").arg(why), true);
    return false;
}

const KivCommand& kivCommandNamed(const char* name) {
    for (int i = 0; i < kKivCommandCount; ++i)
        if (std::strcmp(kKivCommands[i].name, name) == 0)
            return kKivCommands[i];
    return kKivCommands[0];
}
