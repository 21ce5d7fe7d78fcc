// The recording workflow and the annotation dialog in the real main window, offscreen, with a stand-in
// recorder so that no sound device is needed.
#include "app/Folders.h"
#include "app/Settings.h"
#include "audio/SoundRecorderCell.h"
#include "barcode/SharedPrintDialog.h"
#include "controls/GridListCtrlEx2.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "support/FakeRecorder.h"
#include "support/Faults.h"
#include "support/SoundServer.h"
#include "support/TestSupport.h"
#include "ui/Content.h"
#include "ui/KIVDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sys/resource.h>

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Answers the next annotation dialog: types the text into its edit and presses the button (1 or 2).
void answerAnnotation(const QString& text, int button = 1) {
    QTimer::singleShot(0, [text, button] {
        auto* dlg = qobject_cast<CContent*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        auto* edit = qobject_cast<QLineEdit*>(dlg->GetDlgItem(1005));
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(edit->text().isEmpty()); // a fresh, empty dialog every time
        edit->setText(text);
        qobject_cast<QPushButton*>(dlg->GetDlgItem(button))->click();
    });
}

class Workflow : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramFolder = m_Folder.path();
        BarcodeSettings = {3, 15.0, 0.4};
        m_Print.SetOutputFile(QString::fromStdString(m_Folder.file("print-%n.pdf")));
        g_bRecording = 0;
    }
    void TearDown() override {
        m_Dlg.reset();
        ProgramFolder.clear();
        g_bRecording = 0;
    }
    // Writes an index of (code, annotation, sound file name) and opens the window over it.
    void open(const std::vector<std::array<std::string, 3>>& records) {
        std::string text;
        for (const auto& [code, content, file] : records)
            text += code + "  \"" + content + "\"  S_WAV  \"" + m_Folder.path() + file + "\"\r\n";
        writeFile(index(), text);
        m_Dlg = std::make_unique<CKIVDlg>();
        ASSERT_TRUE(m_Dlg->Create());
        list = m_Dlg->RecordList();
    }
    std::string index() const { return m_Folder.file("KIV_Lib.cfg"); }
    void haveRecording() { m_Library.SetRecorder(std::make_unique<CFakeRecorder>(&m_Log)); }
    // Also what the delivered messages post in turn (a delete over several rows finishes in one).
    void deliver() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(m_Folder.file(name)); }
    int rowOf(const char* content) const {
        for (int r = 0; r < list->m_FilledRows; ++r)
            if (list->GetItemText(r, 1) == QString::fromUtf8(content))
                return r;
        return -1;
    }

    TempFolder m_Folder;
    MessageBoxRecorder m_Boxes;
    CSoundLibrary m_Library;
    CSharedPrintDialog m_Print;
    CFakeRecorder::Log m_Log;
    std::unique_ptr<CKIVDlg> m_Dlg;
    CGridListCtrlEx2* list = nullptr;
};

TEST_F(Workflow, ButtonsStartWithPreviewAndSaveDisabled) {
    open({});
    EXPECT_EQ(qobject_cast<QPushButton*>(m_Dlg->GetDlgItem(1001))->text(), u("开始录音(&R)"));
    EXPECT_FALSE(m_Dlg->GetDlgItem(1002)->isEnabled());
    EXPECT_FALSE(m_Dlg->GetDlgItem(1003)->isEnabled());
    EXPECT_EQ(m_Dlg->ReplaceCode(), -1);
}

