// The checks before encoding: which texts each type refuses, and the exact message for each.
#include "barcode/EncodeBarcode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* text;
    int type;
    const char* message; // nullptr: accepted
};

const Case kCases[] = {
    {"123456", kCode39, nullptr},
    {"A*B", kCode39, nullptr},
    {"", kCode39, "CODE39: 输入非法字符"},
    {"12a", kCode39, "CODE39: 输入非法字符"},
    {"123456", kCode128A, nullptr},
    {"", kCode128A, nullptr}, // start, check and stop alone
    {"\x01\x1f", kCode128A, nullptr},
    {"\x80\xC1\xC4", kCode128A, nullptr},
    {"12a", kCode128A, "CODE128A: 输入非法字符"},
    {"\x7f", kCode128A, "CODE128A: 输入非法字符"},
    {"\x81", kCode128A, "CODE128A: 编码错误"}, // passes the check, has no value in set A
    {"\xFF", kCode128A, "CODE128A: 编码错误"},
    {"abc~", kCode128B, nullptr},
    {"", kCode128B, "CODE128B: 输入非法字符"},
    {"a\tb", kCode128B, "CODE128B: 输入非法字符"},
    {"\x80", kCode128B, "CODE128B: 输入非法字符"},
    {"123456", kCode128C, nullptr},
    {"", kCode128C, "CODE128C: 输入非法字符"},
    {"12345", kCode128C, "CODE128C: 输入非法字符"},
    {"12a4", kCode128C, "CODE128C: 输入非法字符"},
};
} // namespace

TEST(EncodeBarcodeTest, RefusedTextsShowTheirTypesMessageWithoutOwnerAndDefaultCaption) {
    for (const Case& c : kCases) {
        MessageBoxRecorder boxes;
        std::string widths = "old";
        const bool ok = EncodeBarcode(c.text, c.type, &widths);
        if (c.message) {
            EXPECT_FALSE(ok) << c.text << " type " << c.type;
            ASSERT_EQ(boxes.count(), 1u) << c.text << " type " << c.type;
            EXPECT_EQ(boxes.last().text, QString::fromUtf8(c.message));
            EXPECT_EQ(boxes.last().caption, QString::fromUtf8("错误"));
            EXPECT_EQ(boxes.last().type, MB_OK);
            EXPECT_EQ(boxes.last().owner, nullptr);
        } else {
            EXPECT_TRUE(ok) << c.text << " type " << c.type;
            EXPECT_EQ(boxes.count(), 0u) << c.text << " type " << c.type;
            EXPECT_FALSE(widths.empty());
            EXPECT_EQ(widths.find_first_not_of("1234"), std::string::npos);
        }
    }
}

TEST(EncodeBarcodeTest, TypeOutsideZeroToThreeDrawsNothingAndSaysNothing) {
    MessageBoxRecorder boxes;
    std::string widths;
    for (int type : {-1, 4, 1000})
        EXPECT_FALSE(EncodeBarcode("123456", type, &widths));
    EXPECT_EQ(boxes.count(), 0u);
}
