// Printed barcodes read back by an independent reader (pdftoppm + zbarimg), and measured on the raster.
#include "PrintedPage.h"
#include "barcode/BarcodePrintJob.h"
#include "barcode/Code128.h"
#include "barcode/SharedPrintDialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {
using Items = std::vector<std::pair<std::string, int>>;

class ReaderTest : public ::testing::Test {
protected:
    TempFolder m_Tmp;
    CSharedPrintDialog m_Dialog;
    MessageBoxRecorder m_Boxes;

    std::string print(const std::string& name, const Items& items, double height = 15.0,
                      double lineWidth = 0.4, int* moduleDots = nullptr, int* dpi = nullptr) {
        const std::string pdf = m_Tmp.file(name);
        m_Dialog.SetOutputFile(QString::fromStdString(pdf));
        BarcodePrintJob job;
        EXPECT_TRUE(job.BeginJob(height, lineWidth));
        for (const auto& [text, type] : items)
            job.AddBarcode(text, type);
        job.FlushRow();
        if (moduleDots)
            *moduleDots = job.ModuleDots();
        if (dpi)
            *dpi = job.DpiX();
        EXPECT_EQ(m_Boxes.count(), 0u);
        return pdf;
    }

    // Prints the texts and expects the reader to find exactly them, as `type`.
    void expectRead(const Items& items, const std::string& type, double lineWidth = 0.4) {
        const std::string pdf = print("read.pdf", items, 12.0, lineWidth);
        std::multiset<std::string> want, got;
        for (const auto& item : items)
            want.insert(type + ":" + item.first);
        for (const auto& d : decodeEach(pdf, 1))
            got.insert(d.type + ":" + d.data);
        EXPECT_EQ(got, want);
    }
};

int modules(const std::string& widths) {
    int n = 0;
    for (char c : widths)
        n += c - '0';
    return n;
}
} // namespace

TEST_F(ReaderTest, TestPrintOfTheCodeNumberReadsInAllFourTypes) {
    const std::string pdf =
        print("test-print.pdf", {{"123456", 0}, {"123456", 1}, {"123456", 2}, {"123456", 3}});
    std::multiset<std::string> got;
    for (const auto& d : decodeEach(pdf, 1))
        got.insert(d.type + ":" + d.data);
    EXPECT_EQ(got, (std::multiset<std::string>{"CODE-39:123456", "CODE-128:123456", "CODE-128:123456",
                                               "CODE-128:123456"}));
}

TEST_F(ReaderTest, Code39TableReadsForEveryCharacter) {
    // "*" is checked as the start and stop of every symbol; inside a text the reader would end there.
    expectRead({{"0123456789", 0}, {"ABCDEFGHIJKLM", 0}, {"NOPQRSTUVWXYZ", 0}, {"0-. $/+%9", 0}}, "CODE-39",
               0.3);
}

TEST_F(ReaderTest, Code128SetCReadsForEveryPairOfDigits) {
    Items items;
    for (int first = 0; first < 100; first += 20) {
        std::string text;
        for (int v = first; v < first + 20; ++v)
            text += std::to_string(v / 10) + std::to_string(v % 10);
        items.push_back({text, 3});
    }
    expectRead(items, "CODE-128", 0.3);
}

TEST_F(ReaderTest, Code128SetBReadsPunctuationAndLowerCase) {
    Items items;
    for (int first = 0x20; first < 0x80; first += 24) {
        std::string text;
        for (int c = first; c < first + 24; ++c)
            text += static_cast<char>(c);
        items.push_back({text, 2});
    }
    expectRead(items, "CODE-128", 0.25);
}

TEST_F(ReaderTest, Code128SetAReadsControlCharactersAndCapitals) {
    std::string controls = "A", capitals;
    for (int c = 0x01; c < 0x20; ++c)
        controls += static_cast<char>(c);
    for (int c = 0x20; c < 0x60; c += 2)
        capitals += static_cast<char>(c);
    std::string odd;
    for (int c = 0x21; c < 0x60; c += 2)
        odd += static_cast<char>(c);
    expectRead({{controls, 1}, {capitals, 1}, {odd, 1}}, "CODE-128", 0.25);
}

