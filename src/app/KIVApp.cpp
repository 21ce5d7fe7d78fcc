#include "app/KIVApp.h"

#include "app/Folders.h"
#include "app/Settings.h"
#include "app/StartBook.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Strings.h"
#include "platform/core/TempFiles.h"
#include "platform/core/UiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

QObject* ghInstance = nullptr;

namespace {
CKIVApp* g_pApp = nullptr;
bool alwaysStarts() {
    return true;
}
} // namespace

bool (*CKIVApp::SocketsStartup)() = alwaysStarts;

CKIVApp::CKIVApp() {
    g_pApp = this;
}
CKIVApp::~CKIVApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

CKIVApp* AfxGetApp() {
    return g_pApp;
}

bool CKIVApp::InitInstance() {
    if (!SocketsStartup()) {
        appMessageBox(loadString(103));
        return false;
    }
    ghInstance = QCoreApplication::instance();
    removeHeldTempFilesOnExit();
    // What a killed copy left behind; a running copy's files carry its live process id and stay.
    removeStaleTempFiles(QFile::encodeName(QDir::tempPath()).toStdString());

    FolderChoice choice;
    if (DetermineProgramFolder(&choice)) {
        if (!choice.usable)
            messageBox(uiText("文件夹 \"%1\" 不能写入或名称含有不能保存的字符，用户数据文件夹也不能使用："
                              "声音库和设置将无法保存！")
                           .arg(fromGbk(ProgramFolder)));
        removeStaleTempFiles(nativePath(ProgramFolder));
        const SettingsFiles settings = SettingsFilesFor(choice);
        SettingsPath = settings.read;
        BarcodeSettings.CodeType = kDefaultCodeType;
        BarcodeSettings.Height = kDefaultHeight;
        BarcodeSettings.LineWidth = kDefaultLineWidth;
        BarcodeSettings.CodeType = ReadCodeType();
        BarcodeSettings.Height = ReadHeight();
        BarcodeSettings.LineWidth = ReadLineWidth();
        DetermineStartBook();
        SettingsPath = settings.save;
    }

    if (m_RunMainDialog)
        m_RunMainDialog();
    return false;
}
