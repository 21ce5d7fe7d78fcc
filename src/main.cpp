// KIV: record sounds, file them under code numbers, print the codes as barcodes, play them with a pen.
#include "app/KIVApp.h"
#include "app/Language.h"
#include "app/SoundChoices.h"
#include "barcode/SharedPrintDialog.h"
#include "controls/My_Menu_1.h"
#include "library/SoundLibrary.h"
#include "platform/core/UiText.h"
#include "platform/gui/DialogTemplate.h"
#include "platform/gui/WidgetMessageBox.h"
#include "ui/KIVDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <clocale>
#include <cstring>

namespace {

// --help and --version answer on standard output and end, without a window or a display.
void answerHelpOrVersion(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--help", "-h", "--help-all", "--version", "-v"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return;
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KIV"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KIV_VERSION));
    // Qt's own lines of the help (Usage, Options) are in the language the window would use.
    InstallTranslations();
    QCommandLineParser parser;
    parser.setApplicationDescription(uiText("KIV点读薄：录音、标注、打印条码标签，用点读笔点读播放。"));
    parser.addPositionalArgument(uiText("文件夹"), uiText("打开这个文件夹里的点读书"), uiText("[文件夹]"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(core); // prints and ends the program
}

} // namespace

int main(int argc, char** argv) {
    answerHelpOrVersion(argc, argv);
    // The application must exist before, and outlive, every window, sound and print object.
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KIV"));
    QApplication::setFont(dialogFont());
    InstallTranslations();
    installWidgetMessageBoxes();
    // Numbers in files never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    LoadReadyChoice();

    {
        // The long-lived objects, in this order; they go in reverse order before the application does.
        CKIVApp theApp;
        CSoundLibrary soundLibrary;
        InitOsKind();                      // g_OsKind, read by the popup menus
        CSharedPrintDialog thePrintDialog; // last of them: its dialog is made at the first print
        theApp.SetMainDialogRunner([] {
            CKIVDlg dlg;
            dlg.RememberPlace();
            dlg.DoModal();
        });
        theApp.InitInstance();
    }
    return 0;
}
