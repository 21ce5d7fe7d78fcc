#include "controls/GridListCtrlEx2.h"

#include "app/Settings.h"
#include "barcode/BarcodePrintJob.h"
#include "barcode/BookLabels.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

CGridListCtrlEx2::CGridListCtrlEx2(QWidget* parent) : CGridListCtrl(parent) {
    Model()->SetTextProvider([](quintptr data, int column) -> QString {
        if (!HasSoundLibrary())
            return {};
        const SOUND_RECORD* r = SoundLibrary().RecordByIndex(static_cast<int>(data - 1));
        if (!r)
            return {};
        switch (column) {
        case 0:
            return fromGbk(r->Code.view());
        case 1:
            return fromGbk(r->Content.view());
        case 2:
            return fromGbk(r->SoundType.view());
        case 3:
            return fromGbk(r->SoundFile.view());
        default:
            return {};
        }
    });
    // Every row that loses or gains the selection or becomes current is an item change that names that row,
    // the rows left first.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                for (const QItemSelection* s : {&deselected, &selected})
                    for (const QItemSelectionRange& r : *s)
                        for (int row = r.top(); row <= r.bottom(); ++row)
                            OnItemChanged(row);
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    OnItemChanged(current.row());
            });
}

void CGridListCtrlEx2::SetRowRecord(int row, const SOUND_RECORD* record) {
    SetItemData(row, record ? static_cast<quintptr>(record->Index) + 1 : 0);
}

const SOUND_RECORD* CGridListCtrlEx2::RecordOfRow(int row) const {
    const quintptr data = GetItemData(row);
    if (!data || !HasSoundLibrary())
        return nullptr;
    return SoundLibrary().RecordByIndex(static_cast<int>(data - 1));
}

int CGridListCtrlEx2::CodeOfRow(int row) const {
    const SOUND_RECORD* r = RecordOfRow(row);
    return r ? CodeNumber(r->Code.view()) : -1;
}

void CGridListCtrlEx2::OnItemChanged(int row) {
    if (row == m_HotItem)
        return;
    if (!m_PlayPending) {
        // One user action (a Shift+click over a thousand rows) changes many rows in one turn of the event
        // loop: it plays once, the row that ends up hot, when the turn is over.
        m_PlayPending = true;
        m_HotBefore = m_HotItem;
        QMetaObject::invokeMethod(
            this, [this] { PlayHotItem(); }, Qt::QueuedConnection);
    }
    m_HotItem = row;
}

void CGridListCtrlEx2::PlayHotItem() {
    m_PlayPending = false;
    const int row = m_HotItem;
    if (row != m_HotBefore && row >= 0 && row < GetItemCount() && RecordOfRow(row))
        postMessage(mainWindow(), UM_PLAY_CODE, static_cast<WPARAM>(CodeOfRow(row)), 0);
}

void CGridListCtrlEx2::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier) {
        e->accept();
        m_MenuFromKeyboard = true;
        OnContextMenu();
        return;
    }
    // Delete is the menu's 删除, on the same rows and with the same questions.
    if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier) {
        e->accept();
        const bool changeable = !HasSoundLibrary() || !SoundLibrary().IsReadOnly();
        if (changeable && GetSelectedCount() > 0 && !GetItemText(m_HotItem, 0).isEmpty())
            OnCommand(ID_DELETE);
        return;
    }
    CGridListCtrl::keyPressEvent(e);
}

void CGridListCtrlEx2::contextMenuEvent(QContextMenuEvent* e) {
    e->accept();
    m_MenuFromKeyboard = e->reason() == QContextMenuEvent::Keyboard;
    OnContextMenu();
}

void CGridListCtrlEx2::OnContextMenu() {
    if (!m_MenuLoaded) {
        m_MenuLoaded = true;
        m_Menu.LoadFromResource(134);
        m_Menu.m_hOwner = this;
        if (CMy_Menu_1* popup = m_Menu.LookupByHandle(m_Menu.GetSubMenu(0)))
            popup->InsertItemAfter(ID_PRINT, QStringLiteral("打印标签页..."), ID_PRINT_LABELS);
        if (CMy_Menu_1* popup = m_Menu.LookupByHandle(m_Menu.GetSubMenu(0))) {
            popup->AppendItem(QString(), MF_SEPARATOR, 0);
            popup->AppendItem(QStringLiteral("修改标注..."), MF_STRING, ID_EDIT_ANNOTATION);
            popup->AppendItem(QStringLiteral("用声音文件替换..."), MF_STRING, ID_REPLACE_SOUND);
        }
    }
    CMy_Menu_1* popup = m_Menu.LookupByHandle(m_Menu.GetSubMenu(0));
    if (!popup)
        return;
    const int selected = GetSelectedCount();
    if (selected == 0)
        return;
    if (GetItemText(m_HotItem, 0).isEmpty())
        return;
    // A read-only book plays and prints, but offers nothing that would change it.
    const bool changeable = !HasSoundLibrary() || !SoundLibrary().IsReadOnly();
    popup->EnableMenuItem(ID_PLAY, selected == 1);
    popup->EnableMenuItem(ID_RERECORD, selected == 1 && changeable);
    popup->EnableMenuItem(ID_DELETE, changeable);
    popup->EnableMenuItem(ID_DELETE_ALL, changeable);
    popup->EnableMenuItem(ID_EDIT_ANNOTATION, selected == 1 && changeable);
    popup->EnableMenuItem(ID_REPLACE_SOUND, selected == 1 && changeable);
    const int chosen = popup->TrackPopupMenu(MenuPoint());
    if (chosen)
        OnCommand(chosen);
}

