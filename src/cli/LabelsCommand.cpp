// kivtool labels: a book's codes as label sheets in a PDF file, drawn as the "打印标签页..." dialog prints
// them.
#include "barcode/BookLabels.h"
#include "barcode/LabelSheets.h"
#include "cli/Command.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kPdfDpi = 1200; // as WriteLabelPdf draws

int listSheets(CommandRun& run) {
    for (const CLabelSheet& s : ShippedLabelSheets())
        run.Line(QStringLiteral("%1\t%2×%3 毫米\t%4")
                     .arg(QString::fromStdString(s.name), QString::number(s.pageWidth),
                          QString::number(s.pageHeight), QString::fromStdString(s.title)));
    run.Line(QStringLiteral("共 %1 种标签页").arg(ShippedLabelSheets().size()));
    return kSucceeded;
}

} // namespace

int runLabels(CommandRun& run) {
    const QCommandLineOption list(QStringLiteral("list-sheets")), sheet(QStringLiteral("sheet"), {}, "NAME"),
        out(QStringLiteral("out"), {}, "FILE"), codes(QStringLiteral("codes"), {}, "FROM-TO"),
        start(QStringLiteral("start"), {}, "N"), copies(QStringLiteral("copies"), {}, "N"),
        outline(QStringLiteral("outline"));
    QCommandLineParser parser;
    if (!run.Parse(parser, {list, sheet, out, codes, start, copies, outline}))
        return kUsageError;
    if (parser.isSet(list))
        return run.Args().size() == 1 ? listSheets(run)
                                      : run.UsageError(QStringLiteral("参数不对: --list-sheets"));
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1)
        return run.UsageError(QStringLiteral("参数不对: %1").arg(folders[1]));
    if (folders.isEmpty() || parser.value(sheet).isEmpty() || parser.value(out).isEmpty())
        return run.UsageError(QStringLiteral("需要点读书文件夹、--sheet 和 --out"));
    LabelRequest request;
    bool usage = false;
    const QString problem = ReadLabelWords({parser.value(sheet), parser.value(codes), parser.value(start),
                                            parser.value(copies), parser.isSet(outline)},
                                           &request, &usage);
    if (!problem.isEmpty()) {
        if (usage)
            return run.UsageError(problem);
        run.Problem(problem);
        return kFailed;
    }

    const QString native = QDir(folders[0]).absolutePath() + '/';
    if (!QFileInfo::exists(native + QStringLiteral("KIV_Lib.cfg"))) {
        run.Problem(QStringLiteral("%1 不是点读书 (没有 KIV_Lib.cfg)").arg(folders[0]));
        return kFailed;
    }
    CSoundLibrary library;
    library.SetLibraryFolder(gbkFromNative(native.toStdString()));
    library.LoadIndex();
    std::vector<CLabel> labels = BookLabels(library);
    KeepCodesWithin(labels, request.from, request.to);
    if (labels.empty()) {
        run.Problem(QStringLiteral("号码 %1-%2 之间没有录音, 没有写出 PDF")
                        .arg(request.from, 6, 10, QChar('0'))
                        .arg(request.to, 6, 10, QChar('0')));
        return kFailed;
    }
    const CLabelPages pages(request.sheet, std::move(labels), request.options);
    QString error;
    if (!WriteLabelPdfFile(pages, parser.value(out), &error)) {
        run.Problem(error);
        return kFailed;
    }
    bool reduced = false;
    const int module = pages.ModuleDots(kPdfDpi, &reduced);
    if (reduced)
        run.Line(
            QStringLiteral("条码在标签上放不下, 线宽缩小为 %1 毫米").arg(module * 25.4 / kPdfDpi, 0, 'f', 2));
    run.Line(QStringLiteral("%1: %2 个标签, %3 页")
                 .arg(parser.value(out))
                 .arg(pages.LabelCount())
                 .arg(pages.PageCount()));
    return kSucceeded;
}
