#pragma once
// A dialog made from a template in res/: its controls, their ids and places, and the classic command
// routing (button 1 is OK, button 2 is Cancel, every other button a command with its id).
#include "platform/core/Messages.h"
#include "platform/core/Strings.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DialogTemplate.h"

#include <QDialog>

class CDialog : public CMessageWindow<QDialog> {
    Q_OBJECT
public:
    explicit CDialog(int templateId, QWidget* parent = nullptr);

    // Builds the controls (once), initialises the dialog and runs it modally: IDOK or IDCANCEL.
    int DoModal();
    // Builds the controls and initialises the dialog without running it (tests, modeless use).
    bool Create();
    QWidget* GetDlgItem(int id) const { return controlById(this, id); }
    void EndDialog(int result);
    // Controls to members (true) or members to controls (false); false when a control could not be read.
    bool UpdateData(bool saveAndValidate = true);

protected:
    // Register factories here before Create to attach the dialog's own control classes.
    CDialogBuilder& Builder() { return m_Builder; }
    // The widget the template's controls are made in (the dialog itself unless it keeps a menu bar above
    // its client area).
    virtual QWidget* ClientWidget() { return this; }
    virtual bool OnInitDialog() { return true; }
    virtual void DoDataExchange(CDataExchange& dx) { (void)dx; }
    virtual void OnOK() { EndDialog(1); }
    virtual void OnCancel() { EndDialog(2); }
    // A button other than OK and Cancel was pressed; also menu commands. True when handled.
    virtual bool OnCommand(int id) {
        (void)id;
        return false;
    }
    void reject() override { OnCancel(); }
    void accept() override { OnOK(); }

private:
    void wireButtons();

    DialogTemplate m_Template;
    CDialogBuilder m_Builder;
    bool m_Created = false;
};
