#pragma once
// A book's labels in code order, so a label is found where its number says; and their sheets as a PDF, for
// kivtool and for the label sheet a packed book carries. The pages are drawn by LabelPages, as printed.
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
