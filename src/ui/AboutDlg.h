#pragma once
// The about box: the program's name and version over a teal-to-green gradient, a notice line and two links.
#include "platform/gui/Dialog.h"

#include <QFont>

class CMy_Static_1;
class CMy_Static_2;
class CMy_Static_3;

// Where the links lead.
extern const char* const kMakerWebAddress;
extern const char* const kSupportMailAddress;

class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CMy_Static_1* m_WebLink = nullptr;  // 1008
    CMy_Static_1* m_MailLink = nullptr; // 1009
    CMy_Static_3* m_Notice = nullptr;   // 1010
    CMy_Static_2* m_Icon = nullptr;     // 1011
    QFont m_TitleFont;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void paintEvent(QPaintEvent* e) override;
};
