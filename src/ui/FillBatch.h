#pragma once
// Filling the book without the microphone runs as one batch: one step per source, in order, with one
// progress dialog when there are more than a few; "取消" stops it after the step under way, and what is
// filed stays.
#include "library/FillOutcome.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;

struct FillBatch {
    std::vector<FillOutcome> outcomes;
    bool cancelled = false;
    int notStarted = 0;
};

// Runs count steps; nameOf(i) names the source of step i in the progress dialog.
FillBatch RunFillBatch(QWidget* owner, const QString& title, int count,
                       const std::function<QString(int)>& nameOf,
                       const std::function<FillOutcome(int)>& step);
