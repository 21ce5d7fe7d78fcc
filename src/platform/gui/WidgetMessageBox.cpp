#include "platform/gui/WidgetMessageBox.h"

#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"

#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace {

int showBox(const MessageBoxCall& call) {
    const unsigned type = call.type;
    QMessageBox box(call.owner);
    // Texts made whole by the caller are translated here; those with numbers or names in them were
    // translated before they were filled in.
    box.setWindowTitle(uiText(call.caption));
    box.setText(uiText(call.text));
    switch (type & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    // Buttons carry the platform's Chinese texts and map back to the classic results.
    struct Choice {
        QMessageBox::ButtonRole role;
        const char* text;
        int id;
    };
    std::vector<Choice> choices;
    switch (type & 0xF) {
    case MB_OKCANCEL:
        choices = {{QMessageBox::AcceptRole, "确定", IDOK}, {QMessageBox::RejectRole, "取消", IDCANCEL}};
        break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::YesRole, "是(&Y)", IDYES},
                   {QMessageBox::NoRole, "否(&N)", IDNO},
                   {QMessageBox::RejectRole, "取消", IDCANCEL}};
        break;
    case MB_YESNO:
        choices = {{QMessageBox::YesRole, "是(&Y)", IDYES}, {QMessageBox::NoRole, "否(&N)", IDNO}};
        break;
    default:
        choices = {{QMessageBox::AcceptRole, "确定", IDOK}};
        break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const auto& c : choices)
        buttons.emplace_back(box.addButton(uiText(c.text), c.role), c.id);
    box.setDefaultButton(static_cast<QPushButton*>(buttons.front().first));
    if ((type & 0xF) == MB_YESNO)
        box.setEscapeButton(buttons.back().first); // Esc answers No, as closing the box does
    box.exec();
    for (const auto& [button, id] : buttons)
        if (box.clickedButton() == button)
            return id;
    return closedAnswer(type);
}

} // namespace

void installWidgetMessageBoxes() {
    setMessageBoxPresenter(showBox);
}