TEST_F(ReaderTest, Code128SetANulAndFnc1ReadAsTheReaderReportsThem) {
    // 0x80 stands for NUL; a leading FNC1 marks GS1 data and is not part of the text the reader reports.
    const std::string pdf = print("nul.pdf", {{std::string("A\x80"
                                                           "B"),
                                               1},
                                              {std::string("\xC1"
                                                           "0112"),
                                               1}});
    std::multiset<std::string> got;
    for (const auto& d : decodeEach(pdf, 1))
        got.insert(d.data);
    EXPECT_EQ(got, (std::multiset<std::string>{std::string("A\0B", 3), "0112"}));
}

TEST_F(ReaderTest, Code128FunctionSymbolsReadAsCheckSymbols) {
    // Values 96-102 are no character of set B; as check symbols of "?Zx" they are read all the same.
    Items items;
    for (int want = 96; want <= 102; ++want) {
        for (int a = 0x20; a < 0x80; ++a) {
            if ((104 + (a - 32) + 2 * ('Z' - 32) + 3 * ('x' - 32)) % 103 == want) {
                const std::string text{static_cast<char>(a), 'Z', 'x'};
                std::string widths(6 * text.size() + 20, '\0');
                ASSERT_EQ(CCode128().EncodeB(text.c_str(), widths.data()), 0);
                ASSERT_EQ(std::string(widths.c_str()).substr(6 * 4, 6), CCode128::Pattern(want)) << text;
                items.push_back({text, 2});
                break;
            }
        }
    }
    ASSERT_EQ(items.size(), 7u);
    expectRead(items, "CODE-128");
}

TEST_F(ReaderTest, PrintedModuleAndHeightAreTheSettingsWithinOneDot) {
    const std::string widths = "211232112232131123331121132131"
                               "2331112"; // 128C "123456"
    for (double lineWidth : {0.2, 0.33, 0.4}) {
        int m = 0, dpi = 0;
        const std::string pdf = print("size.pdf", {{"123456", 3}}, 15.0, lineWidth, &m, &dpi);
        ASSERT_GT(dpi, 0);
        const auto found = decodeEach(pdf, 1);
        ASSERT_EQ(found.size(), 1u) << lineWidth;
        EXPECT_EQ(found[0].data, "123456");

        // At the printer's own resolution each element is a whole number of dots.
        const Raster r = rasterize(pdf, 1, dpi, 3000, 1500);
        ASSERT_GT(r.width, 0);
        int left = r.width, right = -1, top = r.height, bottom = -1;
        for (int y = 0; y < r.height; ++y)
            for (int x = 0; x < r.width; ++x)
                if (r.dark(x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_GE(right, left);
        const double dot = 25.4 / dpi;
        const double moduleMm = (right - left + 1) * dot / modules(widths);
        const double heightMm = (bottom - top + 1) * dot;
        std::printf(
            "LineWidth %.2f mm: module %d dots at %d dpi = %.4f mm (symbol %d dots); height %.4f mm\n",
            lineWidth, m, dpi, moduleMm, right - left + 1, heightMm);
        EXPECT_LE(std::abs(moduleMm - lineWidth), dot) << lineWidth;
        EXPECT_LE(std::abs(heightMm - 15.0), dot) << lineWidth;

        // Element by element along the middle line: digit x module, so 1:2:3:4 stays exact.
        const int y = (top + bottom) / 2;
        std::string measured;
        int x = left;
        while (x <= right) {
            const bool dark = r.dark(x, y);
            int run = 0;
            while (x <= right && r.dark(x, y) == dark) {
                ++run;
                ++x;
            }
            EXPECT_EQ(run % m, 0) << lineWidth;
            measured += static_cast<char>('0' + run / m);
        }
        EXPECT_EQ(measured, widths) << lineWidth;
    }
}
