#include "barcode/EncodeBarcode.h"

#include "platform/core/MessageBox.h"

bool EncodeBarcode(const char* text, int type, std::string* widths) {
    const char* refusal = BarcodeWidths(text, type, widths);
    if (!refusal)
        return true;
    if (*refusal)
        messageBox(QString::fromUtf8(refusal));
    return false;
}
