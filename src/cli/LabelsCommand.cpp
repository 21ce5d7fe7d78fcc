// kivtool labels: a book's codes as label sheets in a PDF file, drawn as the "打印标签页..." dialog prints
// them.
#include "app/Folders.h"
#include "app/Settings.h"
#include "barcode/BookLabels.h"
#include "barcode/LabelSheets.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace {
constexpr int kPdfDpi = 1200; // as WriteLabelPdf draws

const KivCommand& command() {
    for (int i = 0; i < kKivCommandCount; ++i)
        if (QLatin1String(kKivCommands[i].name) == QLatin1String("labels"))
            return kKivCommands[i];
    return kKivCommands[0];
}

void out(const QString& line) {
    std::fputs((line + '\n').toUtf8().constData(), stdout);
}

void err(const QString& line) {
    std::fputs(("kivtool: " + line + '\n').toUtf8().constData(), stderr);
}

int listSheets() {
    for (const CLabelSheet& s : ShippedLabelSheets())
        out(QStringLiteral("%1\t%2×%3 毫米\t%4")
                .arg(QString::fromStdString(s.name), QString::number(s.pageWidth),
                     QString::number(s.pageHeight), QString::fromStdString(s.title)));
    out(QStringLiteral("共 %1 种标签页").arg(ShippedLabelSheets().size()));
    return 0;
}

bool parseNumber(const QString& text, int low, int high, int* value) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}
} // namespace

int findLabelSheet(const QString& name, CLabelSheet* sheet, QString* error) {
    // A name of the shipped sheets, or a template file of the user's.
    if (const CLabelSheet* shipped = FindLabelSheet(name)) {
        *sheet = *shipped;
        return 0;
    }
    if (QFileInfo(name).isFile())
        return LoadLabelSheetFile(name, sheet, error) ? 0 : 1;
    *error = QStringLiteral("没有这种标签页: %1 (kivtool labels --list-sheets 列出全部)").arg(name);
    return 2;
}

CLabelOptions printedLabelOptions() {
    // The settings the window prints with choose the barcode type and sizes, so both print alike.
    FolderChoice choice;
    SettingsPath = DetermineProgramFolder(&choice) ? SettingsFilesFor(choice).read : std::string();
    CLabelOptions options;
    options.codeType = ReadCodeType();
    options.heightMm = ReadHeight();
    options.lineWidthMm = ReadLineWidth();
    return options;
}

int runLabels(const QStringList& args) {
    if (args == QStringList{QStringLiteral("--list-sheets")})
        return listSheets();
    QString folder, sheetName, outPath;
    int from = 0, to = 999999;
    CLabelOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--outline")) {
            options.outline = true;
        } else if (a == QLatin1String("--sheet") && hasValue) {
            sheetName = args[++i];
        } else if (a == QLatin1String("--out") && hasValue) {
            outPath = args[++i];
        } else if (a == QLatin1String("--codes") && hasValue) {
            const QStringList range = args[++i].split('-');
            if (range.size() != 2 || !parseNumber(range[0], 0, 999999, &from) ||
                !parseNumber(range[1], from, 999999, &to))
                return usageError(command(), QStringLiteral("号码范围应为 FROM-TO, 例如 0-99"));
        } else if (a == QLatin1String("--start") && hasValue) {
            if (!parseNumber(args[++i], 1, 1000, &options.start))
                return usageError(command(), QStringLiteral("--start 应为从 1 起的标签位置"));
        } else if (a == QLatin1String("--copies") && hasValue) {
            if (!parseNumber(args[++i], 1, 99, &options.copies))
                return usageError(command(), QStringLiteral("--copies 应在 1 到 99 之间"));
        } else if (!a.startsWith(QLatin1String("--")) && folder.isEmpty()) {
            folder = a;
        } else {
            return usageError(command(), QStringLiteral("参数不对: %1").arg(a));
        }
    }
    if (folder.isEmpty() || sheetName.isEmpty() || outPath.isEmpty())
        return usageError(command(), QStringLiteral("需要点读书文件夹、--sheet 和 --out"));

    CLabelSheet sheet;
    QString error;
    if (const int status = findLabelSheet(sheetName, &sheet, &error); status != 0) {
        if (status == 2)
            return usageError(command(), error);
        err(error);
        return 1;
    }
    if (options.start > sheet.LabelsPerSheet())
        return usageError(command(), QStringLiteral("--start 应在 1 到 %1 之间").arg(sheet.LabelsPerSheet()));

    const QString native = QDir(folder).absolutePath() + '/';
    const std::string gbkFolder = gbkFromNative(native.toStdString());
    if (!QFileInfo::exists(native + QStringLiteral("KIV_Lib.cfg"))) {
        err(QStringLiteral("%1 不是点读书 (没有 KIV_Lib.cfg)").arg(folder));
        return 1;
    }
    const CLabelOptions printed = printedLabelOptions();
    options.codeType = printed.codeType;
    options.heightMm = printed.heightMm;
    options.lineWidthMm = printed.lineWidthMm;

    CSoundLibrary library;
    library.SetLibraryFolder(gbkFolder);
    library.LoadIndex();
    std::vector<CLabel> labels = BookLabels(library);
    std::erase_if(labels, [&](const CLabel& label) {
        const int n = CodeNumber(label.code);
        return n < from || n > to;
    });
    if (labels.empty()) {
        err(QStringLiteral("号码 %1-%2 之间没有录音, 没有写出 PDF")
                .arg(from, 6, 10, QChar('0'))
                .arg(to, 6, 10, QChar('0')));
        return 1;
    }

    // A pipe, a device or a folder in the way is the user's, not ours to replace with a PDF.
    const QByteArray target = QFile::encodeName(outPath);
    struct stat st {};
    if ((::lstat(target.constData(), &st) == 0 || errno != ENOENT) &&
        (::stat(target.constData(), &st) != 0 || !S_ISREG(st.st_mode))) {
        err(QStringLiteral("%1 已经存在，但不是普通文件，不能写成 PDF").arg(outPath));
        return 1;
    }
    const CLabelPages pages(sheet, std::move(labels), options);
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly)) {
        err(QStringLiteral("无法写入 %1").arg(outPath));
        return 1;
    }
    if (!WriteLabelPdf(pages, file)) {
        file.cancelWriting();
        err(QStringLiteral("无法写入 %1").arg(outPath));
        return 1;
    }
    if (!file.commit()) {
        err(QStringLiteral("无法写入 %1").arg(outPath));
        return 1;
    }
    bool reduced = false;
    const int module = pages.ModuleDots(kPdfDpi, &reduced);
    if (reduced)
        out(QStringLiteral("条码在标签上放不下, 线宽缩小为 %1 毫米").arg(module * 25.4 / kPdfDpi, 0, 'f', 2));
    out(QStringLiteral("%1: %2 个标签, %3 页").arg(outPath).arg(pages.LabelCount()).arg(pages.PageCount()));
    return 0;
}
