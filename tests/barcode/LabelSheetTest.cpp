// Label-sheet templates: what ships is sound, and a template with nonsense in it is refused by name.
#include "barcode/LabelSheet.h"
#include "barcode/LabelSheets.h"

#include <gtest/gtest.h>

#include <set>

namespace {
const char* kGood = "name = t\ntitle = T\npage-width = 210\npage-height = 297\nlabel-width = 70\n"
                    "label-height = 37\ncolumns = 3\nrows = 8\nleft = 0\ntop = 0.5\npitch-x = 70\n"
                    "pitch-y = 37\n";

std::string with(const std::string& key, const std::string& value) {
    std::string text = kGood;
    const std::size_t at = text.find(key + " = ");
    if (at == std::string::npos)
        return text + key + " = " + value + "\n";
    const std::size_t end = text.find('\n', at);
    return text.replace(at, end - at, key + " = " + value);
}
} // namespace

TEST(LabelSheetTest, ShippedSheetsAllLoadWithUniqueNamesAndTitles) {
    QStringList errors;
    const auto sheets = LoadLabelSheets(QStringLiteral(":/labels"), &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    std::set<std::string> names;
    for (const CLabelSheet& s : sheets)
        EXPECT_TRUE(names.insert(s.name).second && !s.title.empty()) << s.name;
    for (const char* name :
         {"a4-3x8", "a4-3x7", "a4-2x7", "a4-4x10", "a4-5x13", "a4-2x4", "letter-3x10", "a4-list"})
        EXPECT_TRUE(names.count(name)) << name;
    const CLabelSheet* list = FindLabelSheet(QStringLiteral("a4-list"));
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->list);
}

TEST(LabelSheetTest, NonsenseIsRefusedNamingTheFileAndTheField) {
    CLabelSheet sheet;
    std::string error;
    ASSERT_TRUE(
        ParseLabelSheet(std::string("\xEF\xBB\xBF# BOM and CR LF\r\n") + kGood, "ok.sheet", &sheet, &error))
        << error;
    EXPECT_EQ(sheet.LabelsPerSheet(), 24);
    struct Case {
        std::string text, field;
    };
    const Case cases[] = {
        {with("label-width", "-70"), "label-width"},
        {with("label-height", "300"), "label-height"}, // taller than the page
        {with("columns", "10000"), "columns"},
        {with("columns", "4"), "columns"}, // four 70 mm labels on 210 mm
        {with("rows", "2.5"), "rows"},
        {with("pitch-x", "60"), "pitch-x"}, // labels would overlap
        {with("top", "nan"), "top"},
        {with("page-width", "1e308"), "page-width"},
        {with("colums", "3"), "colums"},
        {with("name", "A4 sheet"), "name"},
        {with("columns", "3") + "columns = 3\n", "columns"},
        {std::string(kGood).replace(std::string(kGood).find("rows"), 9, ""), "rows"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(ParseLabelSheet(c.text, "bad.sheet", &sheet, &error)) << c.text;
        EXPECT_NE(error.find("bad.sheet"), std::string::npos) << error;
        EXPECT_NE(error.find(" " + c.field + ":"), std::string::npos) << error;
    }
    EXPECT_EQ(sheet.LabelsPerSheet(), 24); // a refused template leaves the sheet as it was
}
