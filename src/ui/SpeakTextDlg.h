#pragma once
// The "文字转语音" dialog: lines of text, each to become one record spoken by the synthesiser, the speaking
// rate, and "试听" to hear the line under the cursor before anything is filed.
#include <QDialog>
#include <memory>

class CSoundOutput;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class CSpeakTextDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSpeakTextDlg(QWidget* parent = nullptr);
    ~CSpeakTextDlg() override;

    QString Text() const;
    int Rate() const;
    // Speaks the line under the cursor (or the first line with text); false when nothing could be heard.
    bool Listen();

    QPlainTextEdit* Edit() const { return m_Edit; }

private:
    QPlainTextEdit* m_Edit;
    QSpinBox* m_Rate;
    QPushButton* m_Listen;
    std::unique_ptr<CSoundOutput> m_Output;
};
