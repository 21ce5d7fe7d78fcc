#include "ui/KIVDlg.h"

#include "app/Folders.h"
#include "app/StartBook.h"
#include "audio/Playback.h"
#include "controls/EditEx1.h"
#include "controls/GridListCtrlEx2.h"
#include "controls/LevelMeter.h"
#include "library/SoundLibrary.h"
#include "platform/Accessibility.h"
#include "platform/Gbk.h"
#include "platform/MenuTemplate.h"
#include "platform/MessageBox.h"
#include "platform/Trace.h"
#include "platform/UiText.h"
#include "reading/Training.h"
#include "ui/BookMenu.h"
#include "ui/BookSession.h"
#include "ui/LanguageMenu.h"
#include "ui/WindowPlace.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <unordered_set>

CKIVDlg* g_pMainDlg = nullptr;

namespace {
constexpr QRgb kDialogGrey = 0xC0C0C0;

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

// The user's place in the list: the scroll bars, the top row, the current and the selected rows, by their
// records.
struct CKIVDlg::ListPlace {
    int scroll = 0;
    int column = 0;
    std::string top;
    std::string current;
    std::unordered_set<std::string> selected;
};

CKIVDlg::CKIVDlg(QWidget* parent)
    : CDialog(102, parent), m_Client(new QWidget(this)), m_pPlayback(std::make_unique<CPlayback>()) {
    // The main window is resizable and has the usual title-bar buttons.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    m_AppIcon = QIcon(QStringLiteral(":/icons/kiv.png"));
    setAcceptDrops(true);
    m_pSession = std::make_unique<CBookSession>(
        this, CBookSession::Questions{[this] { return LetGoOfBook(); },
                                      [this](const QString& question) {
                                          return appMessageBox(question, MB_YESNO | MB_ICONQUESTION, this) ==
                                                 IDYES;
                                      },
                                      [this] { return HoldsRows(); }});
    // The rows point at records the session frees: they go first.
    connect(m_pSession.get(), &CBookSession::recordsGoing, this, [this] { ResetRecordList(); });
    connect(m_pSession.get(), &CBookSession::opened, this, [this] {
        FillRecordList();
        ShowBookAccess();
    });
    connect(m_pSession.get(), &CBookSession::reloading, this, [this] {
        KeepPlace();
        ResetRecordList();
    });
    connect(m_pSession.get(), &CBookSession::reloaded, this, [this] {
        ShowRecords();
        RestorePlace();
    });
    connect(m_pSession.get(), &CBookSession::recordsAdded, this,
            [this](const std::vector<const SOUND_RECORD*>& added) { AppendNewRecords(added); });
    connect(m_pSession.get(), &CBookSession::accessChanged, this, [this] { ShowBookAccess(); });
    Builder().setFactory(1006, [this](const DialogControl&, QWidget* parent) {
        m_RecordList = new CGridListCtrlEx2(parent);
        return m_RecordList;
    });
    Builder().setFactory(1005, [this](const DialogControl&, QWidget* parent) {
        m_KeywordEdit = new CEditEx1(parent);
        return m_KeywordEdit;
    });
}

CKIVDlg::~CKIVDlg() {
    if (m_RememberPlace && m_RecordList)
        SaveWindowPlace(this, m_RecordList);
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
}

void CKIVDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, m_KeywordEdit, m_Keyword);
}

