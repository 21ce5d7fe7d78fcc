// "点读书" > "打印标签页...": the whole book's labels in code order, or the rows selected in the list, or a
// range of codes.
#include "controls/GridListCtrlEx2.h"
#include "ui/KIVDlg.h"

void CKIVDlg::OnPrintLabelSheets() {
    RecordList()->ShowLabelSheets(LabelChoice::Book);
}
