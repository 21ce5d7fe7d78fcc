#pragma once
// Diagnostic traces on standard error; the program never reads them back.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
