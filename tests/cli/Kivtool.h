#pragma once
// kivtool for the tests: its commands run in this process with their lines caught, and the executable itself
// for what only a process shows (its exit code, the settings beside it, a kill).
#include "support/TestSupport.h"

ProcessRun kivtool(const QStringList& args);
ProcessRun kivtoolProcess(const QStringList& args, const ProcessOptions& options = {});
