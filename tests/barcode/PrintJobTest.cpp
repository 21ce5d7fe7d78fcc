// The print job: starting, refusing, laying out, paging, and staying on the page whatever the sizes.
#include "PrintedPage.h"
#include "barcode/BarcodePrintJob.h"
#include "barcode/SharedPrintDialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintDialog>
#include <QTimer>

#include <cmath>
#include <filesystem>
#include <limits>
#include <set>

namespace {
class PrintJobTest : public ::testing::Test {
protected:
    TempFolder m_Tmp;
    CSharedPrintDialog m_Dialog;
    MessageBoxRecorder m_Boxes;

    std::string output(const std::string& name) {
        const std::string pdf = m_Tmp.file(name);
        m_Dialog.SetOutputFile(QString::fromStdString(pdf));
        return pdf;
    }
};

std::string code(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", n);
    return buf;
}
} // namespace

TEST(PrintJobWithoutDialogTest, BeginFailsQuietlyWhenMainMadeNoDialog) {
    MessageBoxRecorder boxes;
    BarcodePrintJob job;
    EXPECT_FALSE(job.BeginJob(15, 0.4));
    job.AddBarcode("123456", 3);
    job.FlushRow();
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(PrintJobTest, CancelledDialogPrintsNothingAndSaysNothing) {
    const std::string pdf = output("cancel.pdf");
    m_Dialog.SetCancel(true);
    {
        BarcodePrintJob job;
        EXPECT_FALSE(job.BeginJob(15, 0.4));
        job.AddBarcode("123456", 3);
        job.FlushRow();
        EXPECT_EQ(job.Printed(), 0);
    }
    EXPECT_EQ(m_Boxes.count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(PrintJobTest, DocumentThatCannotStartSaysStartDocError) {
    output("no such folder/x.pdf");
    BarcodePrintJob job;
    EXPECT_FALSE(job.BeginJob(15, 0.4));
    job.AddBarcode("123456", 3);
    job.FlushRow();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, QStringLiteral("StartDoc error"));
    EXPECT_EQ(m_Boxes.last().caption, QString::fromUtf8("错误"));
    EXPECT_EQ(m_Boxes.last().owner, nullptr);
}

TEST_F(PrintJobTest, JobWithoutBarcodesEndsOneEmptyPage) {
    // What the callers do when CodeType is outside 0-3: begin, flush, end.
    const std::string pdf = output("empty.pdf");
    {
        BarcodePrintJob job;
        ASSERT_TRUE(job.BeginJob(15, 0.4));
        job.AddBarcode("123456", 4); // a stray type draws nothing either
        job.FlushRow();
        job.FlushRow();
        EXPECT_EQ(job.Printed(), 0);
    }
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_TRUE(decodeEach(pdf, 1).empty());
    EXPECT_EQ(m_Boxes.count(), 0u);
}

TEST_F(PrintJobTest, RefusedTextIsSkippedAndTheJobGoesOn) {
    const std::string pdf = output("refused.pdf");
    {
        BarcodePrintJob job;
        ASSERT_TRUE(job.BeginJob(15, 0.4));
        job.AddBarcode("12a", 0);
        job.AddBarcode("12345", 3);
        job.AddBarcode("654321", 3);
        job.FlushRow();
        EXPECT_EQ(job.Printed(), 1);
    }
    ASSERT_EQ(m_Boxes.count(), 2u);
    EXPECT_EQ(m_Boxes.calls()[0].text, QString::fromUtf8("CODE39: 输入非法字符"));
    EXPECT_EQ(m_Boxes.calls()[1].text, QString::fromUtf8("CODE128C: 输入非法字符"));
    const auto found = decodeEach(pdf, 1);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].data, "654321");
}

TEST_F(PrintJobTest, FullPageGoesOnOntoNewPagesWithoutLosingARow) {
    const std::string pdf = output("pages.pdf");
    const int n = 120;
    {
        BarcodePrintJob job;
        ASSERT_TRUE(job.BeginJob(40, 0.4)); // tall bars: few rows per page
        for (int i = 0; i < n; ++i)
            job.AddBarcode(code(i * 7919 % 1000000), 3);
        job.FlushRow();
        EXPECT_EQ(job.Printed(), n);
        EXPECT_GE(job.Pages(), 3);
        EXPECT_TRUE(job.PageRect().contains(job.DrawnBounds()));
    }
    const int pages = pdfPages(pdf);
    ASSERT_GE(pages, 3);
    std::multiset<std::string> want, got;
    for (int i = 0; i < n; ++i)
        want.insert(code(i * 7919 % 1000000));
    for (int p = 1; p <= pages; ++p)
        for (const auto& d : decodeEach(pdf, p))
            got.insert(d.data);
    EXPECT_EQ(got, want);
}

