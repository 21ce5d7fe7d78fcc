#include "ui/KIVDlg.h"

#include "app/Folders.h"
#include "app/RecentBooks.h"
#include "app/Settings.h"
#include "app/StartBook.h"
#include "audio/Playback.h"
#include "barcode/Options.h"
#include "controls/EditEx1.h"
#include "controls/GridListCtrlEx2.h"
#include "controls/LevelMeter.h"
#include "library/BookArchive.h"
#include "library/ImportSounds.h"
#include "library/ReplaceSound.h"
#include "library/SoundLibrary.h"
#include "library/SpeakText.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Messages.h"
#include "platform/core/Trace.h"
#include "platform/core/UiText.h"
#include "platform/gui/Accessibility.h"
#include "platform/gui/MenuTemplate.h"
#include "reading/Training.h"
#include "ui/AboutDlg.h"
#include "ui/BookArchiveCommands.h"
#include "ui/BookMenu.h"
#include "ui/BookSession.h"
#include "ui/Content.h"
#include "ui/FillBatch.h"
#include "ui/FolderChooser.h"
#include "ui/LanguageMenu.h"
#include "ui/SpeakTextDlg.h"
#include "ui/WindowPlace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
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
    m_pRecording = std::make_unique<CRecordingWorkflow>(this, *m_pPlayback);
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
    m_pRecording->SetLevelMeter(m_LevelMeter);

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

// --- The open book -----------------------------------------------------------------------------------

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
    if (!m_pRecording->Drop())
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
    return g_bRecording || m_pRecording->ReplaceCode() != -1 || !m_PendingDeletes.empty() ||
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

// --- Book commands -----------------------------------------------------------------------------------

// The "点读书" popup: make a new book, open one, open a recent one.
namespace {

// The book folder the user picks (a chosen index file stands for its folder); empty when cancelled or, after
// saying why, when it cannot hold a book.
QString chooseBookFolder(QWidget* parent, const QString& title, QString chosen = QString()) {
    if (chosen.isEmpty())
        chosen = ChooseFolder(parent, title);
    if (chosen.isEmpty())
        return {};
    const QString folder = BookFolderOf(chosen);
    if (const QString problem = BookFolderProblem(folder); !problem.isEmpty()) {
        messageBox(problem);
        return {};
    }
    return folder;
}

// The index of an empty book: a folder holding it is a book, also before the first recording.
bool makeBook(const QString& folder) {
    if (atomicReplace((folder + QString::fromLatin1(kIndexFileName)).toStdString(), {}))
        return true;
    messageBox(uiText("不能在文件夹 \"%1\" 中建立点读书！").arg(folder));
    return false;
}

// Files the user can see (hidden ones are the desktop's business).
bool isEmptyFolder(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

void CKIVDlg::OnNewBook() {
    const QString folder = chooseBookFolder(this, uiText("新建点读书：选择或新建一个空文件夹"));
    if (folder.isEmpty())
        return;
    if (HoldsBook(folder)) {
        if (appMessageBox(uiText("文件夹 \"%1\" 中已经有一本点读书，是否打开它？").arg(folder), MB_YESNO) ==
            IDYES)
            OpenBook(folder);
        return;
    }
    if (!isEmptyFolder(folder)) {
        messageBox(uiText("文件夹 \"%1\" 不是空的，请选择或新建一个空文件夹。").arg(folder));
        return;
    }
    // The recording is dropped before the book is made, so a "no" leaves no empty book behind.
    if (m_pRecording->Drop() && makeBook(folder))
        OpenBook(folder);
}

void CKIVDlg::OnOpenBook() {
    const QString title = uiText("打开点读书");
    // A book's index or a whole book in one file; a folder can be typed or reached through its index.
    const QString chosen =
        ChooseOpenFile(this, title, uiText("点读书 (KIV_Lib.cfg *.kivbook *.zip);;所有文件 (*)"));
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).isFile() && IsBookArchive(QFile::encodeName(chosen).toStdString())) {
        OpenBookArchive(chosen);
        return;
    }
    const QString folder = chooseBookFolder(this, title, chosen);
    if (folder.isEmpty())
        return;
    if (!HoldsBook(folder)) {
        if (appMessageBox(uiText("文件夹 \"%1\" 中没有点读书。是否在这里新建一本点读书？").arg(folder),
                          MB_YESNO) != IDYES)
            return;
        if (!m_pRecording->Drop() || !makeBook(folder))
            return;
    }
    OpenBook(folder);
}