void CGridListCtrlEx2::OnCommand(int id) {
    switch (id) {
    case ID_PLAY:
        if (m_HotItem >= 0 && m_HotItem < GetItemCount() && RecordOfRow(m_HotItem))
            postMessage(mainWindow(), UM_PLAY_CODE, static_cast<WPARAM>(CodeOfRow(m_HotItem)), 0);
        break;
    case ID_STOP:
        postMessage(mainWindow(), UM_STOP_PLAY, 0, 0);
        break;
    case ID_PRINT:
        PrintSelected();
        break;
    case ID_PRINT_LABELS:
        ShowLabelSheets(LabelChoice::Selected);
        break;
    case ID_RERECORD:
        if (GetSelectedCount() == 1 && RecordOfRow(m_HotItem))
            postMessage(mainWindow(), UM_RERECORD, static_cast<WPARAM>(CodeOfRow(m_HotItem)), 0);
        break;
    case ID_DELETE: {
        const int n = GetSelectedCount();
        int row = -1;
        for (int i = 0; i < n; ++i) {
            row = GetNextSelectedItem(row);
            if (row < 0)
                break;
            if (RecordOfRow(row))
                postMessage(mainWindow(), UM_DELETE_RECORD, static_cast<WPARAM>(CodeOfRow(row)), row);
        }
        break;
    }
    case ID_DELETE_ALL:
        postMessage(mainWindow(), UM_DELETE_ALL, 0, 0);
        break;
    case ID_EDIT_ANNOTATION:
        if (GetSelectedCount() == 1)
            PostRecordCommand(UM_EDIT_ANNOTATION, m_HotItem);
        break;
    case ID_REPLACE_SOUND:
        if (GetSelectedCount() == 1)
            PostRecordCommand(UM_REPLACE_SOUND, m_HotItem);
        break;
    default:
        break;
    }
}

void CGridListCtrlEx2::PostRecordCommand(unsigned msg, int row) {
    if (row < 0 || row >= GetItemCount())
        return;
    if (const SOUND_RECORD* r = RecordOfRow(row))
        postMessage(mainWindow(), msg, static_cast<WPARAM>(r->Index), 0);
}

bool CGridListCtrlEx2::OnKeyDown(QKeyEvent* e) {
    if (e->key() == Qt::Key_F2 && e->modifiers() == Qt::NoModifier) {
        PostRecordCommand(UM_EDIT_ANNOTATION, GetFocusedItem());
        return true;
    }
    return CGridListCtrl::OnKeyDown(e);
}

void CGridListCtrlEx2::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton && columnAt(p.x()) == 1)
        PostRecordCommand(UM_EDIT_ANNOTATION, rowAt(p.y()));
    CGridListCtrl::mouseDoubleClickEvent(e);
}

void CGridListCtrlEx2::PrintSelected() {
    const int n = GetSelectedCount();
    if (n == 0)
        return;
    BarcodePrintJob job;
    if (job.BeginJob(BarcodeSettings.Height, BarcodeSettings.LineWidth)) {
        int row = -1;
        for (int i = 0; i < n; ++i) {
            row = GetNextSelectedItem(row);
            if (row < 0)
                break;
            const SOUND_RECORD* r = RecordOfRow(row);
            if (r && static_cast<unsigned>(BarcodeSettings.CodeType) <= 3)
                job.AddBarcode(r->Code.str(), BarcodeSettings.CodeType);
        }
    }
    job.FlushRow();
}

void CGridListCtrlEx2::ShowLabelSheets(LabelChoice first) {
    std::vector<CLabel> selected;
    const int n = GetSelectedCount();
    int row = -1;
    for (int i = 0; i < n; ++i) {
        row = GetNextSelectedItem(row);
        if (row < 0)
            break;
        if (const SOUND_RECORD* r = RecordOfRow(row))
            selected.push_back({r->Code.str(), fromGbk(r->Content.view())});
    }
    ShowLabelSheetDialog(HasSoundLibrary() ? BookLabels(SoundLibrary()) : std::vector<CLabel>(),
                         std::move(selected), first, this);
}