TEST_F(PrintJobTest, AbsurdSizesNeverDrawOutsideThePage) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Size {
        double height, lineWidth;
        bool tooBig;
    };
    const Size sizes[] = {{0, 0.4, false},   {15, -1, false},  {-15, 0, false},      {15, 0.2, false},
                          {1000, 0.4, true}, {15, 1000, true}, {1e300, 1e300, true}, {nan, nan, false},
                          {inf, -inf, true}, {15, 3.5, true}};
    int i = 0;
    for (const Size& s : sizes) {
        m_Boxes.clear();
        const std::string pdf = output("absurd" + std::to_string(i++) + ".pdf");
        {
            BarcodePrintJob job;
            ASSERT_TRUE(job.BeginJob(s.height, s.lineWidth));
            EXPECT_GE(job.ModuleDots(), 1);
            EXPECT_GE(job.BarDots(), 1);
            for (int k = 0; k < 30; ++k)
                job.AddBarcode("0123456789ABCDEF", 0); // 250 modules: 3.5 mm modules do not fit
            job.FlushRow();
            const QRect drawn = job.DrawnBounds();
            EXPECT_TRUE(drawn.isNull() || job.PageRect().contains(drawn)) << s.height << " " << s.lineWidth;
            EXPECT_EQ(drawn.isNull(), s.tooBig) << s.height << " " << s.lineWidth;
            EXPECT_EQ(job.Printed(), s.tooBig ? 0 : 30) << s.height << " " << s.lineWidth;
        }
        EXPECT_EQ(m_Boxes.count(), s.tooBig ? 1u : 0u) << s.height << " " << s.lineWidth;
        EXPECT_GE(pdfPages(pdf), 1);
    }
}

TEST_F(PrintJobTest, RowsStartTopLeftAndKeepFiveMillimetreOrTenModuleGaps) {
    for (double lineWidth : {0.2, 0.4, 1.0}) {
        output("gaps.pdf");
        BarcodePrintJob job;
        ASSERT_TRUE(job.BeginJob(10, lineWidth));
        const double dotMm = 25.4 / job.DpiX();
        const int m = job.ModuleDots();
        EXPECT_GE(job.ColumnGapDots() * dotMm, 5.0 - dotMm);
        EXPECT_GE(job.ColumnGapDots(), 10 * m);
        EXPECT_GE(job.RowGapDots() * dotMm, 5.0 - dotMm);
        EXPECT_GE(job.RowGapDots(), 10 * m);
        job.AddBarcode("123456", 3);
        EXPECT_EQ(job.DrawnBounds().topLeft(), QPoint(0, 0));
        const QRect first = job.DrawnBounds();
        job.AddBarcode("123456", 3);
        const QRect both = job.DrawnBounds();
        // Same row, one gap to the right of the first.
        EXPECT_EQ(both.top(), 0);
        EXPECT_EQ(both.width(), 2 * first.width() + job.ColumnGapDots()) << lineWidth;
        job.FlushRow();
        job.AddBarcode("123456", 3);
        EXPECT_EQ(job.DrawnBounds().height(), 2 * job.BarDots() + job.RowGapDots()) << lineWidth;
    }
}

TEST(SharedPrintDialogTest, DialogIsMadeAtTheFirstPrintAndKeptForTheRun) {
    CSharedPrintDialog holder;
    holder.SetOutputFile(QString()); // the real dialog, whatever the environment says
    auto printDialogs = [] {
        std::vector<QPrintDialog*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QPrintDialog*>(w))
                found.push_back(d);
        return found;
    };
    EXPECT_TRUE(printDialogs().empty());

    QPrintDialog* shown[2] = {nullptr, nullptr};
    for (QPrintDialog*& seen : shown) {
        // Answers the dialog with Cancel once it is up.
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            for (QPrintDialog* d : printDialogs())
                if (d->isVisible()) {
                    seen = d;
                    d->reject();
                }
        });
        timer.start(20);
        EXPECT_EQ(holder.Choose(), nullptr);
    }
    ASSERT_NE(shown[0], nullptr);
    EXPECT_EQ(shown[0], shown[1]);
    EXPECT_EQ(shown[0]->parentWidget(), nullptr);
    EXPECT_TRUE(shown[0]->testOption(QAbstractPrintDialog::PrintToFile));
    EXPECT_FALSE(shown[0]->testOption(QAbstractPrintDialog::PrintSelection));
    EXPECT_FALSE(shown[0]->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_EQ(holder.Jobs(), 0);
}
