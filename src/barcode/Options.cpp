#include "barcode/Options.h"

#include "app/Settings.h"
#include "barcode/BarcodePrintJob.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// The settings edits keep the Enter key, so that it never presses "保存"; the test text edit takes only
// digits from the keyboard (pasted text still arrives, and the range check deals with it).
class CSettingsEdit : public QLineEdit {
public:
    CSettingsEdit(const QString& text, bool digitsOnly, QWidget* parent)
        : QLineEdit(text, parent), m_DigitsOnly(digitsOnly) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            e->accept();
            return;
        }
        if (m_DigitsOnly && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const QString t = e->text();
            if (!t.isEmpty() && t.at(0).isPrint() && !(t.size() == 1 && t.at(0) >= u'0' && t.at(0) <= u'9')) {
                e->accept();
                return;
            }
        }
        QLineEdit::keyPressEvent(e);
    }

private:
    bool m_DigitsOnly;
};

} // namespace

COptions::COptions(QWidget* parent) : CDialog(129, parent) {
    for (int id : {1005, 1006, 1007})
        Builder().setFactory(id, [id](const DialogControl& c, QWidget* p) -> QWidget* {
            return new CSettingsEdit(c.text, id == 1007, p);
        });
}

int COptions::SelectedType() const {
    if (!m_CodeType || m_bTyped)
        return -1;
    return m_CodeType->currentIndex();
}

void COptions::DoDataExchange(CDataExchange& dx) {
    m_CodeType = qobject_cast<QComboBox*>(GetDlgItem(1004));
    DDX_Text(dx, GetDlgItem(1005), m_Height);
    DDX_Text(dx, GetDlgItem(1006), m_LineWidth);
    DDX_Text(dx, GetDlgItem(1007), m_TestText);
}

bool COptions::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_CodeType) {
        m_CodeType->setInsertPolicy(QComboBox::NoInsert);
        // The template's height is that of the dropped list; the box itself is one line high.
        m_CodeType->resize(m_CodeType->width(), m_CodeType->sizeHint().height());
        for (const char* name : {"CODE 39", "CODE 128A", "CODE 128B", "CODE 128C"})
            m_CodeType->addItem(QString::fromLatin1(name));
        const int type = BarcodeSettings.CodeType;
        m_CodeType->setCurrentIndex(type >= 0 && type <= 3 ? type : -1);
        m_bTyped = false;
        // Typing into the field leaves no item selected; picking an item selects it again.
        if (QLineEdit* field = m_CodeType->lineEdit())
            connect(field, &QLineEdit::textEdited, this, [this] { m_bTyped = true; });
        connect(m_CodeType, &QComboBox::activated, this, [this] { m_bTyped = false; });
    }
    m_Height = BarcodeSettings.Height;
    m_LineWidth = BarcodeSettings.LineWidth;
    m_TestText = QStringLiteral("123456");
    m_bHoldNotify = true;
    UpdateData(false);
    m_bHoldNotify = false;
    if (auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(1007)))
        connect(edit, &QLineEdit::textChanged, this, [this] { OnTestTextChanged(); });
    return true;
}

bool COptions::OnCommand(int id) {
    if (id == 1000) {
        OnTestPrint();
        return true;
    }
    return false;
}

void COptions::OnTestPrint() {
    UpdateData(true); // an unreadable number was reported; the print goes on with the values held before
    if (SelectedType() == -1) {
        appMessageBox(QStringLiteral("请选择编码方式"), MB_OK, this);
        return;
    }
    // The dialog's own height and width, not the stored ones: the point is to try them before saving.
    BarcodePrintJob job;
    if (job.BeginJob(m_Height, m_LineWidth)) {
        const std::string text = toGbk(m_TestText);
        for (int type = 0; type <= 3; ++type)
            job.AddBarcode(text, type);
    }
    job.FlushRow();
}

void COptions::OnTestTextChanged() {
    if (m_bHoldNotify)
        return;
    UpdateData(true);
    // atoi's reading, saturating instead of overflowing, so a long run of digits is out of range too.
    const int value = IniToInt(toGbk(m_TestText));
    if (value < 0 || value > 999999) {
        m_TestText.clear();
        m_bHoldNotify = true;
        UpdateData(false);
        m_bHoldNotify = false;
    }
}

void COptions::OnOK() {
    // Store nothing unless every edit could be read: a half-read dialog would save a mix of new and old
    // values. The unreadable edit has been reported and holds the focus.
    if (!UpdateData(true))
        return;
    const int type = SelectedType();
    if (type == -1)
        return;
    BarcodeSettings.CodeType = type > 3 ? 3 : type;
    BarcodeSettings.Height = m_Height;
    BarcodeSettings.LineWidth = m_LineWidth;
    SaveIniFile(&BarcodeSettings);
    EndDialog(IDOK);
}