TEST_F(Workflow, SaveFilesTheTrimmedAnnotationAndPrintsItsCodeOnYes) {
    open({});
    haveRecording();
    m_Boxes.answer(IDYES);
    answerAnnotation(u("  苹果\t "));
    m_Dlg->OnSaveRecording();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, u("保存录音成功, 是否需要打印对应的条码? "));
    EXPECT_EQ(m_Boxes.last().caption, u("打印条码"));
    EXPECT_EQ(m_Boxes.last().type, MB_YESNO);
    EXPECT_EQ(m_Boxes.last().owner, nullptr);
    const SOUND_RECORD* r = m_Library.FindRecord(0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Content.str(), gbk("苹果"));
    EXPECT_NE(readFile(index()).find(gbk("苹果")), std::string::npos);
    EXPECT_TRUE(exists("000000.wav"));
    EXPECT_EQ(m_Print.Jobs(), 1);
    EXPECT_GT(std::filesystem::file_size(m_Folder.file("print-1.pdf")), 0u);
    // The recorder stays: the same recording files again under the next number, without printing on No.
    m_Boxes.answer(IDNO);
    answerAnnotation(QString());
    m_Dlg->OnSaveRecording();
    const SOUND_RECORD* second = m_Library.FindRecord(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Content.str(), "Null");
    EXPECT_EQ(m_Print.Jobs(), 1);
}

TEST_F(Workflow, CancelledAnnotationFilesNothingAndNoRecorderMeansNoDialog) {
    open({});
    m_Dlg->OnSaveRecording(); // no recording: no dialog (a dialog here would block the test)
    haveRecording();
    answerAnnotation(u("苹果"), 2);
    m_Dlg->OnSaveRecording();
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    EXPECT_EQ(m_Boxes.count(), 0u);
}

TEST_F(Workflow, DeleteActsOnTheRowsRecordWhenNumbersRepeat) {
    open({{{"000001", "first", "a.wav"}}, {{"000001", "second", "b.wav"}}, {{"000002", "third", "c.wav"}}});
    for (const char* f : {"a.wav", "b.wav", "c.wav"})
        writeFile(m_Folder.file(f), WaveBytes());
    ASSERT_EQ(list->m_FilledRows, 3);
    // The twin that a lookup by number would not find is the one to delete.
    const std::string found = m_Library.FindRecord(1)->Content.str();
    const char* gone = found == "first" ? "second" : "first";
    const char* kept = found == "first" ? "first" : "second";
    const std::string goneFile = found == "first" ? "b.wav" : "a.wav";
    const std::string keptFile = found == "first" ? "a.wav" : "b.wav";
    const int row = rowOf(gone), firstRow = rowOf(kept), thirdRow = rowOf("third");
    ASSERT_GE(row, 0);
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 1, row);
    deliver();
    EXPECT_TRUE(list->GetItemText(row, 0).isEmpty()); // blanked in place
    EXPECT_EQ(list->RecordOfRow(row), nullptr);
    EXPECT_EQ(list->GetItemText(firstRow, 1), u(kept));
    EXPECT_EQ(list->GetItemText(thirdRow, 1), u("third")); // the other rows do not move
    ASSERT_NE(list->RecordOfRow(firstRow), nullptr);
    EXPECT_EQ(list->RecordOfRow(firstRow)->Content.str(), kept);
    const std::string text = readFile(index());
    EXPECT_NE(text.find(kept), std::string::npos);
    EXPECT_EQ(text.find(gone), std::string::npos);
    EXPECT_TRUE(exists(keptFile));
    EXPECT_FALSE(exists(goneFile));
    EXPECT_EQ(m_Boxes.count(), 0u); // no question
    // A number that is not filed: nothing.
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 7, 0);
    deliver();
    EXPECT_EQ(list->GetItemText(firstRow, 1), u(kept));
}

