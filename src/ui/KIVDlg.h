#pragma once
// The main window: the record list of the library, the search by annotation keywords, the recording
// buttons, and the receiver of every message the program's parts send each other. Its handlers are thin:
// the open book is the book session's (BookSession.h), the take the recording cell's (RecordingWorkflow.h).
#include "library/KeywordSearch.h"
#include "platform/gui/Dialog.h"
#include "ui/RecordingWorkflow.h"

#include <QIcon>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class CBookSession;
class CEditEx1;
class CLevelMeter;
class CPlayback;
class CGridListCtrlEx2;
class QMenu;
class QMenuBar;
struct SOUND_RECORD;

class CKIVDlg : public CDialog {
    Q_OBJECT
public:
    explicit CKIVDlg(QWidget* parent = nullptr);
    ~CKIVDlg() override;
    // The window comes back where the user left it, and is kept there when it goes (the program's own
    // window; not the ones tests make).
    void RememberPlace() { m_RememberPlace = true; }

    void OnSearch();
    // "进入点读": runs the point-reading window until it closes.
    void OnTraining();

    CGridListCtrlEx2* RecordList() const { return m_RecordList; }
    CEditEx1* KeywordEdit() const { return m_KeywordEdit; }
    QMenuBar* MainMenu() const { return m_MainMenu; }
    QMenu* BookMenu() const { return m_BookMenu; }
    bool LayoutReady() const { return m_LayoutReady; }
    CPlayback& Playback() { return *m_pPlayback; }
    CLevelMeter* LevelMeter() const { return m_LevelMeter; }
    // The point-reading window while it runs.
    QObject* Training() const { return m_pTraining; }
    // The code whose sound the next take replaces, -1 when none.
    int ReplaceCode() const { return m_pRecording->ReplaceCode(); }
    // A stopped take that was neither filed nor replaced a sound: switching books or quitting asks first.
    void SetUnsavedRecording(bool unsaved) { m_pRecording->SetUnsaved(unsaved); }

    // The recording workflow.
    void OnRecordButton();  // 1001: start, or stop a running recording
    void OnPreview();       // 1002
    void OnSaveRecording(); // 1003: annotate, file, offer the barcode
    void OnRerecord(int code);
    void OnDeleteRecord(int code, int row);
    void OnDeletePending(); // the rows gathered by OnDeleteRecord, in one rewrite of the index
    void OnDeleteAll();
    // Looking after the record with that Index; nothing when the book is read-only.
    void OnEditAnnotation(int index);
    void OnReplaceSound(int index);
    void OnAbout();   // 32773
    void OnOptions(); // 32774
    // The "点读书" popup.
    void OnNewBook();
    void OnOpenBook();
    // One of the recent books the popup lists (0 the newest).
    void OnRecentBook(int i);
    // Opens the book in the folder (native path) the way start-up does: playback stops, a recording not yet
    // saved is dropped after asking. False, after telling the user why, when the old book stays open.
    bool OpenBook(const QString& nativeFolder);
    void OnImportSounds();
    // A whole book as one file: packs the open book; unpacks an archive (native path) into a folder the
    // user agrees to, and opens it.
    void OnPackBook();
    bool OpenBookArchive(const QString& archive);
    void OnSpeakText();
    void OnPrintLabelSheets();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnCommand(int id) override;
    LRESULT WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;
    QWidget* ClientWidget() override { return m_Client; }
    void OnOK() override;
    // Esc, the close button: asks first when a take would be lost.
    void OnCancel() override;

    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    // Sound files and folders dropped on the window are imported.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    struct ListPlace;

    void Layout();
    void PlaceClient();
    // Record-list rows.
    void ResetRecordList();
    void AppendRecordRow(const SOUND_RECORD* record);
    void UpdateRecordRow(const SOUND_RECORD* record);
    void BlankRow(int row);
    void FillRecordList();
    // Fills the list with the records the last search's keywords match (every record without keywords).
    void ShowRecords();
    // What the book session says: records another program filed, or every record read again with the
    // user's place in the list kept.
    void AppendNewRecords(const std::vector<const SOUND_RECORD*>& added);
    void KeepPlace();
    void RestorePlace();
    // "（只读）" in the caption and the change commands disabled when the book may only be played; says why
    // when the user is to be told.
    void ShowBookAccess();
    bool BookChangeable() const;
    // Lets go of the open book before another opens: drops the take after asking, stops the sound, forgets
    // the search. False when the user keeps the take.
    bool LetGoOfBook();
    // True while something holds on to records or rows, so that the book is not read again now.
    bool HoldsRows() const;
    // Opens the archive the command line names.
    void OpenArchiveArgument();
    // Imports the sound files among the paths (folders searched through), with progress and one summary.
    void ImportPaths(const QStringList& paths);
    void FillRecentBooks();
    void PostRefresh();
    void ScrollToPendingRow();
    // The first steps, in the list of an empty book.
    void ShowEmptyBookHint();
    // Ctrl+N, Ctrl+O, Ctrl+P and F1 on their menu entries.
    void AddStandardShortcuts();
    // Tells a screen reader the annotation of the sound a code played.
    void AnnouncePlayed(int code);
    // After a refused delete: when another program changed the index, says so and reloads; true then.
    bool RefuseStaleDelete();

    QWidget* m_Client;
    QMenuBar* m_MainMenu = nullptr;
    QMenu* m_BookMenu = nullptr;
    CGridListCtrlEx2* m_RecordList = nullptr;
    CEditEx1* m_KeywordEdit = nullptr;
    CLevelMeter* m_LevelMeter = nullptr;
    bool m_LayoutReady = false;
    bool m_RememberPlace = false;
    bool m_RefreshPending = false;
    int m_PendingVisibleRow = -1;
    bool m_Bulk = false;
    QIcon m_AppIcon;
    CKeywordSearch m_Search;                          // the keywords of the last search
    std::unique_ptr<CPlayback> m_pPlayback;           // the playback state; destroying it stops the sound
    std::unique_ptr<CRecordingWorkflow> m_pRecording; // the recording cell
    std::unique_ptr<CBookSession> m_pSession;         // the open book
    std::unique_ptr<ListPlace> m_pPlace; // the user's place in the list while the book is read again
    QString m_Keyword;
    QObject* m_pTraining = nullptr; // the point-reading window while it runs
    std::vector<int> m_RowOfIndex;  // row showing the record with that Index, or -1
    QStringList m_RecentBooks;      // as the popup lists them
    static constexpr unsigned UM_DELETE_PENDING = 0x9495;
    struct PendingDelete {
        int index; // the record's Index
        int row;
    };
    std::vector<PendingDelete> m_PendingDeletes;
};

// The main window while it exists.
extern CKIVDlg* g_pMainDlg;
