#pragma once
// Data exchange between a dialog's controls and its members: read the controls into the members before a
// handler acts, write the members back afterwards. A number that cannot be read is reported with the
// framework's "Enter a number." and the rest of that exchange is abandoned.
#include <QString>

class QWidget;

class CDataExchange {
public:
    CDataExchange(QWidget* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    QWidget* m_pDlgWnd;
    bool m_bSaveAndValidate; // true: controls to members
    bool m_bFailed = false;  // a control could not be read; later exchanges are skipped
};

// Text of an edit, a combo box's field or a static.
void DDX_Text(CDataExchange& dx, QWidget* control, QString& value);
// A number: written like "%.*g" with 15 digits, read like "%lf" (leading blanks skipped, the rest ignored).
void DDX_Text(CDataExchange& dx, QWidget* control, double& value);
// An integer, read like "%d".
void DDX_Text(CDataExchange& dx, QWidget* control, int& value);

// "%.*g" with precision 15, whatever the locale.
QString formatDouble15(double value);
// Reads a number as "%lf" does; false when the text holds none.
bool scanDouble(const QString& text, double& value);
bool scanInt(const QString& text, int& value);

// Shows "Enter a number." and puts the focus on the control with its text selected.
void reportNotANumber(QWidget* control);