bool CKIVDlg::OnInitDialog() {
    setWindowIcon(m_AppIcon);

    m_MainMenu = new QMenuBar(this);
    QByteArray bytes;
    MenuTemplate menu;
    if (loadMenuTemplate(130, bytes) && parseMenuTemplate(bytes, menu))
        buildMenuBar(m_MainMenu, menu);
    m_BookMenu = addBookMenu(m_MainMenu);
    addLanguageMenu(m_MainMenu);
    AddStandardShortcuts();
    connect(m_BookMenu, &QMenu::aboutToShow, this, [this] { FillRecentBooks(); });
    connect(m_MainMenu, &QMenuBar::triggered, this, [this](QAction* a) {
        if (a->data().isValid())
            postMessage(this, WM_COMMAND, static_cast<WPARAM>(a->data().toInt()), 0);
    });
    const QSize client = m_Client->size();
    resize(client.width(), client.height() + m_MainMenu->sizeHint().height());
    PlaceClient();

    g_pMainDlg = this;
    setMainWindow(this);
    presentAsMainWindow(this);
    nameControl(m_RecordList, uiText("声音列表"));

    // The sound output opens now, so that the pen's first code plays at once.
    m_pPlayback->Warm();

    m_RecordList->m_Highlight = 2;
    m_RecordList->m_Color1 = QColor(248, 244, 248);
    m_RecordList->m_Color2 = QColor(191, 252, 204);
    const DialogBaseUnits units = dialogBaseUnits(font());
    m_RecordList->InsertColumn(0, uiText("条码"), classicPixelsToPixels(45, units));
    m_RecordList->InsertColumn(1, uiText("内容"), classicPixelsToPixels(180, units));
    m_RecordList->InsertColumn(2, uiText("声音类型"), classicPixelsToPixels(60, units));
    m_RecordList->InsertColumn(3, uiText("声音文件"), classicPixelsToPixels(430, units));
    if (m_RememberPlace)
        RestoreWindowPlace(this, m_RecordList);

    m_LevelMeter = new CLevelMeter(m_Client);
    m_LevelMeter->hide();

    m_pSession->Load(StartBookFolder.empty() ? ProgramFolder : StartBookFolder);
    OpenArchiveArgument();

    postMessage(this, UM_INIT_LAYOUT);
    return true;
}

void CKIVDlg::FillRecordList() {
    // Every record shows: no search holds any more.
    m_Search.Clear();
    ShowRecords();
}

void CKIVDlg::ShowRecords() {
    ResetRecordList();
    m_Bulk = true;
    m_RecordList->Model()->BeginBulk();
    SoundLibrary().ForEachRecord([this](const SOUND_RECORD* r) {
        if (m_Search.Shows(r->Content.view()))
            AppendRecordRow(r);
    });
    m_RecordList->Model()->EndBulk();
    m_Bulk = false;
    ScrollToPendingRow();
    m_RecordList->m_HotItem = -1;
    ShowEmptyBookHint();
}

void CKIVDlg::ShowEmptyBookHint() {
    // Only an empty book gets it, not a search that found nothing.
    const bool empty =
        m_RecordList->m_FilledRows == 0 && HasSoundLibrary() && SoundLibrary().RecordCount() == 0;
    m_RecordList->SetEmptyText(
        empty ? uiText("点击“开始录音”录下第一个声音，或从“点读书”菜单导入声音文件、文字转语音。")
              : QString());
}

// --- Record-list rows --------------------------------------------------------------------------------

void CKIVDlg::ResetRecordList() {
    m_RecordList->DeleteAllItems();
    m_RecordList->m_RowCount = 4;
    m_RecordList->InsertItems(0, 4);
    m_RecordList->m_FilledRows = 0;
    m_RowOfIndex.clear();
    m_PendingVisibleRow = -1;
}

void CKIVDlg::AppendRecordRow(const SOUND_RECORD* record) {
    if (!record)
        return;
    CGridListCtrlEx2& list = *m_RecordList;
    // The list keeps one to four blank rows below the last filled one, however many records there are.
    if (list.m_FilledRows >= list.m_RowCount - 1) {
        list.InsertItems(list.m_RowCount, 4);
        list.m_RowCount += 4;
    }
    const int row = list.m_FilledRows;
    list.SetRowRecord(row, record);
    if (record->Index >= 0) {
        if (static_cast<std::size_t>(record->Index) >= m_RowOfIndex.size())
            m_RowOfIndex.resize(static_cast<std::size_t>(record->Index) + 1024, -1);
        m_RowOfIndex[static_cast<std::size_t>(record->Index)] = row;
    }
    m_PendingVisibleRow = row;
    if (!m_Bulk)
        QTimer::singleShot(0, this, [this] { ScrollToPendingRow(); });
    list.m_FilledRows += 1;
    PostRefresh();
}

void CKIVDlg::ScrollToPendingRow() {
    if (m_PendingVisibleRow >= 0)
        m_RecordList->EnsureVisible(m_PendingVisibleRow);
    m_PendingVisibleRow = -1;
}

