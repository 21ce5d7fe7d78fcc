#pragma once
// What became of one source when a book is filled from sound files or lines of text, and the summary the
// user reads at the end: one report for the whole batch, never one box per file.
#include <QString>
#include <string>
#include <vector>

struct FillOutcome {
    QString source;      // the file's path or the spoken line, as shown to the user
    std::string code;    // the new record's code; empty when nothing was filed
    std::string content; // the new record's annotation (GBK)
    QString problem;     // why nothing was filed, or, when filed, what had to be changed
    bool filed() const { return !code.empty(); }
};

// "000012  苹果" for a filed source; "不能导入 <source>: <problem>" otherwise.
QString FillOutcomeLine(const FillOutcome& outcome);
// The closing report: counts, then the filed records and the refused sources with their reasons, each
// list cut after maxLines lines with a count of the rest. cancelled says the user stopped the batch.
QString FillSummary(const std::vector<FillOutcome>& outcomes, bool cancelled, int notStarted,
                    int maxLines = 20);
