#include "platform/gui/Dialog.h"

#include "platform/core/Trace.h"

#include <QAbstractButton>

CDialog::CDialog(int templateId, QWidget* parent) : CMessageWindow<QDialog>(parent) {
    QString error;
    if (!loadDialogTemplate(templateId, m_Template, &error))
        trace("CDialog: template %d: %s\n", templateId, error.toUtf8().constData());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

bool CDialog::Create() {
    if (m_Created)
        return true;
    m_Builder.build(ClientWidget(), m_Template);
    if (ClientWidget() != this) {
        setFont(ClientWidget()->font());
        setWindowTitle(m_Template.caption);
    }
    wireButtons();
    m_Created = true;
    UpdateData(false); // the framework's own initialisation writes the members into the controls
    return OnInitDialog();
}

int CDialog::DoModal() {
    Create();
    return exec() == 1 ? 1 : 2;
}

void CDialog::EndDialog(int result) {
    QDialog::done(result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.m_bFailed;
}

void CDialog::wireButtons() {
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        const int id = controlId(b);
        if (id == -1)
            continue;
        connect(b, &QAbstractButton::clicked, this, [this, id] {
            if (id == 1) {
                if (!OnCommand(1))
                    OnOK();
            } else if (id == 2) {
                if (!OnCommand(2))
                    OnCancel();
            } else {
                OnCommand(id);
            }
        });
    }
}
