// Several books through the "点读书" popup, offscreen: open a folder that is no book yet, switch back
// through the recent list, keep or drop an unsaved recording, what a new book needs, and a book packed
// into one file and opened from it.
#include "app/Folders.h"
#include "app/RecentBooks.h"
#include "controls/GridListCtrlEx2.h"
#include "controls/LevelMeter.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "support/FakeRecorder.h"
#include "support/SoundServer.h"
#include "support/TestSupport.h"
#include "support/Wave.h"
#include "ui/BookMenu.h"
#include "ui/FolderChooser.h"
#include "ui/KIVDlg.h"
#include "ui/PackBookDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class Books : public ::testing::Test {
protected:
    void SetUp() override {
        m_First = m_Folder.path() + "语文/";
        ensureFolder(m_First);
        writeFile(m_First + "KIV_Lib.cfg", "000007  \"a\"  S_WAV  \"" + m_First + "000007.wav\"\r\n");
        ProgramFolder = gbkFromNative(m_First); // folders are kept in GBK
        m_Previous = setFolderChooser([this](QWidget*, const QString&) { return m_Chosen; });
        m_Dlg = std::make_unique<CKIVDlg>();
        ASSERT_TRUE(m_Dlg->Create());
    }
    void TearDown() override {
        m_Dlg.reset();
        setFolderChooser(m_Previous);
        ProgramFolder.clear();
    }
    // Picks the popup's entry as the user would and lets its command arrive.
    void choose(const QString& text) {
        emit m_Dlg->BookMenu()->aboutToShow();
        for (QAction* a : m_Dlg->BookMenu()->actions())
            if (a->text() == text || withoutAccelerator(a->text()) == text) {
                a->trigger();
                QCoreApplication::processEvents();
                return;
            }
        ADD_FAILURE() << "no entry " << text.toStdString();
    }
    QStringList recentEntries() {
        emit m_Dlg->BookMenu()->aboutToShow();
        QStringList texts;
        for (QAction* a : m_Dlg->BookMenu()->actions())
            if (a->data().toInt() >= ID_BOOK_RECENT_FIRST && a->data().toInt() <= ID_BOOK_RECENT_LAST)
                texts << a->text();
        return texts;
    }
    int rows() const { return m_Dlg->RecordList()->m_FilledRows; }

    TempFolder m_Folder;
    std::string m_First;
    QString m_Chosen;
    MessageBoxRecorder m_Boxes{IDYES};
    CSoundLibrary m_Library;
    FolderChooser m_Previous;
    std::unique_ptr<CKIVDlg> m_Dlg;
};

} // namespace

TEST_F(Books, OpenANewFolderThenSwitchBackThroughTheRecentList) {
    EXPECT_EQ(m_Dlg->windowTitle(), QStringLiteral("KIV点读薄 V1.0 - 语文"));
    EXPECT_EQ(rows(), 1);

    const std::string second = m_Folder.path() + "story";
    ensureFolder(second);
    m_Chosen = QString::fromStdString(second);
    choose(QStringLiteral("打开点读书..."));
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text,
              QStringLiteral("文件夹 \"%1/\" 中没有点读书。是否在这里新建一本点读书？").arg(m_Chosen));
    EXPECT_TRUE(fileExists(second + "/KIV_Lib.cfg")); // made a book
    EXPECT_EQ(SoundLibrary().LibraryFolder(), second + "/");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(m_Dlg->windowTitle(), QStringLiteral("KIV点读薄 V1.0 - story"));

    // Newest first, numbered, after "打开点读书...".
    const QStringList recent = recentEntries();
    ASSERT_EQ(recent.size(), 2);
    EXPECT_EQ(recent[0], QStringLiteral("&1 %1/").arg(m_Chosen));
    EXPECT_EQ(recent[1], QStringLiteral("&2 %1").arg(QString::fromStdString(m_First)));
    choose(recent[1]);
    EXPECT_EQ(SoundLibrary().LibraryFolder(), gbkFromNative(m_First));
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(m_Dlg->windowTitle(), QStringLiteral("KIV点读薄 V1.0 - 语文"));

    // A book that went is no longer offered.
    std::filesystem::remove_all(second);
    EXPECT_EQ(recentEntries(), QStringList{QStringLiteral("&1 %1").arg(QString::fromStdString(m_First))});
}

