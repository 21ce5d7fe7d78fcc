#include "barcode/BookLabels.h"

#include "app/Folders.h"
#include "app/Settings.h"
#include "barcode/LabelSheets.h"
#include "library/BookArchive.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/TempFiles.h"
#include "platform/core/UiText.h"

#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

namespace {
constexpr int kPdfDpi = 1200; // as the printer path: bars in whole dots of a 1200-dpi printer

bool numberWithin(const QString& text, int low, int high, int* value) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}
} // namespace

void SortLabelsByCode(std::vector<CLabel>& labels) {
    std::stable_sort(labels.begin(), labels.end(), [](const CLabel& a, const CLabel& b) {
        const int x = CodeNumber(a.code), y = CodeNumber(b.code);
        return x != y ? x < y : a.code < b.code;
    });
}

std::vector<CLabel> BookLabels(CSoundLibrary& library) {
    std::vector<CLabel> labels;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        labels.push_back({r->Code.str(), fromGbk(r->Content.view())});
    });
    SortLabelsByCode(labels);
    return labels;
}

bool WriteLabelPdf(const CLabelPages& pages, QIODevice& device) {
    QPdfWriter pdf(&device);
    pdf.setResolution(kPdfDpi);
    pdf.setCreator(QStringLiteral("KIV"));
    return PrintLabelPages(pages, pdf);
}

bool PackBookWithLabels(const std::string& bookFolder, const std::string& archivePath,
                        std::vector<CLabel> labels, const CLabelSheet& sheet, const CLabelOptions& options,
                        PackReport& report, QString* whyNot) {
    if (labels.empty())
        return PackBook(bookFolder, archivePath, report, whyNot);
    // The sheet waits beside the target in a temporary file of ours until the archive has taken it.
    std::string pdfPath = archivePath + ".labels" + tempNamePrefix(".tmp-") + "XXXXXX";
    const int fd = createHeldTempFile(pdfPath);
    bool written = false;
    if (fd >= 0) {
        QFile file;
        written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                  WriteLabelPdf(CLabelPages(sheet, std::move(labels), options), file) && file.flush();
        file.close();
    }
    const bool packed = written && PackBook(bookFolder, archivePath, report, whyNot, pdfPath);
    if (fd >= 0) {
        deleteFile(pdfPath);
        releaseTempFile(pdfPath);
    }
    if (!written && whyNot)
        *whyNot = uiText("不能在 \"%1\" 旁边写标签页。").arg(QString::fromStdString(archivePath));
    return packed;
}

int FindLabelSheetOrFile(const QString& name, CLabelSheet* sheet, QString* error) {
    if (const CLabelSheet* shipped = FindLabelSheet(name)) {
        *sheet = *shipped;
        return 0;
    }
    if (QFileInfo(name).isFile())
        return LoadLabelSheetFile(name, sheet, error) ? 0 : 1;
    *error = QStringLiteral("没有这种标签页: %1 (kivtool labels --list-sheets 列出全部)").arg(name);
    return 2;
}

CLabelOptions PrintedLabelOptions() {
    // The settings the window prints with choose the barcode type and sizes, so both print alike.
    FolderChoice choice;
    SettingsPath = DetermineProgramFolder(&choice) ? SettingsFilesFor(choice).read : std::string();
    CLabelOptions options;
    options.codeType = ReadCodeType();
    options.heightMm = ReadHeight();
    options.lineWidthMm = ReadLineWidth();
    return options;
}

QString ReadLabelWords(const LabelWords& words, LabelRequest* request, bool* usage) {
    *usage = true;
    if (!words.codes.isEmpty()) {
        const QStringList range = words.codes.split(u'-');
        if (range.size() != 2 || !numberWithin(range[0], 0, 999999, &request->from) ||
            !numberWithin(range[1], request->from, 999999, &request->to))
            return QStringLiteral("号码范围应为 FROM-TO, 例如 0-99");
    }
    CLabelOptions& options = request->options;
    if (!words.start.isEmpty() && !numberWithin(words.start, 1, 1000, &options.start))
        return QStringLiteral("--start 应为从 1 起的标签位置");
    if (!words.copies.isEmpty() && !numberWithin(words.copies, 1, 99, &options.copies))
        return QStringLiteral("--copies 应在 1 到 99 之间");
    options.outline = words.outline;
    QString error;
    if (const int status = FindLabelSheetOrFile(words.sheet, &request->sheet, &error); status != 0) {
        *usage = status == 2;
        return error;
    }
    if (options.start > request->sheet.LabelsPerSheet())
        return QStringLiteral("--start 应在 1 到 %1 之间").arg(request->sheet.LabelsPerSheet());
    const CLabelOptions printed = PrintedLabelOptions();
    options.codeType = printed.codeType;
    options.heightMm = printed.heightMm;
    options.lineWidthMm = printed.lineWidthMm;
    return {};
}

void KeepCodesWithin(std::vector<CLabel>& labels, int from, int to) {
    std::erase_if(labels, [&](const CLabel& label) {
        const int n = CodeNumber(label.code);
        return n < from || n > to;
    });
}

bool WriteLabelPdfFile(const CLabelPages& pages, const QString& path, QString* error) {
    const std::string target = QFile::encodeName(path).toStdString();
    // Whatever is there, or cannot be looked at, must be a regular file once links are followed.
    if ((pathKind(target, false).exists || errno != ENOENT) && !pathKind(target).regular) {
        *error = QStringLiteral("%1 已经存在，但不是普通文件，不能写成 PDF").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !WriteLabelPdf(pages, file) || !file.commit()) {
        file.cancelWriting();
        *error = QStringLiteral("无法写入 %1").arg(path);
        return false;
    }
    return true;
}
