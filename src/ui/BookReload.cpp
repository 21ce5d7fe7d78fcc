// The main window follows changes to its book made by another program: records filed by another copy or by
// kivtool show in the list without a restart, and a copy that could only play the book may change it once
// the other program lets go.
#include "ui/KIVDlg.h"

#include "audio/Playback.h"
#include "controls/GridListCtrlEx2.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"
#include "platform/Trace.h"
#include "ui/BookWatch.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalBlocker>
#include <string>
#include <unordered_set>

namespace {
// What tells a record apart across a reload, which renumbers every record's Index.
std::string recordKey(const SOUND_RECORD* r) {
    if (!r)
        return {};
    std::string key = r->Code.str();
    key += '\0';
    key += r->Content.view();
    key += '\0';
    key += r->SoundFile.view();
    return key;
}
} // namespace

void CKIVDlg::WatchBook() {
    if (!m_pBookWatch)
        m_pBookWatch = new CBookWatch(this, [this] { return LookAtBook(); });
    const std::string& folder = SoundLibrary().LibraryFolder();
    m_pBookWatch->Watch(folder.empty() ? QString() : QString::fromStdString(nativePath(folder)),
                        QString::fromStdString(nativePath(SoundLibrary().IndexPath())));
}

bool CKIVDlg::LookAtBook() {
    // A reload frees every record and renumbers the rows: not while a recording may replace a row's sound,
    // deletions wait to be made, or a menu or a dialog (other than point reading, which looks codes up
    // afresh for every scan) holds on to a row.
    const QWidget* modal = QApplication::activeModalWidget();
    const bool reading = m_pTraining && modal == m_pTraining;
    if (g_bRecording || m_ReplaceCode != -1 || !m_PendingDeletes.empty() ||
        QApplication::activePopupWidget() || (modal && modal != this && !reading))
        return false;
    CSoundLibrary& library = SoundLibrary();
    const bool retaken = library.BookAccess() == CSoundLibrary::Access::LockedByOther && library.RetakeLock();
    // Another program filing records only appends: their rows are added, and a big book is not read again.
    if (std::vector<const SOUND_RECORD*> added; library.IndexChangedOnDisk()) {
        if (library.LoadAppendedRecords(added))
            AppendNewRecords(added);
        else
            ReloadRecords();
    }
    if (retaken) {
        trace("CKIVDlg: the other program let the book go; it can be changed here now\n");
        ApplyBookAccess();
    }
    return true;
}

void CKIVDlg::AppendNewRecords(const std::vector<const SOUND_RECORD*>& added) {
    // Rows are only added below: the user's place, selection and hot row stay, and nothing scrolls.
    m_Bulk = true;
    for (const SOUND_RECORD* r : added)
        if (m_Search.Shows(r->Content.view()))
            AppendRecordRow(r);
    m_Bulk = false;
    m_PendingVisibleRow = -1;
    if (!added.empty())
        trace("CKIVDlg: another program filed %zu records; %d records are listed\n", added.size(),
              m_RecordList->m_FilledRows);
}

void CKIVDlg::ReloadRecords() {
    CGridListCtrlEx2& list = *m_RecordList;
    QScrollBar* bar = list.verticalScrollBar();
    // The user's place: the top row, the current and the selected rows, by their records.
    const int oldValue = bar->value();
    const int oldColumn = list.horizontalScrollBar()->value();
    const std::string top = recordKey(list.RecordOfRow(list.rowAt(0)));
    const std::string current = recordKey(list.RecordOfRow(list.GetFocusedItem()));
    std::unordered_set<std::string> selected;
    for (int row = list.GetNextSelectedItem(-1); row >= 0; row = list.GetNextSelectedItem(row))
        if (const SOUND_RECORD* r = list.RecordOfRow(row))
            selected.insert(recordKey(r));

    // The rows point at records the reload frees: they go first. A reload only reads.
    ResetRecordList();
    SoundLibrary().LoadIndex();
    ShowRecords();

    int topRow = -1, currentRow = -1;
    QItemSelection selection;
    for (int row = 0; row < list.m_FilledRows; ++row) {
        const std::string key = recordKey(list.RecordOfRow(row));
        if (topRow < 0 && key == top)
            topRow = row;
        if (currentRow < 0 && key == current)
            currentRow = row;
        if (selected.count(key))
            selection.select(list.Model()->index(row, 0),
                             list.Model()->index(row, list.Model()->columnCount() - 1));
    }
    {
        // Selecting a row plays it: the rows given back their selection stay quiet.
        QSignalBlocker quiet(list.selectionModel());
        list.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (currentRow >= 0)
            list.selectionModel()->setCurrentIndex(list.Model()->index(currentRow, 0),
                                                   QItemSelectionModel::NoUpdate);
    }
    // As after every refill, no row is hot: the next click on the current row plays it.
    list.m_HotItem = -1;
    list.doItemsLayout();
    if (topRow >= 0)
        list.scrollTo(list.Model()->index(topRow, 0), QAbstractItemView::PositionAtTop);
    else
        bar->setValue(oldValue);
    list.horizontalScrollBar()->setValue(oldColumn);
    list.viewport()->update();
    trace("CKIVDlg: the book changed on disk; %d records are listed\n", list.m_FilledRows);
}