TEST_F(Workflow, ADeleteAfterAnotherProgramChangedALineDeletesNothingAndShowsTheBookAsItIs) {
    // The reload was held off (a menu was open) when another copy rewrote a line: that row's record no
    // longer matches any line, and its sound is still named. Neither selected row goes.
    open({{{"000001", "first", "a.wav"}}, {{"000002", "second", "b.wav"}}});
    writeFile(m_Folder.file("a.wav"), WaveBytes());
    writeFile(m_Folder.file("b.wav"), WaveBytes());
    const std::string theirs = "000001  changed  S_WAV  \"" + m_Folder.file("a.wav") + "\"\r\n" +
                               "000002  second  S_WAV  \"" + m_Folder.file("b.wav") + "\"\r\n";
    writeFile(index(), theirs);
    {
        const QSignalBlocker quiet(list->selectionModel()); // choosing a row plays it
        list->selectionModel()->setCurrentIndex(list->Model()->index(rowOf("second"), 0),
                                                QItemSelectionModel::NoUpdate);
    }
    list->m_HotItem = rowOf("second");
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 1, rowOf("first"));
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 2, rowOf("second"));
    deliver();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, u("这本点读书刚被另一个程序改过，已经重新读入。请再选一次要删除的记录。"));
    EXPECT_TRUE(exists("a.wav") && exists("b.wav"));
    EXPECT_EQ(readFile(index()), theirs);
    EXPECT_GE(rowOf("changed"), 0);
    EXPECT_EQ(m_Library.RecordCount(), 2u);
    // The reload keeps the user's place but, as every refill, leaves no row hot.
    EXPECT_EQ(list->currentIndex().row(), rowOf("second"));
    EXPECT_EQ(list->m_HotItem, -1);
}

TEST_F(Workflow, SelectedRowsGoTogetherAndAFullDiskKeepsThemAndSaysSo) {
    if (!isRoot())
        GTEST_SKIP() << "mounting a small disk needs root";
    SmallDisk disk("256k");
    ASSERT_TRUE(disk.mounted());
    std::string text;
    for (const char* name : {"a", "b", "c", "d"}) {
        text += std::string("00000") + std::to_string(name[0] - 'a') + "  " + name + "  S_WAV  \"" +
                disk.path() + name + ".wav\"\r\n";
        writeFile(disk.path() + name + ".wav", WaveBytes());
    }
    writeFile(disk.path() + "KIV_Lib.cfg", text);
    ProgramFolder = disk.path();
    m_Dlg = std::make_unique<CKIVDlg>();
    ASSERT_TRUE(m_Dlg->Create());
    list = m_Dlg->RecordList();
    const int rowB = rowOf("b"), rowD = rowOf("d"), rowA = rowOf("a");
    // As the list posts them for two selected rows.
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 1, rowB);
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 3, rowD);
    deliver();
    EXPECT_TRUE(list->GetItemText(rowB, 0).isEmpty());
    EXPECT_TRUE(list->GetItemText(rowD, 0).isEmpty());
    const std::string kept = readFile(disk.path() + "KIV_Lib.cfg");
    EXPECT_EQ(kept.find("b.wav"), std::string::npos);
    EXPECT_EQ(kept.find("d.wav"), std::string::npos);
    EXPECT_NE(kept.find("c.wav"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(disk.path() + "b.wav"));
    EXPECT_EQ(m_Boxes.count(), 0u);

    // No room for the rewritten index: the rows, their records and their sounds stay, and the user is told.
    disk.fill();
    const QString refused =
        QStringLiteral("不能保存文件 \"%1\" ! ").arg(QString::fromStdString(disk.path() + "KIV_Lib.cfg"));
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 0, rowA);
    deliver();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, refused);
    EXPECT_EQ(list->GetItemText(rowA, 1), u("a"));
    EXPECT_EQ(m_Library.RecordCount(), 2u);
    EXPECT_EQ(readFile(disk.path() + "KIV_Lib.cfg"), kept);
    EXPECT_TRUE(std::filesystem::exists(disk.path() + "a.wav"));
    // Emptying the index needs no room: everything goes, and the disk has room again.
    m_Boxes.answer(IDYES);
    postMessage(m_Dlg.get(), UM_DELETE_ALL, 0, 0);
    deliver();
    EXPECT_EQ(m_Boxes.count(), 2u);
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    EXPECT_EQ(readFile(disk.path() + "KIV_Lib.cfg"), "");
    EXPECT_FALSE(std::filesystem::exists(disk.path() + "a.wav"));
    m_Dlg.reset();
}

