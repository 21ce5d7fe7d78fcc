// Arbitrary bytes as a label-sheet template: the reader takes anything, and a sheet it accepts is one the
// label pages can lay out: whole counts in range, every label on the paper, none overlapping the next.
#include "barcode/LabelSheet.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {
void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_label_sheet: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CLabelSheet sheet;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!ParseLabelSheet(text, "fuzz.sheet", &sheet, &error)) {
        check(error.find("fuzz.sheet") != std::string::npos, "a refusal names the file");
        return 0;
    }
    check(sheet.columns >= 1 && sheet.columns <= 100 && sheet.rows >= 1 && sheet.rows <= 100,
          "counts in range");
    check(sheet.labelWidth > 0 && sheet.labelHeight > 0 && sheet.pageWidth > 0 && sheet.pageHeight > 0,
          "sizes");
    check(sheet.pitchX >= sheet.labelWidth && sheet.pitchY >= sheet.labelHeight, "labels do not overlap");
    check(sheet.left >= 0 &&
              sheet.left + (sheet.columns - 1) * sheet.pitchX + sheet.labelWidth <= sheet.pageWidth + 0.02,
          "labels on the paper across");
    check(sheet.top >= 0 &&
              sheet.top + (sheet.rows - 1) * sheet.pitchY + sheet.labelHeight <= sheet.pageHeight + 0.02,
          "labels on the paper down");
    check(!sheet.name.empty() && !sheet.title.empty(), "named");
    return 0;
}