TEST_F(Books, AnUnsavedOrRunningRecordingIsDroppedOnlyWhenTheUserSaysSo) {
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    const std::string other = m_Folder.path() + "other/";
    ensureFolder(other);
    writeFile(other + "KIV_Lib.cfg", "");
    SoundLibrary().SetRecorder(std::make_unique<CFakeRecorder>());
    m_Dlg->SetUnsavedRecording(true);

    m_Boxes.answer(IDNO);
    EXPECT_FALSE(m_Dlg->OpenBook(QString::fromStdString(other)));
    EXPECT_EQ(m_Boxes.last().text,
              QStringLiteral("录音还没有保存，打开另一本点读书会丢掉这段录音。是否继续？"));
    EXPECT_EQ(SoundLibrary().LibraryFolder(), gbkFromNative(m_First));
    EXPECT_NE(SoundLibrary().Recorder(), nullptr);

    EXPECT_TRUE(m_Dlg->OpenBook(QString::fromStdString(other)));
    EXPECT_EQ(SoundLibrary().LibraryFolder(), other);
    EXPECT_EQ(SoundLibrary().Recorder(), nullptr);
    EXPECT_FALSE(m_Dlg->GetDlgItem(1003)->isEnabled()); // nothing left to save

    // A recording still running ends with its level meter.
    qobject_cast<QPushButton*>(m_Dlg->GetDlgItem(1001))->click();
    ASSERT_EQ(g_bRecording, 1);
    EXPECT_FALSE(m_Dlg->LevelMeter()->isHidden());
    m_Boxes.answer(IDYES);
    EXPECT_TRUE(m_Dlg->OpenBook(QString::fromStdString(m_First)));
    EXPECT_EQ(g_bRecording, 0);
    EXPECT_TRUE(m_Dlg->LevelMeter()->isHidden());
}

TEST_F(Books, EscOrClosingTheWindowWithAnUnsavedTakeAsksFirst) {
    const struct {
        bool unsaved;
        int answer;
        bool ends;
    } cases[] = {{true, IDNO, false}, {true, IDYES, true}, {false, IDNO, true}};
    for (const auto& c : cases)
        for (const bool esc : {true, false}) {
            m_Dlg->show();
            m_Dlg->SetUnsavedRecording(c.unsaved);
            m_Boxes.clear();
            m_Boxes.answer(c.answer);
            if (esc)
                QTest::keyClick(m_Dlg.get(), Qt::Key_Escape);
            else
                m_Dlg->close();
            EXPECT_EQ(m_Dlg->isVisible(), !c.ends) << c.unsaved << c.answer << esc;
            ASSERT_EQ(m_Boxes.count(), c.unsaved ? 1u : 0u);
            if (c.unsaved) {
                EXPECT_EQ(m_Boxes.last().text,
                          QStringLiteral("录音还没有保存，退出KIV会丢掉这段录音。是否继续？"));
            }
        }
}

TEST_F(Books, NewBookNeedsAnEmptyFolderAndOffersAnExistingBook) {
    const std::string busy = m_Folder.path() + "busy/";
    ensureFolder(busy);
    writeFile(busy + "notes.txt", "x");
    m_Chosen = QString::fromStdString(busy);
    choose(QStringLiteral("新建点读书..."));
    EXPECT_EQ(m_Boxes.last().text,
              QStringLiteral("文件夹 \"%1\" 不是空的，请选择或新建一个空文件夹。").arg(m_Chosen));
    EXPECT_FALSE(fileExists(busy + "KIV_Lib.cfg"));

    m_Chosen = QString::fromStdString(m_Folder.path() + "new"); // made in the folder dialog
    ensureFolder(m_Chosen.toStdString());
    choose(QStringLiteral("新建点读书..."));
    EXPECT_EQ(readFile(m_Folder.path() + "new/KIV_Lib.cfg"), "");
    EXPECT_EQ(m_Dlg->windowTitle(), QStringLiteral("KIV点读薄 V1.0 - new"));

    m_Chosen = QString::fromStdString(m_First);
    m_Boxes.answer(IDYES);
    choose(QStringLiteral("新建点读书..."));
    EXPECT_EQ(m_Boxes.last().text,
              QStringLiteral("文件夹 \"%1\" 中已经有一本点读书，是否打开它？").arg(m_Chosen));
    EXPECT_EQ(rows(), 1); // the existing book, untouched
}

