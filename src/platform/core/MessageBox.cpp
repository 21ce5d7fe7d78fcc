#include "platform/core/MessageBox.h"

#include <cstdio>

namespace {
MessageBoxResponder& responder() {
    static MessageBoxResponder r;
    return r;
}
MessageBoxResponder& presenter() {
    static MessageBoxResponder p;
    return p;
}
} // namespace

QString defaultCaption() {
    return QStringLiteral("错误");
}
QString applicationName() {
    return QStringLiteral("KIV");
}

MessageBoxResponder setMessageBoxResponder(MessageBoxResponder r) {
    auto old = std::move(responder());
    responder() = std::move(r);
    return old;
}

void setMessageBoxPresenter(MessageBoxResponder p) {
    presenter() = std::move(p);
}

int closedAnswer(unsigned type) {
    return (type & 0xF) == MB_OK ? IDOK : ((type & 0xF) == MB_YESNO ? IDNO : IDCANCEL);
}

int messageBox(const QString& text, const QString& caption, unsigned type, QWidget* owner) {
    MessageBoxCall call{text, caption.isNull() ? defaultCaption() : caption, type, owner};
    if (responder())
        return responder()(call);
    if (presenter())
        return presenter()(call);
    // No window to ask in: say it where a tool's user reads, and take the answer that changes nothing.
    std::fprintf(stderr, "%s: %s\n", call.caption.toUtf8().constData(), text.toUtf8().constData());
    return closedAnswer(type);
}

int appMessageBox(const QString& text, unsigned type, QWidget* owner) {
    return messageBox(text, applicationName(), type, owner);
}
