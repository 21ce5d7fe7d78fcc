#pragma once
// The barcode settings dialog "设置": barcode type, bar height and line width for every print, and a test
// print of all four types. "保存" stores the settings in BarcodeSettings and in the settings file.
#include "platform/gui/Dialog.h"

class QComboBox;
class QLineEdit;

class COptions : public CDialog {
    Q_OBJECT
public:
    explicit COptions(QWidget* parent = nullptr);

    QComboBox* m_CodeType = nullptr;
    double m_Height = 0;
    double m_LineWidth = 0;
    QString m_TestText;

    // The selected barcode type, or -1 when none is (also while the user's own text is in the field).
    int SelectedType() const;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnCommand(int id) override;
    void OnOK() override;

private:
    void OnTestPrint();
    void OnTestTextChanged();
    bool m_bTyped = false;      // the combo box's field holds typed text, so nothing is selected
    bool m_bHoldNotify = false; // members are being written into the controls
};
