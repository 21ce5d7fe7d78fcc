#include "cli/Commands.h"

// One line per command; each command lives in its own file.
const KivCommand kKivCommands[] = {
    {"labels",
     "BOOK_FOLDER --sheet NAME --out FILE.pdf [--codes FROM-TO] [--start N] [--copies N] [--outline] | "
     "--list-sheets",
     "把点读书的条码印成标签页 (PDF)", runLabels},
};
const int kKivCommandCount = static_cast<int>(sizeof kKivCommands / sizeof kKivCommands[0]);
