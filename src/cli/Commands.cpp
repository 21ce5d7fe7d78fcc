#include "cli/Commands.h"

// One line per command; each command lives in its own file.
const KivCommand kKivCommands[] = {
    {"help", "", "列出全部命令", nullptr},
};
const int kKivCommandCount = static_cast<int>(sizeof kKivCommands / sizeof kKivCommands[0]);
