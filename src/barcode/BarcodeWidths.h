#pragma once
// The checks made before a barcode is drawn and the encoding by barcode type, without telling anyone:
// EncodeBarcode shows the refusals, the label pages skip such codes quietly.
#include <string>

// Barcode types, as BarcodeSettings.CodeType holds them.
constexpr int kCode39 = 0;
constexpr int kCode128A = 1;
constexpr int kCode128B = 2;
constexpr int kCode128C = 3;

// Encodes the text as that type into widths. Returns nullptr on success, else why not (UTF-8; "" for a type
// outside 0-3).
const char* BarcodeWidths(const char* text, int type, std::string* widths);
