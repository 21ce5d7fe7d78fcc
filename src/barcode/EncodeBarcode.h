#pragma once
// The checks made before a barcode is printed, with their messages, and the encoding by barcode type.
#include "barcode/BarcodeWidths.h"

#include <string>

// Checks the text for the type, encodes it and puts the width string into widths. On a refused text or a
// failed encoding shows the type's message (no owner, default caption) and returns false; a type outside
// 0-3 returns false without a message.
bool EncodeBarcode(const char* text, int type, std::string* widths);
