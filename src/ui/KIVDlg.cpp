#include "ui/KIVDlg.h"

#include <QIcon>

CKIVDlg* g_pMainDlg = nullptr;

CKIVDlg::CKIVDlg(QWidget* parent) : CDialog(102, parent) {
    // The main window is resizable and has the usual title-bar buttons.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/icons/kiv.png")));
}

CKIVDlg::~CKIVDlg() {
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
}

bool CKIVDlg::OnInitDialog() {
    setWindowTitle(QStringLiteral("KIV点读薄 V1.0"));
    g_pMainDlg = this;
    setMainWindow(this);
    return true;
}
