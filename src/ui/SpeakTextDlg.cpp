#include "ui/SpeakTextDlg.h"

#include "library/SpeakText.h"
#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"
#include "platform/gui/DialogTemplate.h"
#include "platform/sound/SoundOutput.h"
#include "platform/soundfile/Speech.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {
// The rate chosen last, kept for the next time the dialog opens.
int g_LastRate = kSpeechRateNormal;
} // namespace

CSpeakTextDlg::CSpeakTextDlg(QWidget* parent)
    : QDialog(parent), m_Edit(new QPlainTextEdit(this)), m_Rate(new QSpinBox(this)),
      m_Listen(new QPushButton(withAccelerator(QStringLiteral("试听")), this)) {
    setWindowTitle(uiText("文字转语音"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(uiText("每行文字保存成一个声音，这行文字就是它的注释："), this);
    prompt->setBuddy(m_Edit);
    layout->addWidget(prompt);
    m_Edit->setAccessibleName(uiText("要转成语音的文字"));
    m_Edit->setAccessibleDescription(prompt->text());
    m_Edit->setTabChangesFocus(true);
    m_Edit->setMinimumSize(360, 220);
    layout->addWidget(m_Edit);

    auto* row = new QHBoxLayout;
    auto* rateLabel = new QLabel(uiText("语速："), this);
    rateLabel->setBuddy(m_Rate);
    row->addWidget(rateLabel);
    m_Rate->setAccessibleName(accessibleLabel(rateLabel->text()));
    m_Rate->setRange(kSpeechRateMin, kSpeechRateMax);
    m_Rate->setSingleStep(10);
    m_Rate->setValue(g_LastRate);
    m_Rate->setSuffix(uiText(" 字/分钟"));
    row->addWidget(m_Rate);
    row->addWidget(m_Listen);
    row->addStretch(1);
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(withAccelerator(QStringLiteral("保存")), QDialogButtonBox::AcceptRole);
    buttons->addButton(uiText("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_Listen, &QPushButton::clicked, this, [this] { Listen(); });
    connect(m_Rate, &QSpinBox::valueChanged, this, [](int rate) { g_LastRate = rate; });
}

CSpeakTextDlg::~CSpeakTextDlg() = default;

QString CSpeakTextDlg::Text() const {
    return m_Edit->toPlainText();
}
int CSpeakTextDlg::Rate() const {
    return m_Rate->value();
}

bool CSpeakTextDlg::Listen() {
    QString line = m_Edit->textCursor().block().text().trimmed();
    if (line.isEmpty()) {
        const QStringList lines = SpeechLines(Text());
        if (lines.isEmpty())
            return false;
        line = lines.first();
    }
    SpeechSound speech;
    QString why;
    if (!synthesiseSpeech(line, Rate(), speech, &why)) {
        messageBox(why, QString(), MB_OK, this);
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(speech.sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!m_Output)
        m_Output = std::make_unique<CSoundOutput>();
    const QByteArray pcm(reinterpret_cast<const char*>(speech.samples.data()),
                         static_cast<qsizetype>(speech.samples.size() * sizeof(short)));
    if (!m_Output->playPcm(pcm, format)) {
        messageBox(uiText("不能播放声音，请检查声音设备。"), QString(), MB_OK, this);
        return false;
    }
    return true;
}
