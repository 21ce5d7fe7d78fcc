#pragma once
// The main window.
#include "platform/Dialog.h"

class CKIVDlg : public CDialog {
    Q_OBJECT
public:
    explicit CKIVDlg(QWidget* parent = nullptr);
    ~CKIVDlg() override;

protected:
    bool OnInitDialog() override;
};

// The main window while it exists.
extern CKIVDlg* g_pMainDlg;
