#include "ui/Content.h"
#include "platform/core/UiText.h"

#include "library/IndexFormat.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

bool isAnnotationBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The annotation edit: Enter types a blank (it would otherwise be a line break the index cannot hold), and
// the text never grows past what the record can hold; the cut falls between characters.
class CAnnotationEdit : public QLineEdit {
public:
    CAnnotationEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
        connect(this, &QLineEdit::textChanged, this, [this](const QString& t) { keepFit(t); });
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            insert(QStringLiteral(" "));
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }

private:
    void keepFit(const QString& text) {
        const QString fitted = CutToGbkBytes(BreaksToBlanks(text), kAnnotationBytes);
        if (fitted == text)
            return;
        const int cursor = std::min<int>(cursorPosition(), static_cast<int>(fitted.size()));
        setText(fitted); // calls keepFit again, which finds nothing to do
        setCursorPosition(cursor);
    }
};

} // namespace

std::string TrimAnnotation(std::string_view gbk) {
    std::size_t b = 0, e = gbk.size();
    while (b < e && isAnnotationBlank(gbk[b]))
        ++b;
    // GBK trail bytes are 0x40 or above, so a blank byte is always a blank character.
    while (e > b && isAnnotationBlank(gbk[e - 1]))
        --e;
    return std::string(gbk.substr(b, e - b));
}

QString BreaksToBlanks(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    out.replace(QChar(0x2028), u' ');
    out.replace(QChar(0x2029), u' ');
    return out;
}

QString CutToGbkBytes(const QString& text, std::size_t maxBytes) {
    if (toGbk(text).size() <= maxBytes)
        return text;
    // Add whole characters (a surrogate pair counts as one) while they fit.
    std::size_t bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype len = text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const std::size_t n = toGbk(text.mid(end, len)).size();
        if (bytes + n > maxBytes)
            break;
        bytes += n;
        end += len;
    }
    return text.left(end);
}

QString AnnotationProblem(const QString& typed) {
    if (!isGbkText(typed))
        return uiText("标注内容中有无法保存的字符（例如表情符号），请删除这些字符后再试。");
    const std::string gbk = TrimAnnotation(toGbk(typed));
    if (gbk.size() > kAnnotationBytes)
        return uiText("标注内容太长：最多32个汉字或63个英文字母数字，请删短一些。");
    if (!gbk.empty() && NormaliseContent(gbk) != gbk)
        return uiText("含有空格的标注内容不能再含有双引号(\")，请改用单引号(')。");
    return {};
}

CContent::CContent(QWidget* parent) : CDialog(133, parent) {
    Builder().setFactory(
        1005, [](const DialogControl& c, QWidget* p) -> QWidget* { return new CAnnotationEdit(c.text, p); });
}

bool CContent::OnInitDialog() {
    // The prompt is two lines in its box: let it wrap.
    for (QLabel* label : findChildren<QLabel*>())
        label->setWordWrap(true);
    // Typing goes to the annotation at once; the default button still takes Enter outside the field.
    if (QWidget* edit = GetDlgItem(1005))
        edit->setFocus(Qt::OtherFocusReason);
    return CDialog::OnInitDialog();
}

void CContent::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, GetDlgItem(1005), m_Content);
}

void CContent::OnOK() {
    if (!UpdateData(true))
        return;
    m_Content = BreaksToBlanks(m_Content);
    const QString problem = AnnotationProblem(m_Content);
    if (!problem.isEmpty()) {
        // Refuse rather than file something other than what the user sees.
        messageBox(problem, uiText("标注内容"), MB_OK | MB_ICONEXCLAMATION, this);
        if (QWidget* edit = GetDlgItem(1005))
            edit->setFocus();
        return;
    }
    EndDialog(IDOK);
}