void CKIVDlg::UpdateRecordRow(const SOUND_RECORD* record) {
    if (!record || record->Index < 0 || static_cast<std::size_t>(record->Index) >= m_RowOfIndex.size())
        return;
    const int row = m_RowOfIndex[static_cast<std::size_t>(record->Index)];
    if (row < 0 || m_RecordList->RecordOfRow(row) != record)
        return;
    // The row shows the record's own fields, which the library changed in place.
    m_RecordList->Model()->RowsChanged(row, row);
    PostRefresh();
}

void CKIVDlg::BlankRow(int row) {
    m_RecordList->Model()->BlankItem(row);
}

void CKIVDlg::PostRefresh() {
    // At most one refresh is pending: loading a million rows posts one message, not a million.
    if (m_RefreshPending)
        return;
    m_RefreshPending = true;
    postMessage(this, UM_REFRESH_CONTROLS);
}

// --- The open book ------------------------------------------------------------------------------------

bool CKIVDlg::BookChangeable() const {
    return m_pSession->Changeable();
}

void CKIVDlg::ShowBookAccess() {
    setWindowTitle(m_pSession->Caption());
    // The record button is the way to every new sound; the list's menu disables its own entries.
    if (QWidget* record = GetDlgItem(1001))
        record->setEnabled(BookChangeable() || g_bRecording);
    if (m_BookMenu)
        setBookChangeable(m_BookMenu, BookChangeable());
    if (const QString notice = m_pSession->AccessNotice(); !notice.isEmpty())
        appMessageBox(notice, MB_OK | MB_ICONINFORMATION, this);
}

bool CKIVDlg::LetGoOfBook() {
    if (!DropRecording())
        return false;
    // Nothing of the old book may sound once the new one shows.
    m_pPlayback->StopPlay();
    m_Keyword.clear();
    if (m_KeywordEdit)
        m_KeywordEdit->clear();
    return true;
}

