#include "barcode/BookLabels.h"

#include "library/BookArchive.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"
#include "platform/TempFiles.h"
#include "platform/UiText.h"

#include <QFile>
#include <QPdfWriter>
#include <algorithm>
#include <unistd.h>

namespace {
constexpr int kPdfDpi = 1200; // as the printer path: bars in whole dots of a 1200-dpi printer
}

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
        ::unlink(pdfPath.c_str());
        releaseTempFile(pdfPath);
    }
    if (!written && whyNot)
        *whyNot = uiText("不能在 \"%1\" 旁边写标签页。").arg(QString::fromStdString(archivePath));
    return packed;
}
