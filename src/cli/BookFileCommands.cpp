// kivtool pack and unpack: a whole book as one .kivbook file, to hand to somebody, and back into a folder.
#include "barcode/BookLabels.h"
#include "barcode/LabelSheet.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "library/BookArchive.h"
#include "library/SoundLibrary.h"
#include "platform/FolderPath.h"
#include "platform/Gbk.h"

#include <QFileInfo>

namespace {

std::string folderArgument(const std::string& word) {
    return CFolderPath(word).str();
}

} // namespace

int runPack(const QStringList& args) {
    const KivCommand& self = kivCommandNamed("pack");
    const std::vector<std::string> words = nativeArguments();
    std::vector<std::string> paths; // as the shell passed them
    QString sheetName;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--labels") && i + 1 < args.size())
            sheetName = args[++i];
        else if (!args[i].startsWith(QLatin1String("--")))
            paths.push_back(words[words.size() - static_cast<std::size_t>(args.size() - i)]);
        else
            return usageError(self, QStringLiteral("参数不对: %1").arg(args[i]));
    }
    if (paths.size() != 2)
        return usageError(self, QStringLiteral("需要点读书文件夹和要写的 .kivbook 文件"));
    CLabelSheet sheet;
    if (!sheetName.isEmpty()) {
        QString error;
        if (const int status = findLabelSheet(sheetName, &sheet, &error); status != 0) {
            if (status == 2)
                return usageError(self, error);
            printLine(QStringLiteral("kivtool: %1").arg(error), true);
            return 1;
        }
    }
    const std::string folder = folderArgument(paths[0]);
    PackReport report;
    QString whyNot;
    bool packed = false;
    if (sheetName.isEmpty()) {
        packed = PackBook(folder, paths[1], report, &whyNot);
    } else {
        CSoundLibrary library; // the labels of the index on disk, which is what the archive holds
        library.SetLibraryFolder(gbkFromNative(folder));
        library.LoadIndex();
        packed = PackBookWithLabels(folder, paths[1], BookLabels(library), sheet, printedLabelOptions(),
                                    report, &whyNot);
    }
    for (const std::string& missing : report.missing)
        printLine(QStringLiteral("没有打包（找不到，或不在点读书文件夹里）: %1").arg(fromGbk(missing)), true);
    if (!packed) {
        printLine(QStringLiteral("kivtool: %1").arg(whyNot), true);
        return 1;
    }
    printLine(QStringLiteral("%1  %2 个声音，%3 MB")
                  .arg(QFile::decodeName(QByteArray::fromStdString(paths[1])))
                  .arg(report.sounds)
                  .arg(report.bytes / 1048576.0, 0, 'f', 1));
    printLine(
        QStringLiteral("已打包 %1 个声音，%2 个声音缺少。").arg(report.sounds).arg(report.missing.size()));
    return report.missing.empty() ? 0 : 1;
}

int runUnpack(const QStringList& args) {
    const KivCommand& self = kivCommandNamed("unpack");
    if (args.size() != 2)
        return usageError(self, QStringLiteral("需要 .kivbook 文件和一个空的或新的文件夹"));
    RemoveUnfinishedUnpacks();
    const std::vector<std::string> words = nativeArguments();
    std::string folder =
        QFile::encodeName(
            QFileInfo(QFile::decodeName(QByteArray::fromStdString(words.back()))).absoluteFilePath())
            .toStdString();
    UnpackReport report;
    QString whyNot;
    if (!UnpackBook(words[words.size() - 2], folderArgument(folder), report, &whyNot)) {
        printLine(QStringLiteral("kivtool: %1").arg(whyNot), true);
        return 1;
    }
    for (const std::string& missing : report.missing)
        printLine(QStringLiteral("点读书文件里没有这个声音: %1").arg(fromGbk(missing)), true);
    printLine(QStringLiteral("%1  %2 个声音").arg(args[1]).arg(report.sounds));
    printLine(
        QStringLiteral("已解压 %1 个声音，%2 个声音缺少。").arg(report.sounds).arg(report.missing.size()));
    return report.missing.empty() ? 0 : 1;
}
