// The settings dialog's test label through a real print queue (the private CUPS server of the test
// services, whose queue writes PDF files), chosen by name without a dialog, read back by a barcode reader.
#include "PrintedPage.h"
#include "app/Settings.h"
#include "barcode/Options.h"
#include "barcode/SharedPrintDialog.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

std::set<std::string> pdfsIn(const std::string& folder) {
    std::set<std::string> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ".pdf")
            found.insert(e.path().string());
    return found;
}

} // namespace

TEST(PrintQueue, TestLabelPrintedByPrinterNameReadsInAllFourTypes) {
    const char* printer = std::getenv("KIV_TEST_PRINTER");
    const char* prints = std::getenv("KIV_TEST_PRINTS");
    ASSERT_TRUE(printer && prints) << "needs the print queue of the test services: run through scripts/test";
    MessageBoxRecorder boxes;
    BarcodeSettings = {3, 15.0, 0.4};
    const std::set<std::string> before = pdfsIn(prints);

    CSharedPrintDialog print;
    print.SetPrinterName(QString::fromUtf8(printer));
    COptions dlg;
    ASSERT_TRUE(dlg.Create());
    qobject_cast<QPushButton*>(dlg.GetDlgItem(1000))->click(); // 打印测试
    EXPECT_EQ(print.Jobs(), 1);
    EXPECT_EQ(boxes.count(), 0u);

    // The queue's filters and its PDF backend take a few seconds; a file still being written has no page
    // count yet.
    std::string pdf;
    QElapsedTimer t;
    t.start();
    while (pdf.empty() && t.elapsed() < 60000) {
        for (const std::string& p : pdfsIn(prints))
            if (!before.count(p) && pdfPages(p) == 1)
                pdf = p;
        QThread::msleep(200);
    }
    ASSERT_FALSE(pdf.empty()) << "no PDF from queue " << printer << " in " << prints;
    std::multiset<std::string> got;
    for (const auto& d : decodeEach(pdf, 1))
        got.insert(d.type + ":" + d.data);
    EXPECT_EQ(got, (std::multiset<std::string>{"CODE-39:123456", "CODE-128:123456", "CODE-128:123456",
                                               "CODE-128:123456"}));
}