void CKIVDlg::OnRecentBook(int i) {
    if (i < 0 || i >= m_RecentBooks.size())
        return;
    OpenBook(m_RecentBooks[i]);
}

bool CKIVDlg::OpenBook(const QString& nativeFolder) {
    QString whyNot;
    if (m_pSession->Open(nativeFolder, &whyNot))
        return true;
    if (!whyNot.isEmpty())
        messageBox(whyNot);
    return false;
}

void CKIVDlg::FillRecentBooks() {
    m_RecentBooks = RecentBooks();
    setRecentBooks(m_BookMenu, m_RecentBooks);
}

// --- A whole book as one file ------------------------------------------------------------------------

// "打包点读书..." writes a .kivbook (BookArchiveCommands.h), and a .kivbook (or a zip holding a book) given
// to "打开点读书...", on the command line or by a double click is unpacked into an empty or new folder and
// opened.
void CKIVDlg::OnPackBook() {
    PackOpenBook(this);
}

bool CKIVDlg::OpenBookArchive(const QString& archive) {
    const QString folder = UnpackBookArchive(this, archive, [this] { return m_pRecording->Drop(); });
    return !folder.isEmpty() && OpenBook(folder);
}

void CKIVDlg::OpenArchiveArgument() {
    // What an unpack killed mid-way left is no book: it goes before anything else is unpacked.
    RemoveUnfinishedUnpacks();
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        if (argument.startsWith(u'-'))
            continue;
        if (QFileInfo(argument).isFile() && IsBookArchive(QFile::encodeName(argument).toStdString()))
            QTimer::singleShot(0, this, [this, argument] { OpenBookArchive(argument); });
        return;
    }
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

// --- Recording ---------------------------------------------------------------------------------------

// The recording cell's buttons, and deleting one record or all of them.
namespace {

// The record a row shows when it has that number; otherwise the first record of the number. With unique
// numbers both are the same record; with repeated ones the row's is the one the user meant.
const SOUND_RECORD* recordFor(CGridListCtrlEx2* list, int code, int row) {
    if (list && row >= 0 && row < list->GetItemCount())
        if (const SOUND_RECORD* r = list->RecordOfRow(row); r && CodeNumber(r->Code.view()) == code)
            return r;
    return SoundLibrary().FindRecord(code);
}

} // namespace

void CKIVDlg::OnRecordButton() {
    UpdateData(true);
    m_pRecording->StartOrStop();
}

void CKIVDlg::OnPreview() {
    UpdateData(true);
    m_pRecording->Preview();
}

void CKIVDlg::OnSaveRecording() {
    UpdateData(true);
    m_pRecording->Save();
}

void CKIVDlg::OnRerecord(int code) {
    if (const SOUND_RECORD* record =
            recordFor(m_RecordList, code, m_RecordList ? m_RecordList->m_HotItem : -1))
        m_pRecording->Rerecord(code, record->Index);
}

void CKIVDlg::OnDeleteRecord(int code, int row) {
    const SOUND_RECORD* record = recordFor(m_RecordList, code, row);
    if (!record)
        return;
    // The list posts one message per selected row, all at once: gather them and rewrite the index once,
    // after the last of them.
    if (m_PendingDeletes.empty())
        postMessage(this, UM_DELETE_PENDING);
    m_PendingDeletes.push_back({record->Index, row});
}

void CKIVDlg::OnDeletePending() {
    const std::vector<PendingDelete> pending = std::move(m_PendingDeletes);
    m_PendingDeletes.clear();
    std::vector<const SOUND_RECORD*> records;
    std::vector<int> rows;
    for (const PendingDelete& p : pending) {
        if (const SOUND_RECORD* r = SoundLibrary().RecordByIndex(p.index)) {
            records.push_back(r);
            rows.push_back(p.row);
        }
    }
    if (records.empty())
        return;
    std::vector<bool> deleted;
    if (!SoundLibrary().DeleteRecords(records, &deleted) && !RefuseStaleDelete())
        messageBox(uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(SoundLibrary().IndexPath())));
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (deleted[i])
            BlankRow(rows[i]);
}

void CKIVDlg::OnDeleteAll() {
    if (messageBox(QString::fromUtf8("确认删除所有声音记录? "), QString(), MB_YESNO) != IDYES)
        return;
    // The rows go only with their records: an index that cannot be emptied keeps both.
    if (!SoundLibrary().DeleteAllRecords()) {
        messageBox(uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(SoundLibrary().IndexPath())));
        return;
    }
    ResetRecordList();
    if (m_RecordList)
        m_RecordList->m_HotItem = -1;
}