TEST_F(Workflow, RerecordWhileRecordingReplacesTheRowsRecordAfterTheQuestions) {
    open({{{"000001", "first", "a.wav"}}, {{"000001", "second", "b.wav"}}});
    writeFile(m_Folder.file("a.wav"), WaveBytes());
    writeFile(m_Folder.file("b.wav"), WaveBytes());
    haveRecording();
    g_bRecording = 1; // a recording runs
    const std::string found = m_Library.FindRecord(1)->Content.str();
    const char* target = found == "first" ? "second" : "first";
    const char* other = found == "first" ? "first" : "second";
    const std::string targetFile = found == "first" ? "b.wav" : "a.wav";
    const std::string otherFile = found == "first" ? "a.wav" : "b.wav";
    const int row = rowOf(target);
    ASSERT_GE(row, 0);
    list->m_HotItem = row;
    m_Boxes.answer(IDYES); // delete the old sound and record anew
    m_Boxes.answer(IDOK);  // now recording
    m_Boxes.answer(IDYES); // replace
    postMessage(m_Dlg.get(), UM_RERECORD, 1, 0);
    deliver();
    ASSERT_EQ(m_Boxes.count(), 3u);
    EXPECT_EQ(m_Boxes.calls()[0].text, u("确定要删除原来的声音并重新录音 ？"));
    EXPECT_EQ(m_Boxes.calls()[0].caption, u("确定"));
    EXPECT_EQ(m_Boxes.calls()[0].type, MB_YESNO);
    EXPECT_EQ(m_Boxes.calls()[1].text, u("现在开始录音，请按\"停止录音\"替换新的录音。"));
    EXPECT_EQ(m_Boxes.calls()[1].caption, u("开始"));
    EXPECT_EQ(m_Boxes.calls()[1].type, MB_OK);
    EXPECT_EQ(m_Boxes.calls()[2].text, u("录音完毕， 是否需要替换编号 \"000001\" 的声音？ "));
    EXPECT_EQ(m_Boxes.calls()[2].caption, u("是否替换？"));
    EXPECT_EQ(m_Boxes.calls()[2].type, MB_YESNO);
    EXPECT_EQ(g_bRecording, 0);
    EXPECT_EQ(m_Dlg->ReplaceCode(), -1);
    EXPECT_TRUE(exists(otherFile)); // the other record's sound is untouched
    EXPECT_FALSE(exists(targetFile));
    EXPECT_TRUE(exists("000001.wav"));
    // The second record took the new sound and its line moved to the end; the first kept its own.
    const std::string text = readFile(index());
    EXPECT_LT(text.find(other), text.find(target));
    EXPECT_NE(text.find(m_Folder.path() + otherFile), std::string::npos);
    EXPECT_NE(text.find(m_Folder.path() + "000001.wav"), std::string::npos);
    EXPECT_EQ(list->GetItemText(row, 3), QString::fromStdString(m_Folder.path() + "000001.wav"));
    EXPECT_TRUE(m_Dlg->GetDlgItem(1002)->isEnabled());
    EXPECT_EQ(qobject_cast<QPushButton*>(m_Dlg->GetDlgItem(1001))->text(), u("开始录音(&R)"));

    // A re-record whose take is lost at 停止录音 (it could not be written) ends with it: the next ordinary
    // take asks about no code.
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    m_Boxes.clear();
    auto cell = std::make_unique<CSoundRecorder>();
    ASSERT_EQ(cell->StartRecording(), 1);
    m_Library.SetRecorder(std::move(cell));
    g_bRecording = 1;
    {
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit full = old;
        full.rlim_cur = 0; // the take's next piece cannot be written
        ::setrlimit(RLIMIT_FSIZE, &full);
        QTest::qWait(400);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
    }
    m_Boxes.answer(IDYES);
    m_Boxes.answer(IDOK);
    postMessage(m_Dlg.get(), UM_RERECORD, 1, 0);
    deliver();
    ASSERT_EQ(m_Boxes.count(), 3u);
    EXPECT_EQ(m_Boxes.last().text, u("error #01"));
    EXPECT_FALSE(m_Dlg->GetDlgItem(1002)->isEnabled());
    haveRecording();
    g_bRecording = 1;
    qobject_cast<QPushButton*>(m_Dlg->GetDlgItem(1001))->click();
    EXPECT_EQ(m_Boxes.count(), 3u);
    EXPECT_TRUE(m_Dlg->GetDlgItem(1003)->isEnabled());
}

