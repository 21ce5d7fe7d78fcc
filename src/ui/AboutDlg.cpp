#include "ui/AboutDlg.h"

#include "controls/Statics.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>

const char* const kMakerWebAddress = "https://kiv.example.org/";
const char* const kSupportMailAddress = "support@kiv.example.org";

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(100, parent) {
    Builder().setFactory(
        1008, [](const DialogControl& c, QWidget* p) -> QWidget* { return new CMy_Static_1(c.text, p); });
    Builder().setFactory(
        1009, [](const DialogControl& c, QWidget* p) -> QWidget* { return new CMy_Static_1(c.text, p); });
    Builder().setFactory(
        1010, [](const DialogControl& c, QWidget* p) -> QWidget* { return new CMy_Static_3(c.text, p); });
    Builder().setFactory(1011, [](const DialogControl&, QWidget* p) -> QWidget* {
        auto* icon = new CMy_Static_2(QString(), p);
        icon->setScaledContents(true);
        icon->setPixmap(QIcon(QStringLiteral(":/icons/kiv.png")).pixmap(64, 64));
        return icon;
    });
}

void CAboutDlg::DoDataExchange(CDataExchange& dx) {
    (void)dx;
    m_WebLink = qobject_cast<CMy_Static_1*>(GetDlgItem(1008));
    m_MailLink = qobject_cast<CMy_Static_1*>(GetDlgItem(1009));
    m_Notice = qobject_cast<CMy_Static_3*>(GetDlgItem(1010));
    m_Icon = qobject_cast<CMy_Static_2*>(GetDlgItem(1011));
}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (QWidget* title = GetDlgItem(1012)) {
        m_TitleFont = title->font();
        m_TitleFont.setPixelSize(24);
        m_TitleFont.setWeight(QFont::Bold);
        title->setFont(m_TitleFont);
    }
    if (m_WebLink)
        m_WebLink->SetLinkTarget(QString::fromLatin1(kMakerWebAddress));
    if (m_MailLink)
        m_MailLink->SetLinkTarget(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMailAddress));
    return true;
}

void CAboutDlg::paintEvent(QPaintEvent*) {
    // Dark teal at the top into light green at the bottom; the statics paint no background of their own.
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0x05, 0x50, 0x54));
    gradient.setColorAt(1, QColor(0x7B, 0xF4, 0xA6));
    painter.fillRect(rect(), gradient);
}
