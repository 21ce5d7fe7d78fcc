#pragma once
// Message boxes. Tests install a responder that records every prompt and answers it, so no box is shown.
// This part needs no widgets: the windowed program installs the real boxes (installWidgetMessageBoxes in
// platform/gui/WidgetMessageBox.h); without them a box is written to standard error and answered as closing
// it would answer it.
#include <QString>
#include <functional>

class QWidget;

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The caption a box gets when its caller names none, as on a Chinese system.
QString defaultCaption();
// The application's name, the caption of the framework's own boxes.
QString applicationName();

struct MessageBoxCall {
    QString text;
    QString caption;
    unsigned type = MB_OK;
    QWidget* owner = nullptr;
};

// Shows a modal box; a null caption means the default caption. Returns IDOK, IDCANCEL, IDYES or IDNO.
int messageBox(const QString& text, const QString& caption = QString(), unsigned type = MB_OK,
               QWidget* owner = nullptr);
// The framework's application box: caption is the application's name.
int appMessageBox(const QString& text, unsigned type = MB_OK, QWidget* owner = nullptr);

using MessageBoxResponder = std::function<int(const MessageBoxCall&)>;
// Installs a responder (an empty one restores real boxes); returns the previous one.
MessageBoxResponder setMessageBoxResponder(MessageBoxResponder responder);

// The boxes shown when no responder is installed (the real ones, or none: then standard error).
void setMessageBoxPresenter(MessageBoxResponder presenter);
// What closing the box without choosing answers: IDOK for MB_OK, IDNO for MB_YESNO, else IDCANCEL.
int closedAnswer(unsigned type);
