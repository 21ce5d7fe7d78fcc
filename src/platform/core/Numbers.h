#pragma once
// Reading a decimal number the way "%lf" does, whatever the locale: leading blanks skipped, one sign, the
// longest number that follows, the rest ignored. Shared by the settings file and the dialogs' edits.
#include <string_view>

// False when the text holds no number. A number too large for a double reads as infinity, one too small
// (however it is written: "1e-400" or "0." followed by 400 zeros and a 1) as 0.
bool scanDecimal(std::string_view text, double& value);
