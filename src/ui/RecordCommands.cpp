// Looking after a filed record from the list: a new annotation (修改标注...) and a sound from a file
// (用声音文件替换...). The code stays, so a label already stuck in the paper book keeps working.
#include "ui/KIVDlg.h"

#include "library/ReplaceSound.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/UiText.h"
#include "ui/Content.h"

#include <QFile>
#include <QFileDialog>

void CKIVDlg::OnEditAnnotation(int index) {
    if (!BookChangeable() || !SoundLibrary().RecordByIndex(index))
        return;
    CContent dlg(this);
    dlg.m_Content = fromGbk(SoundLibrary().RecordByIndex(index)->Content.view());
    if (dlg.DoModal() != IDOK)
        return;
    // The dialog ran a message loop: look the record up again rather than trust what was read before.
    const SOUND_RECORD* record = SoundLibrary().RecordByIndex(index);
    const std::string content = TrimAnnotation(toGbk(dlg.m_Content));
    if (!record || record->Content == NormaliseContent(content))
        return;
    QString whyNot;
    if (!SoundLibrary().ChangeAnnotation(record, content, &whyNot))
        messageBox(whyNot, uiText("修改标注"), MB_OK | MB_ICONEXCLAMATION, this);
}

void CKIVDlg::OnReplaceSound(int index) {
    if (!BookChangeable() || !SoundLibrary().RecordByIndex(index))
        return;
    const QString file = QFileDialog::getOpenFileName(
        this, uiText("用声音文件替换"), QString(),
        uiText("声音文件 (*.wav *.mp3 *.flac *.ogg *.oga *.opus *.aif *.aiff *.au);;所有文件 (*)"));
    const SOUND_RECORD* record = SoundLibrary().RecordByIndex(index);
    if (file.isEmpty() || !record)
        return;
    // The sound playing may be the one replaced: it stops, and the new one plays once it is in place.
    sendMessage(this, UM_STOP_PLAY, 0, 0);
    QString whyNot;
    if (!ReplaceSoundFromFile(SoundLibrary(), record, QFile::encodeName(file).toStdString(), g_ReadyChoice,
                              &whyNot)) {
        messageBox(whyNot, uiText("用声音文件替换"), MB_OK | MB_ICONEXCLAMATION, this);
        return;
    }
    postMessage(this, UM_PLAY_CODE, static_cast<WPARAM>(CodeNumber(record->Code)), 0);
}