TEST_F(Workflow, RerecordDeclinedKeepsTheSound) {
    open({{{"000001", "first", "a.wav"}}});
    writeFile(m_Folder.file("a.wav"), WaveBytes());
    list->m_HotItem = 0;
    m_Boxes.answer(IDNO);
    postMessage(m_Dlg.get(), UM_RERECORD, 1, 0);
    deliver();
    EXPECT_EQ(m_Boxes.count(), 1u);
    EXPECT_TRUE(exists("a.wav"));
    EXPECT_EQ(m_Dlg->ReplaceCode(), -1);
}

TEST_F(Workflow, DeleteAllAsksThenEmptiesListAndIndex) {
    open({{{"000001", "first", "a.wav"}}, {{"000002", "second", "b.wav"}}});
    writeFile(m_Folder.file("a.wav"), WaveBytes());
    list->m_HotItem = 1;
    m_Boxes.answer(IDNO);
    postMessage(m_Dlg.get(), UM_DELETE_ALL, 0, 0);
    deliver();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, u("确认删除所有声音记录? "));
    EXPECT_TRUE(m_Boxes.last().caption.isEmpty() || m_Boxes.last().caption == defaultCaption());
    EXPECT_EQ(m_Boxes.last().type, MB_YESNO);
    EXPECT_EQ(m_Library.RecordCount(), 2u);
    m_Boxes.answer(IDYES);
    postMessage(m_Dlg.get(), UM_DELETE_ALL, 0, 0);
    deliver();
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    EXPECT_EQ(readFile(index()).find("first"), std::string::npos);
    EXPECT_FALSE(exists("a.wav"));
    EXPECT_EQ(list->m_HotItem, -1);
    EXPECT_EQ(list->RecordOfRow(0), nullptr);
    EXPECT_TRUE(list->GetItemText(0, 0).isEmpty());
}

TEST_F(Workflow, ABookAnotherProgramHoldsPlaysButOffersNothingThatChangesIt) {
    QLockFile other(QString::fromStdString(m_Folder.file("KIV_Lib.lock")));
    ASSERT_TRUE(other.tryLock(0));
    open({{{"000001", "first", "a.wav"}}});
    writeFile(m_Folder.file("a.wav"), WaveBytes());
    const std::string before = readFile(index());
    ASSERT_EQ(m_Boxes.count(), 1u); // said once, at opening
    EXPECT_EQ(m_Boxes.last().text, u("这本点读书已在另一个KIV中打开，现在只能点读，不能修改。"));
    EXPECT_TRUE(m_Dlg->windowTitle().endsWith(u("（只读）"))) << m_Dlg->windowTitle().toStdString();
    EXPECT_FALSE(m_Dlg->GetDlgItem(1001)->isEnabled());
    for (QAction* a : m_Dlg->BookMenu()->actions()) {
        if (withoutAccelerator(a->text()) == u("导入声音文件...") ||
            withoutAccelerator(a->text()) == u("文字转语音...")) {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        }
    }

    std::map<QString, bool> enabled;
    SetTrackPopupResponder([&](QMenu* menu) -> QAction* {
        for (QAction* a : menu->actions())
            enabled[withoutAccelerator(a->text())] = a->isEnabled();
        return nullptr;
    });
    list->selectRow(0);
    list->OnContextMenu();
    SetTrackPopupResponder(nullptr);
    EXPECT_TRUE(enabled[u("播放")]);
    EXPECT_TRUE(enabled[u("打印条码")]);
    EXPECT_FALSE(enabled[u("重新录音")]);
    EXPECT_FALSE(enabled[u("删除")]);
    EXPECT_FALSE(enabled[u("删除全部")]);

    // Even when asked directly, nothing is changed or even asked.
    deliver(); // selecting the row played it (without a sound server: a box)
    const std::size_t boxes = m_Boxes.count();
    list->m_HotItem = 0;
    for (unsigned msg : {UM_DELETE_ALL, UM_DELETE_RECORD, UM_RERECORD})
        postMessage(m_Dlg.get(), msg, 1, 0);
    deliver();
    EXPECT_EQ(m_Boxes.count(), boxes);
    EXPECT_EQ(readFile(index()), before);
    EXPECT_TRUE(exists("a.wav"));
    EXPECT_EQ(list->RecordOfRow(0), m_Library.FindRecord(1));
}