bool CKIVDlg::RefuseStaleDelete() {
    if (!SoundLibrary().IndexChangedOnDisk())
        return false;
    // The rows showed lines that are no longer there: the user chooses again from the book as it is.
    messageBox(uiText("这本点读书刚被另一个程序改过，已经重新读入。请再选一次要删除的记录。"));
    m_pSession->Look();
    return true;
}

void CKIVDlg::OnCancel() {
    // Esc and the close button end the program, but a take is not thrown away unasked.
    if (m_pRecording->HoldsTake() &&
        appMessageBox(uiText("录音还没有保存，退出KIV会丢掉这段录音。是否继续？"), MB_YESNO) != IDYES)
        return;
    CDialog::OnCancel();
}

// --- Looking after a filed record --------------------------------------------------------------------

// From the list: a new annotation (修改标注...) and a sound from a file (用声音文件替换...). The code stays,
// so a label already stuck in the paper book keeps working.
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

// --- Filling without the microphone ------------------------------------------------------------------

// "导入声音文件...", files and folders dropped on the window, and "文字转语音...": each runs as one batch
// with one progress dialog and one summary at the end.
namespace {

std::vector<std::string> nativePaths(const QStringList& paths) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& p : paths)
        out.push_back(QFile::encodeName(p).toStdString());
    return out;
}

} // namespace

void CKIVDlg::OnImportSounds() {
    if (!BookChangeable())
        return;
    const QStringList files = QFileDialog::getOpenFileNames(
        this, uiText("导入声音文件"), QString(),
        uiText("声音文件 (*.wav *.mp3 *.flac *.ogg *.oga *.opus *.aif *.aiff *.au);;所有文件 (*)"));
    if (!files.isEmpty())
        ImportPaths(files);
}

void CKIVDlg::ImportPaths(const QStringList& paths) {
    if (!BookChangeable())
        return;
    const QString title = uiText("导入声音文件");
    ImportList list = CollectSoundFiles(nativePaths(paths));
    RemoveUnfinishedSounds(SoundLibrary());
    FillBatch batch = RunFillBatch(
        this, title, static_cast<int>(list.files.size()),
        [&](int i) { return NameText(list.files[static_cast<std::size_t>(i)]); },
        [&](int i) { return ImportSoundFile(SoundLibrary(), list.files[static_cast<std::size_t>(i)]); });
    batch.outcomes.insert(batch.outcomes.end(), list.passed.begin(), list.passed.end());
    if (batch.outcomes.empty()) {
        messageBox(uiText("没有找到声音文件。"), title, MB_OK, this);
        return;
    }
    messageBox(FillSummary(batch.outcomes, batch.cancelled, batch.notStarted), title, MB_OK, this);
}

void CKIVDlg::OnSpeakText() {
    if (!BookChangeable())
        return;
    CSpeakTextDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QStringList lines = SpeechLines(dlg.Text());
    if (lines.isEmpty())
        return;
    const int rate = dlg.Rate();
    const QString title = uiText("文字转语音");
    RemoveUnfinishedSounds(SoundLibrary());
    FillBatch batch = RunFillBatch(
        this, title, static_cast<int>(lines.size()), [&](int i) { return lines[i]; },
        [&](int i) { return SpeakLine(SoundLibrary(), lines[i], rate); });
    messageBox(FillSummary(batch.outcomes, batch.cancelled, batch.notStarted), title, MB_OK, this);
}

void CKIVDlg::dragEnterEvent(QDragEnterEvent* e) {
    // A book that may only be played takes no files: the cursor says so before the drop.
    if (!BookChangeable())
        return;
    for (const QUrl& url : e->mimeData()->urls()) {
        if (url.isLocalFile()) {
            e->acceptProposedAction();
            return;
        }
    }
}

void CKIVDlg::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (paths.isEmpty())
        return;
    e->acceptProposedAction();
    // The drop returns to the dragging program first; the import runs its own dialogs afterwards.
    QTimer::singleShot(0, this, [this, paths] { ImportPaths(paths); });
}

// --- Dialogs of the menu -----------------------------------------------------------------------------

// "点读书" > "打印标签页...": the whole book's labels in code order, or the rows selected in the list, or a
// range of codes.
void CKIVDlg::OnPrintLabelSheets() {
    RecordList()->ShowLabelSheets(LabelChoice::Book);
}

void CKIVDlg::OnAbout() {
    CAboutDlg dlg(this);
    dlg.DoModal();
}

void CKIVDlg::OnOptions() {
    COptions dlg(this);
    dlg.DoModal();
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
