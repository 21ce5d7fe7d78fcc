// kivtool pack and unpack: a whole book as one .kivbook file, to hand to somebody, and back into a folder.
#include "barcode/BookLabels.h"
#include "cli/Command.h"
#include "library/BookArchive.h"
#include "library/SoundLibrary.h"
#include "platform/core/FolderPath.h"
#include "platform/core/Gbk.h"

#include <QCommandLineParser>
#include <QFileInfo>

int runPack(CommandRun& run) {
    const QCommandLineOption labels(QStringLiteral("labels"), {}, QStringLiteral("SHEET"));
    QCommandLineParser parser;
    if (!run.Parse(parser, {labels}))
        return kUsageError;
    // As the shell passed them.
    const std::vector<std::string> paths = run.NativePositional(parser.positionalArguments());
    if (paths.size() != 2)
        return run.UsageError(QStringLiteral("需要点读书文件夹和要写的 .kivbook 文件"));
    const std::string folder = CFolderPath(paths[0]).str();
    PackReport report;
    QString whyNot;
    bool packed = false;
    if (!parser.isSet(labels)) {
        packed = PackBook(folder, paths[1], report, &whyNot);
    } else {
        CLabelSheet sheet;
        if (const int status = FindLabelSheetOrFile(parser.value(labels), &sheet, &whyNot); status != 0) {
            if (status == 2)
                return run.UsageError(whyNot);
            run.Problem(whyNot);
            return kFailed;
        }
        CSoundLibrary library; // the labels of the index on disk, which is what the archive holds
        library.SetLibraryFolder(gbkFromNative(folder));
        library.LoadIndex();
        packed = PackBookWithLabels(folder, paths[1], BookLabels(library), sheet, PrintedLabelOptions(),
                                    report, &whyNot);
    }
    for (const std::string& missing : report.missing)
        run.Line(QStringLiteral("没有打包（找不到，或不在点读书文件夹里）: %1").arg(fromGbk(missing)), true);
    if (!packed) {
        run.Problem(whyNot);
        return kFailed;
    }
    run.Line(QStringLiteral("%1  %2 个声音，%3 MB")
                 .arg(QFile::decodeName(QByteArray::fromStdString(paths[1])))
                 .arg(report.sounds)
                 .arg(report.bytes / 1048576.0, 0, 'f', 1));
    run.Line(
        QStringLiteral("已打包 %1 个声音，%2 个声音缺少。").arg(report.sounds).arg(report.missing.size()));
    return CommandRun::Status(report.missing.empty());
}

int runUnpack(CommandRun& run) {
    QCommandLineParser parser;
    if (!run.Parse(parser))
        return kUsageError;
    const std::vector<std::string> paths = run.NativePositional(parser.positionalArguments());
    if (paths.size() != 2)
        return run.UsageError(QStringLiteral("需要 .kivbook 文件和一个空的或新的文件夹"));
    RemoveUnfinishedUnpacks();
    const QString folder =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(paths[1]))).absoluteFilePath();
    UnpackReport report;
    QString whyNot;
    if (!UnpackBook(paths[0], CFolderPath(QFile::encodeName(folder).toStdString()).str(), report, &whyNot)) {
        run.Problem(whyNot);
        return kFailed;
    }
    for (const std::string& missing : report.missing)
        run.Line(QStringLiteral("点读书文件里没有这个声音: %1").arg(fromGbk(missing)), true);
    run.Line(QStringLiteral("%1  %2 个声音").arg(parser.positionalArguments()[1]).arg(report.sounds));
    run.Line(
        QStringLiteral("已解压 %1 个声音，%2 个声音缺少。").arg(report.sounds).arg(report.missing.size()));
    return CommandRun::Status(report.missing.empty());
}
