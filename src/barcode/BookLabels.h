#pragma once
// A book's labels in code order, so a label is found where its number says; and their sheets as a PDF, for
// kivtool and for the label sheet a packed book carries. The pages are drawn by LabelPages, as printed.
// What kivtool asks for in words (a sheet, a range of codes, where to start, copies) is read here too.
#include "barcode/LabelPages.h"

#include <QString>
#include <string>
#include <vector>

class CSoundLibrary;
class QIODevice;
struct PackReport;

// Ascending by the number a code stands for (then by its text, for codes that are no number).
void SortLabelsByCode(std::vector<CLabel>& labels);
// Every record of the library as a label, in code order.
std::vector<CLabel> BookLabels(CSoundLibrary& library);
// Writes the pages as PDF at a printer's 1200 dpi; false when the device cannot be written.
bool WriteLabelPdf(const CLabelPages& pages, QIODevice& device);
// Packs the book in the folder (native, ending in '/') as PackBook does, with the labels (the book's, from
// BookLabels) on that sheet as its label sheet; without labels, none goes along.
bool PackBookWithLabels(const std::string& bookFolder, const std::string& archivePath,
                        std::vector<CLabel> labels, const CLabelSheet& sheet, const CLabelOptions& options,
                        PackReport& report, QString* whyNot);

// A label sheet by the name of a shipped one or a template file's path: 0 when found, 1 (with the error)
// when the file is no template, 2 (with the error) when there is no such sheet.
int FindLabelSheetOrFile(const QString& name, CLabelSheet* sheet, QString* error);
// Barcode type and sizes as the window prints them: from its KIV.ini, read now.
CLabelOptions PrintedLabelOptions();

// A label print as words give it: empty words keep the defaults (every code, from the first position, one
// copy).
struct LabelWords {
    QString sheet, codes, start, copies;
    bool outline = false;
};
struct LabelRequest {
    CLabelSheet sheet;
    int from = 0, to = 999999; // the codes' numbers
    CLabelOptions options;     // with the window's barcode type and sizes
};
// Reads the words into the request. On a problem, its text: usage is set when the words are wrong, clear
// when the sheet's template file is.
QString ReadLabelWords(const LabelWords& words, LabelRequest* request, bool* usage);
// The labels whose codes' numbers lie within from-to.
void KeepCodesWithin(std::vector<CLabel>& labels, int from, int to);
// Writes the pages as a PDF file, through a temporary file, over nothing or a regular file only: a pipe,
// a device or a folder in the way is the user's. False with the message.
bool WriteLabelPdfFile(const CLabelPages& pages, const QString& path, QString* error);
