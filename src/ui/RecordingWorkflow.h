#pragma once
// The main window's recording cell: a take is recorded, stopped, previewed and filed under a new code (its
// barcode offered), or replaces the sound of a code being recorded again. The buttons 1001-1003 and the
// level meter follow it; a take neither filed nor put in place of a sound is remembered, so that nothing
// throws it away unasked.
#include <QObject>

class CDialog;
class CLevelMeter;
class CPlayback;
class QTimer;

// 1 while a recording runs.
extern int g_bRecording;

class CRecordingWorkflow : public QObject {
public:
    // window: holds the buttons and owns the dialogs; playback stops when a recording starts.
    CRecordingWorkflow(CDialog* window, CPlayback& playback);
    void SetLevelMeter(CLevelMeter* meter) { m_LevelMeter = meter; }

    // 1001: starts a recording, or stops the one running (then offers to replace the sound it was for).
    void StartOrStop();
    // 1002
    void Preview();
    // 1003: annotates and files the take, then offers its barcode.
    void Save();
    // Deletes the sound of the record with that Index (which has that code) after asking, and records the
    // one to replace it.
    void Rerecord(int code, int index);
    // Ends the cell before the book changes; asks first when a take would be lost. False when the user
    // keeps it.
    bool Drop();
    // A recording runs, or a stopped take was neither filed nor put in place of a sound.
    bool HoldsTake() const { return g_bRecording || m_Unsaved; }
    // The code whose sound the next take replaces, -1 when none.
    int ReplaceCode() const { return m_ReplaceCode; }
    void SetUnsaved(bool unsaved) { m_Unsaved = unsaved; }

private:
    void ShowLevelMeter(bool show);
    // Asks before a silent take is saved; true to go on.
    bool ConfirmAudibleTake();
    void SetButtonText(int id, const char* utf8);
    void EnableButton(int id, bool enable);
    void EndReplace();

    CDialog* m_Window;
    CPlayback& m_Playback;
    CLevelMeter* m_LevelMeter = nullptr;
    QTimer* m_LevelTimer = nullptr;
    int m_ReplaceCode = -1;
    int m_ReplaceIndex = -1; // Index of the record m_ReplaceCode names (the row's, when numbers repeat)
    bool m_Unsaved = false;  // a stopped take that was neither filed nor replaced a sound
};
