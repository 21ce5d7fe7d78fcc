// Start-up: the program folder, the settings it reads, and what happens when sockets fail.
#include "app/Folders.h"
#include "app/KIVApp.h"
#include "app/Settings.h"
#include "app/StartBook.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(ProgramFolder, BackwardsScanKeepsTheSeparator) {
    std::string folder;
    ASSERT_TRUE(FolderOfExecutable("/opt/a b/prog", folder));
    EXPECT_EQ(folder, "/opt/a b/");
    ASSERT_TRUE(FolderOfExecutable("prog", folder));
    EXPECT_EQ(folder, "prog"); // no separator: the whole name
    ASSERT_TRUE(FolderOfExecutable("/prog", folder));
    EXPECT_EQ(folder, "/prog"); // the first character is never examined
    EXPECT_FALSE(FolderOfExecutable("", folder));
}

TEST(ProgramFolder, WritableGbkFolderIsUsedAsItIs) {
    TempFolder dir;
    const std::string native = dir.path() + "书 本/";
    ensureFolder(native);
    FolderChoice c = ChooseLibraryFolder(native, dir.file("data/KIV/"), folderWritable);
    EXPECT_TRUE(c.usable);
    EXPECT_FALSE(c.usedDataFolder);
    EXPECT_EQ(nativePath(c.folder), native);
    EXPECT_NE(c.folder, native); // stored as GBK
}

TEST(ProgramFolder, ReadOnlyOrNonGbkFolderFallsBackToTheDataFolder) {
    TempFolder dir;
    const std::string data = dir.file("share/KIV/");
    // Not even root can create a file in /proc/.
    FolderChoice c = ChooseLibraryFolder("/proc/", data, folderWritable);
    EXPECT_TRUE(c.usable);
    EXPECT_TRUE(c.usedDataFolder);
    EXPECT_EQ(c.folder, data);
    EXPECT_TRUE(std::filesystem::is_directory(data)); // created on demand

    const std::string german = dir.path() + "Stra\xC3\x9F"
                                            "e/";
    ensureFolder(german);
    c = ChooseLibraryFolder(german, data, folderWritable);
    EXPECT_TRUE(c.usedDataFolder);
    EXPECT_EQ(c.folder, data);

    c = ChooseLibraryFolder("/proc/", "/proc/KIV/", folderWritable);
    EXPECT_FALSE(c.usable);
}

namespace {

std::string g_FakeExe;
std::string fakeExe() {
    return g_FakeExe;
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        ExecutablePathSource = fakeExe;
        g_FakeExe = dir.file("KIV");
        BarcodeSettings = {0, 0.0, 0.0};
        ProgramFolder.clear();
        SettingsPath.clear();
        StartBookFolder.clear();
    }
    void TearDown() override {
        ExecutablePathSource = executablePath;
        CKIVApp::SocketsStartup = [] { return true; };
        ProgramFolder.clear();
        SettingsPath.clear();
        StartBookFolder.clear();
    }
    TempFolder dir;
};

} // namespace

TEST_F(Startup, FirstStartInAnEmptyFolderUsesDefaultsAndWritesNothing) {
    CKIVApp app;
    bool ran = false;
    app.SetMainDialogRunner([&] {
        ran = true;
        EXPECT_EQ(ProgramFolder, dir.path());
        EXPECT_EQ(SettingsPath, dir.path() + "KIV.ini");
        // An empty program folder is no book: the per-user one opens.
        EXPECT_EQ(StartBookFolder, userDataFolder());
        EXPECT_EQ(BarcodeSettings.CodeType, 3);
        EXPECT_EQ(BarcodeSettings.Height, 15.0);
        EXPECT_EQ(BarcodeSettings.LineWidth, 0.4);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(ran);
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_NE(ghInstance, nullptr);
    EXPECT_FALSE(fileExists(dir.file("KIV.ini")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(Startup, ReadsEachKeyFromTheSettingsFile) {
    writeFile(dir.file("KIV.ini"), "Height=22");
    CKIVApp app;
    app.SetMainDialogRunner([] {
        EXPECT_EQ(BarcodeSettings.CodeType, 3);
        EXPECT_EQ(BarcodeSettings.Height, 22.0);
        EXPECT_EQ(BarcodeSettings.LineWidth, 0.4);
    });
    app.InitInstance();
    EXPECT_EQ(readFile(dir.file("KIV.ini")), "Height=22"); // nothing written at exit
}

TEST_F(Startup, MissingExecutablePathLeavesFoldersEmptyAndSettingsZero) {
    g_FakeExe.clear();
    CKIVApp app;
    bool ran = false;
    app.SetMainDialogRunner([&] {
        ran = true;
        EXPECT_TRUE(ProgramFolder.empty());
        EXPECT_TRUE(SettingsPath.empty());
        EXPECT_EQ(BarcodeSettings.CodeType, 0);
        EXPECT_EQ(BarcodeSettings.Height, 0.0);
    });
    app.InitInstance();
    EXPECT_TRUE(ran); // the main window still runs
}

TEST_F(Startup, SocketFailureEndsAtOnceWithItsMessage) {
    MessageBoxRecorder boxes;
    CKIVApp::SocketsStartup = [] { return false; };
    CKIVApp app;
    bool ran = false;
    app.SetMainDialogRunner([&] { ran = true; });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(ran);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Windows sockets initialization failed."));
    EXPECT_EQ(boxes.last().caption, QStringLiteral("KIV"));
    EXPECT_TRUE(ProgramFolder.empty());
}

TEST_F(Startup, UnusableFoldersAreReportedAtStart) {
    MessageBoxRecorder boxes;
    g_FakeExe = "/proc/KIV";
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", "/proc/nowhere", 1);
    CKIVApp app;
    app.SetMainDialogRunner([] {});
    app.InitInstance();
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("/proc/")));
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("无法保存")));
}

TEST_F(Startup, ABookOnAReadOnlyMediumOpensWhereItIsAndSettingsAreSavedPerUser) {
    TempFolder user;
    writeFile(dir.file("KIV_Lib.cfg"), "");
    writeFile(dir.file("KIV.ini"), "Height=22");
    ReadOnlyMount readOnly(dir.path());
    if (!readOnly.ok())
        GTEST_SKIP() << "needs root to mount";
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", user.path().c_str(), 1);
    MessageBoxRecorder boxes;
    CKIVApp app;
    app.SetMainDialogRunner([&] {
        EXPECT_EQ(ProgramFolder, dir.path());
        EXPECT_EQ(BarcodeSettings.Height, 22.0); // the book's own settings
        BARCODE_SETTINGS changed = BarcodeSettings;
        changed.Height = 30.0;
        EXPECT_EQ(SaveIniFile(&changed), 1);
    });
    app.InitInstance();
    // Saved where it can be, and read from there from now on.
    EXPECT_NE(readFile(user.file("KIV/KIV.ini")).find("30"), std::string::npos);
    app.SetMainDialogRunner([] { EXPECT_EQ(BarcodeSettings.Height, 30.0); });
    app.InitInstance();
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(boxes.count(), 0u);
}