// --- The annotation's text ------------------------------------------------------------------------------

TEST(Annotation, TrimRemovesOnlyTheClassicBlanks) {
    EXPECT_EQ(TrimAnnotation(" \t\r\n\v\f ab c \f"), "ab c");
    EXPECT_EQ(TrimAnnotation("   "), "");
    EXPECT_EQ(TrimAnnotation(gbk("\xe3\x80\x80苹果")), gbk("\xe3\x80\x80苹果")); // an ideographic space stays
}

TEST(Annotation, LineBreaksBecomeBlanks) {
    EXPECT_EQ(BreaksToBlanks(u("a\r\nb\nc\rd")), u("a b c d"));
}

TEST(Annotation, CutFallsBetweenCharactersWithin63Bytes) {
    const QString thirtyTwo = QString(32, QChar(0x82F9)); // 苹, two bytes in GBK
    EXPECT_EQ(CutToGbkBytes(thirtyTwo, 63), QString(31, QChar(0x82F9)));
    EXPECT_EQ(CutToGbkBytes(QString(31, QChar(0x82F9)) + u("ab"), 63), QString(31, QChar(0x82F9)) + u("a"));
    EXPECT_EQ(CutToGbkBytes(QString(63, u'x'), 63), QString(63, u'x'));
    EXPECT_EQ(CutToGbkBytes(QString(64, u'x'), 63), QString(63, u'x'));
}

TEST(Annotation, ProblemsAreNamedForWhatCannotBeFiledAsTyped) {
    EXPECT_TRUE(AnnotationProblem(u("苹果")).isEmpty());
    EXPECT_TRUE(AnnotationProblem(u("say \"hi\"")).size() > 0); // quotes would turn single
    EXPECT_TRUE(AnnotationProblem(u("a\"b")).isEmpty());        // unquoted field keeps them
    EXPECT_TRUE(AnnotationProblem(u("苹果\xF0\x9F\x8D\x8E")).contains(u("表情符号"))); // an emoji
    EXPECT_FALSE(AnnotationProblem(QString(64, u'x')).isEmpty());
    EXPECT_TRUE(AnnotationProblem(QString(63, u'x')).isEmpty());
}

class AnnotationDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Dlg.Create());
        edit = qobject_cast<QLineEdit*>(m_Dlg.GetDlgItem(1005));
        ASSERT_NE(edit, nullptr);
        m_Dlg.show();
        edit->setFocus();
    }
    MessageBoxRecorder m_Boxes;
    CContent m_Dlg;
    QLineEdit* edit = nullptr;
};

TEST_F(AnnotationDialog, TemplateTextsAndEmptyEdit) {
    EXPECT_EQ(m_Dlg.windowTitle(), u("标注内容"));
    EXPECT_EQ(qobject_cast<QPushButton*>(m_Dlg.GetDlgItem(1))->text(), u("填好了,下一步(&N)..."));
    EXPECT_EQ(qobject_cast<QPushButton*>(m_Dlg.GetDlgItem(2))->text(), u("取消"));
    EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(AnnotationDialog, EnterTypesABlankAndDoesNotCloseTheDialog) {
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, QStringLiteral("c"));
    EXPECT_EQ(edit->text(), u("ab c"));
    EXPECT_TRUE(m_Dlg.isVisible());
    EXPECT_EQ(m_Dlg.result(), 0);
}