bool CKIVDlg::HoldsRows() const {
    // A reload frees every record and renumbers the rows: not while a recording may replace a row's sound,
    // deletions wait to be made, or a menu or a dialog (other than point reading, which looks codes up
    // afresh for every scan) holds on to a row.
    const QWidget* modal = QApplication::activeModalWidget();
    const bool reading = m_pTraining && modal == m_pTraining;
    return g_bRecording || m_ReplaceCode != -1 || !m_PendingDeletes.empty() ||
           QApplication::activePopupWidget() || (modal && modal != this && !reading);
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

void CKIVDlg::KeepPlace() {
    CGridListCtrlEx2& list = *m_RecordList;
    m_pPlace = std::make_unique<ListPlace>();
    m_pPlace->scroll = list.verticalScrollBar()->value();
    m_pPlace->column = list.horizontalScrollBar()->value();
    m_pPlace->top = recordKey(list.RecordOfRow(list.rowAt(0)));
    m_pPlace->current = recordKey(list.RecordOfRow(list.GetFocusedItem()));
    for (int row = list.GetNextSelectedItem(-1); row >= 0; row = list.GetNextSelectedItem(row))
        if (const SOUND_RECORD* r = list.RecordOfRow(row))
            m_pPlace->selected.insert(recordKey(r));
}

void CKIVDlg::RestorePlace() {
    const std::unique_ptr<ListPlace> place = std::move(m_pPlace);
    CGridListCtrlEx2& list = *m_RecordList;
    int topRow = -1, currentRow = -1;
    QItemSelection selection;
    for (int row = 0; place && row < list.m_FilledRows; ++row) {
        const std::string key = recordKey(list.RecordOfRow(row));
        if (topRow < 0 && key == place->top)
            topRow = row;
        if (currentRow < 0 && key == place->current)
            currentRow = row;
        if (place->selected.count(key))
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
    else if (place)
        list.verticalScrollBar()->setValue(place->scroll);
    if (place)
        list.horizontalScrollBar()->setValue(place->column);
    list.viewport()->update();
    trace("CKIVDlg: the book changed on disk; %d records are listed\n", list.m_FilledRows);
}

// --- Search ------------------------------------------------------------------------------------------

void CKIVDlg::OnSearch() {
    UpdateData(true);
    bool ok = false;
    const std::string keywords = toGbk(m_Keyword, &ok);
    if (!ok) {
        messageBox(uiText("关键字中有不能保存的字符（例如表情符号），请修改后再查找。"));
        return;
    }
    m_Search.Split(keywords);
    ShowRecords();
}

// --- Messages and commands ---------------------------------------------------------------------------

bool CKIVDlg::OnCommand(int id) {
    WindowProc(WM_COMMAND, static_cast<WPARAM>(id), 0);
    return true;
}

void CKIVDlg::OnOK() {
    if (UpdateData(true))
        EndDialog(1);
}

LRESULT CKIVDlg::WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case UM_INIT_LAYOUT:
        m_LayoutReady = true;
        postMessage(this, WM_SIZE, 0, 0);
        return 0;
    case WM_SIZE:
        if (m_LayoutReady)
            Layout();
        return 0;
    case UM_REFRESH_CONTROLS:
        m_RefreshPending = false;
        UpdateData(false);
        ShowEmptyBookHint();
        return 0;
    case UM_RECORD_ADDED:
        AppendRecordRow(reinterpret_cast<const SOUND_RECORD*>(wParam));
        return 0;
    case UM_RECORD_UPDATED:
        UpdateRecordRow(reinterpret_cast<const SOUND_RECORD*>(wParam));
        return 0;
    case UM_PLAY_CODE:
        m_pPlayback->PlayCode(static_cast<int>(wParam));
        AnnouncePlayed(static_cast<int>(wParam));
        return 0;
    case UM_STOP_PLAY:
        return m_pPlayback->StopPlay();
    case UM_RERECORD:
        if (!BookChangeable())
            return 0;
        OnRerecord(static_cast<int>(wParam));
        return 0;
    case UM_DELETE_RECORD:
        if (!BookChangeable())
            return 0;
        OnDeleteRecord(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case UM_DELETE_PENDING:
        OnDeletePending();
        return 0;
    case UM_DELETE_ALL:
        if (!BookChangeable())
            return 0;
        OnDeleteAll();
        return 0;
    case UM_EDIT_ANNOTATION:
        OnEditAnnotation(static_cast<int>(wParam));
        return 0;
    case UM_REPLACE_SOUND:
        OnReplaceSound(static_cast<int>(wParam));
        return 0;
    case UM_COLUMN_CLICK:
    case UM_LIST_RBUTTONDOWN:
    case WM_NOTIFY:
        return 0;
    case WM_COMMAND:
        switch (static_cast<int>(wParam)) {
        case 1000:
            OnSearch();
            break;
        case 1008:
            OnTraining();
            break;
        case 1001:
            if (!g_bRecording && !BookChangeable())
                break;
            OnRecordButton();
            break;
        case 1002:
            OnPreview();
            break;
        case 1003:
            OnSaveRecording();
            break;
        case 32773:
            OnAbout();
            break;
        case 32774:
            OnOptions();
            break;
        case ID_BOOK_NEW:
            OnNewBook();
            break;
        case ID_BOOK_OPEN:
            OnOpenBook();
            break;
        case ID_BOOK_IMPORT:
            OnImportSounds();
            break;
        case ID_BOOK_SPEAK:
            OnSpeakText();
            break;
        case ID_BOOK_LABELS:
            OnPrintLabelSheets();
            break;
        case ID_BOOK_PACK:
            OnPackBook();
            break;
        case ID_LANGUAGE_CHINESE:
        case ID_LANGUAGE_ENGLISH:
            chooseLanguage(static_cast<int>(wParam));
            break;

        case 1:
        case 32776:
            OnOK();
            break;
        case 2:
            OnCancel();
            break;
        default:
            if (const int id = static_cast<int>(wParam);
                id >= ID_BOOK_RECENT_FIRST && id <= ID_BOOK_RECENT_LAST)
                OnRecentBook(id - ID_BOOK_RECENT_FIRST);
            break;
        }
        return 0;
    default:
        (void)lParam;
        return 0;
    }
}

void CKIVDlg::AddStandardShortcuts() {
    const std::pair<int, QKeySequence::StandardKey> keys[] = {{ID_BOOK_NEW, QKeySequence::New},
                                                              {ID_BOOK_OPEN, QKeySequence::Open},
                                                              {ID_BOOK_LABELS, QKeySequence::Print},
                                                              {32773, QKeySequence::HelpContents}};
    for (QAction* a : m_MainMenu->findChildren<QAction*>())
        for (const auto& [id, key] : keys)
            if (a->data().isValid() && a->data().toInt() == id)
                a->setShortcuts(key);
}

void CKIVDlg::AnnouncePlayed(int code) {
    SOUND_RECORD record;
    if (!HasSoundLibrary() || !SoundLibrary().FindRecord(code, &record))
        return;
    // A blind user hears what the pen or the list just played; the log has the focus while reading.
    QWidget* source = m_pTraining ? static_cast<CTraining*>(m_pTraining)->GetDlgItem(1006) : m_RecordList;
    announce(source, fromGbk(record.Content.view()));
}

void CKIVDlg::OnTraining() {
    CTraining dlg(this);
    // Playback logs each wave file it plays into the window while it runs.
    m_pTraining = &dlg;
    m_pPlayback->SetLogWindow(&dlg);
    dlg.DoModal();
    m_pPlayback->SetLogWindow(nullptr);
    m_pTraining = nullptr;
}

// --- Geometry ----------------------------------------------------------------------------------------

void CKIVDlg::PlaceClient() {
    const int top = m_MainMenu ? m_MainMenu->sizeHint().height() : 0;
    if (m_MainMenu)
        m_MainMenu->setGeometry(0, 0, width(), top);
    m_Client->setGeometry(0, top, width(), std::max(0, height() - top));
}

void CKIVDlg::resizeEvent(QResizeEvent* e) {
    CDialog::resizeEvent(e);
    PlaceClient();
    sendMessage(this, WM_SIZE, 0, 0);
}

void CKIVDlg::paintEvent(QPaintEvent*) {
    // The dialog's own background only; the controls keep their own colours.
    QPainter p(this);
    p.fillRect(rect(), QColor(kDialogGrey));
}

void CKIVDlg::Layout() {
    // Rectangles as the platform has them (right and bottom exclusive), in screen coordinates.
    struct R {
        int left, top, right, bottom;
        int w() const { return right - left; }
        int h() const { return bottom - top; }
    };
    const QRect frame = frameGeometry();
    const R W{frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height()};
    const QPoint O = m_Client->mapToGlobal(QPoint(0, 0));
    const int F = O.x() - W.left;
    const int Rx = W.right - F - 8;
    auto screenRect = [&](int id) {
        const QRect g = GetDlgItem(id)->geometry();
        return R{O.x() + g.x(), O.y() + g.y(), O.x() + g.x() + g.width(), O.y() + g.y() + g.height()};
    };
    auto place = [&](int id, const R& r) {
        GetDlgItem(id)->setGeometry(r.left - O.x(), r.top - O.y(), std::max(0, r.w()), std::max(0, r.h()));
    };

    R L = screenRect(1013);
    L = R{O.x() + 8, O.y() + 18, O.x() + 8 + L.w(), O.y() + 18 + L.h()};
    place(1013, L);

    R B = screenRect(1000);
    const int bTop = L.top + L.h() / 2 - B.h() / 2;
    B = R{Rx - B.w(), bTop, Rx, bTop + B.h()};
    place(1000, B);

    R E = screenRect(1005);
    const int eTop = L.top + L.h() / 2 - E.h() / 2;
    E = R{L.right + 8, eTop, B.left - 8, eTop + E.h()};
    place(1005, E);

    R P = screenRect(1008);
    P = R{L.left, W.bottom - 18 - P.h(), L.left + P.w(), W.bottom - 18};
    place(1008, P);

    R S = screenRect(1003);
    S = R{Rx - S.w(), P.bottom - S.h(), Rx, P.bottom};
    place(1003, S);

    R T = screenRect(1002);
    T = R{S.left - 16 - T.w(), S.bottom - T.h(), S.left - 16, S.bottom};
    place(1002, T);

    R Rec = screenRect(1001);
    Rec = R{T.left - 16 - Rec.w(), T.bottom - Rec.h(), T.left - 16, T.bottom};
    place(1001, Rec);

    // The level meter sits in the free stretch left of the recording button; it moves no control.
    if (m_LevelMeter) {
        const int right = Rec.left - 12;
        const int left = std::max(P.right + 12, right - m_LevelMeter->sizeHint().width());
        const int h = m_LevelMeter->sizeHint().height();
        const int top = Rec.top + Rec.h() / 2 - h / 2;
        m_LevelMeter->setGeometry(left - O.x(), top - O.y(), std::max(0, right - left), h);
    }

    place(1006, R{L.left, L.bottom + 8, S.right, S.top - 8});
    update();
}
