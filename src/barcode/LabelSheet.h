#pragma once
// A label sheet: the paper and where its labels sit, read from a small text template (res/labels/*.sheet).
//
//     # a comment line
//     name = a4-3x8             short and stable: a-z, 0-9 and '-', up to 32 characters
//     title = A4 3×8 ...        what the dialog shows (UTF-8)
//     layout = grid             grid: code, digits and annotation stacked; list: code left, text right
//     page-width = 210          every size in millimetres
//     page-height = 297
//     label-width = 70
//     label-height = 37
//     columns = 3               whole numbers, 1-100
//     rows = 8
//     left = 0                  the first label's corner from the paper's corner
//     top = 0.5
//     pitch-x = 70              from one label's corner to the next one's
//     pitch-y = 37
//     radius = 0                of the outline's corners (optional, default 0)
//
// One key a line; blanks around keys and values are skipped. Every key but radius and layout is required,
// none may repeat, and an unknown key is refused (a misspelt one would otherwise be ignored silently).
#include <string>
#include <string_view>

struct CLabelSheet {
    std::string name;
    std::string title; // UTF-8
    bool list = false; // one label a row with its text beside the code
    double pageWidth = 0;
    double pageHeight = 0;
    double labelWidth = 0;
    double labelHeight = 0;
    int columns = 0;
    int rows = 0;
    double left = 0;
    double top = 0;
    double pitchX = 0;
    double pitchY = 0;
    double radius = 0;

    int LabelsPerSheet() const { return columns * rows; }
};

// Reads a template. On a malformed one returns false with a message (UTF-8) naming the file and the field.
bool ParseLabelSheet(std::string_view text, std::string_view fileName, CLabelSheet* sheet,
                     std::string* error);