TEST_F(AnnotationDialog, TypingStopsAt63BytesAndPastedBreaksBecomeBlanks) {
    edit->setText(QString(31, QChar(0x82F9)) + u("a"));
    QTest::keyClicks(edit, QStringLiteral("bc"));
    EXPECT_EQ(toGbk(edit->text()).size(), 63u);
    edit->clear();
    edit->insert(u("x\ny"));
    EXPECT_EQ(edit->text(), u("x y"));
}

TEST_F(AnnotationDialog, AnEmojiIsRefusedWithAMessageAndTheDialogStaysOpen) {
    edit->setText(u("苹果\xF0\x9F\x8D\x8E"));
    qobject_cast<QPushButton*>(m_Dlg.GetDlgItem(1))->click();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_TRUE(m_Boxes.last().text.contains(u("表情符号")));
    EXPECT_EQ(m_Boxes.last().caption, u("标注内容"));
    EXPECT_TRUE(m_Dlg.isVisible());
    edit->setText(u("苹果"));
    qobject_cast<QPushButton*>(m_Dlg.GetDlgItem(1))->click();
    EXPECT_EQ(m_Dlg.result(), IDOK);
    EXPECT_EQ(m_Dlg.m_Content, u("苹果"));
}

} // namespace

TEST_F(Workflow, F2AndADoubleClickOnTheAnnotationEditTheRowsRecordInPlace) {
    open({{{"000001", "first", "a.wav"}}, {{"000001", "second", "b.wav"}}, {{"000002", "third", "c.wav"}}});
    // Answers the dialog, once it is open, which must show the row's own annotation, with a new one.
    auto answerEdit = [this](const QString& shown, const QString& typed) {
        auto* timer = new QTimer(m_Dlg.get());
        QObject::connect(timer, &QTimer::timeout, [timer, shown, typed] {
            auto* dlg = qobject_cast<CContent*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            timer->deleteLater();
            auto* edit = qobject_cast<QLineEdit*>(dlg->GetDlgItem(1005));
            EXPECT_EQ(edit->text(), shown);
            edit->setText(typed);
            qobject_cast<QPushButton*>(dlg->GetDlgItem(1))->click();
        });
        timer->start(10);
    };
    const int second = rowOf("second");
    list->setCurrentIndex(list->model()->index(second, 0));
    answerEdit(u("second"), u("第二 个"));
    QTest::keyClick(list, Qt::Key_F2);
    deliver();
    EXPECT_EQ(list->GetItemText(second, 1), u("第二 个"));
    const std::string text = readFile(index());
    EXPECT_NE(text.find("000001  \"first\""), std::string::npos); // the twin before it kept its line
    EXPECT_NE(text.find("000001  \"" + gbk("第二 个") + "\"  S_WAV  \"" + m_Folder.path() + "b.wav\"\r\n"),
              std::string::npos);

    const int third = rowOf("third");
    answerEdit(u("third"), u("三"));
    const QRect cell = list->visualRect(list->model()->index(third, 1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    deliver();
    EXPECT_EQ(list->GetItemText(third, 1), u("三"));
    for (const MessageBoxCall& box : m_Boxes.calls()) // the rows' missing sounds may be told, nothing else
        EXPECT_NE(box.caption, u("修改标注")) << box.text.toStdString();

    // A book that may only be played: nothing opens (a dialog here would block the test).
    m_Library.CloseBook();
    postMessage(m_Dlg.get(), UM_EDIT_ANNOTATION, static_cast<WPARAM>(list->RecordOfRow(third)->Index), 0);
    deliver();
    EXPECT_EQ(list->GetItemText(third, 1), u("三"));
}
