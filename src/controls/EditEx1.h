#pragma once
// The keyword edit of the main window: Enter runs the search (the main window's command 1000) and goes no
// further, so it never reaches the dialog's default button.
#include <QLineEdit>

class CEditEx1 : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};
