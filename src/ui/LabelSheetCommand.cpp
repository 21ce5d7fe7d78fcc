// "点读书" > "打印标签页...": every record of the book as labels, in enumeration order.
#include "barcode/LabelSheetDlg.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"
#include "ui/KIVDlg.h"

void CKIVDlg::OnPrintLabelSheets() {
    std::vector<CLabel> labels;
    if (HasSoundLibrary())
        SoundLibrary().ForEachRecord([&](const SOUND_RECORD* r) {
            labels.push_back({r->Code.str(), fromGbk(r->Content.view())});
        });
    ShowLabelSheetDialog(std::move(labels), this);
}