TEST_F(Books, PackedWithItsLabelsAndOpenedFromTheFileTheBookPlaysElsewhere) {
    writeTone(m_First + "000007.wav", 0.2, 440);
    writeTone(m_First + "000008.wav", 0.2, 660);
    writeFile(m_First + "KIV_Lib.cfg", readFile(m_First + "KIV_Lib.cfg") + "000008  \"b\"  S_WAV  \"" +
                                           m_First + "000008.wav\"\r\n000009  \"gone\"  S_WAV  \"" + m_First +
                                           "000009.wav\"\r\n");
    m_Dlg->OpenBook(QString::fromStdString(m_First));
    const TempFolder data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));
    auto packing = [this](bool labels, bool pack) {
        auto* timer = new QTimer(m_Dlg.get());
        QObject::connect(timer, &QTimer::timeout, [=] {
            if (auto* dlg = qobject_cast<CPackBookDlg*>(QApplication::activeModalWidget())) {
                timer->deleteLater();
                timer->stop();
                dlg->m_pLabels->setChecked(labels);
                pack ? dlg->m_pPack->click() : dlg->reject();
            }
        });
        timer->start(20);
        choose(QStringLiteral("打包点读书..."));
    };
    m_Chosen = QString::fromStdString(m_Folder.path() + "lesson"); // the extension is added
    packing(true, false);
    EXPECT_FALSE(fileExists(m_Folder.path() + "lesson.kivbook"));
    m_Boxes.clear();
    packing(true, true);
    ASSERT_EQ(m_Boxes.count(), 2u);
    EXPECT_TRUE(m_Boxes.calls()[0].text.startsWith(QStringLiteral("有 1 个声音找不到")));
    EXPECT_EQ(m_Boxes.last().text, QStringLiteral("已把 2 个声音打包到 \"%1.kivbook\"。").arg(m_Chosen));

    // Opened as a file: unpacked into a new folder named after it in the per-user books, and shown.
    m_Chosen += QStringLiteral(".kivbook");
    m_Boxes.clear();
    choose(QStringLiteral("打开点读书..."));
    const std::string unpacked = data.path() + "KIV/books/lesson/";
    ASSERT_GE(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.calls()[0].text,
              QStringLiteral("把点读书 \"lesson.kivbook\" 解压到文件夹\n%1\n吗？\n\n选“否”另选一个空文件夹。")
                  .arg(QString::fromStdString(unpacked).chopped(1)));
    EXPECT_EQ(m_Dlg->windowTitle(), QStringLiteral("KIV点读薄 V1.0 - lesson"));
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(readFile(unpacked + "000008.wav"), readFile(m_First + "000008.wav"));
    EXPECT_TRUE(fileExists(unpacked + "标签页.pdf"));

    // Into a folder of the user's choice that is not empty: refused, nothing written there.
    const std::string busy = m_Folder.path() + "busy/";
    ensureFolder(busy);
    writeFile(busy + "notes.txt", "x");
    m_Boxes.clear();
    m_Boxes.answer(IDNO);
    QString archive = m_Chosen;
    m_Chosen = QString::fromStdString(busy);
    EXPECT_FALSE(m_Dlg->OpenBookArchive(archive));
    EXPECT_TRUE(m_Boxes.last().text.contains(QStringLiteral("不是空的")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(busy), {}), 1);
    EXPECT_EQ(m_Dlg->windowTitle(), QStringLiteral("KIV点读薄 V1.0 - lesson"));
    m_Dlg->OpenBook(QString::fromStdString(m_First)); // its lock goes before its folder
    qunsetenv("XDG_DATA_HOME");
}
