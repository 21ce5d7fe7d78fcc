#include "app/StartBook.h"
#include "platform/core/UiText.h"

#include "app/Folders.h"
#include "app/RecentBooks.h"
#include "platform/core/Files.h"
#include "platform/core/FolderPath.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

std::string StartBookFolder;

QString BookFolderProblem(const QString& nativeFolder) {
    const QByteArray native = nativeFolder.toUtf8();
    const QFileInfo info(nativeFolder);
    if (!info.isDir() || !canEnterFolder(native.toStdString()))
        return uiText("文件夹 \"%1\" 不存在或不能读取，不能作为点读书打开。").arg(nativeFolder);
    bool ok = false;
    const std::string gbk = gbkFromNative(native.toStdString(), &ok);
    if (!ok)
        return uiText("文件夹 \"%1\" 的名称含有不能保存的字符，不能作为点读书打开。").arg(nativeFolder);
    if ((CFolderPath(gbk) / kIndexFileName).size() > kFolderLimit)
        return uiText("文件夹 \"%1\" 的名称太长，不能作为点读书打开。").arg(nativeFolder);
    return {};
}

bool HoldsBook(const QString& nativeFolder) {
    return QFileInfo(QString::fromStdString(CFolderPath(nativeFolder.toStdString()) / kIndexFileName))
        .isFile();
}

QString BookFolderOf(const QString& path) {
    QFileInfo info(path);
    QString folder = info.fileName() == QString::fromLatin1(kIndexFileName) && info.isFile()
                         ? info.absolutePath()
                         : info.absoluteFilePath();
    folder = QDir::cleanPath(folder);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

StartBookChoice ChooseStartBook(const std::string& nativeProgramFolder, const QStringList& arguments,
                                const QStringList& recentBooks, const std::string& nativeDataFolder) {
    StartBookChoice choice;
    auto chosen = [&choice](const QString& folder) {
        choice.folder = CFolderPath(gbkFromNative(folder.toStdString())).str();
        return choice;
    };
    const QString program = QString::fromStdString(nativeProgramFolder);
    if (!IsFixedProgramFolder(nativeProgramFolder) && HoldsBook(program) &&
        BookFolderProblem(program).isEmpty())
        return chosen(program);
    for (const QString& argument : arguments) {
        if (argument.startsWith(u'-'))
            continue;
        // A whole book in one file is unpacked by the window once it shows; meanwhile the usual book opens.
        if (QFileInfo(argument).isFile() &&
            (argument.endsWith(QStringLiteral(".kivbook"), Qt::CaseInsensitive) ||
             argument.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive)))
            break;
        const QString folder = BookFolderOf(argument);
        const QString problem = BookFolderProblem(folder);
        if (problem.isEmpty())
            return chosen(folder);
        choice.messages << problem;
        break;
    }
    for (const QString& folder : recentBooks)
        if (BookFolderProblem(folder).isEmpty())
            return chosen(folder);
    const QString data = QString::fromStdString(nativeDataFolder);
    if (ensureFolder(nativeDataFolder) && BookFolderProblem(data).isEmpty())
        return chosen(data);
    return choice;
}

void DetermineStartBook() {
    std::string programFolder;
    if (!FolderOfExecutable(ExecutablePathSource(), programFolder))
        return;
    const StartBookChoice choice =
        ChooseStartBook(programFolder, QCoreApplication::arguments().mid(1), RecentBooks(), userDataFolder());
    for (const QString& message : choice.messages)
        messageBox(message);
    StartBookFolder = choice.folder;
}
