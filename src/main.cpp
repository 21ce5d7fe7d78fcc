// KIV: record sounds, file them under code numbers, print the codes as barcodes, play them with a pen.
#include "app/KIVApp.h"
#include "app/SoundChoices.h"
#include "barcode/SharedPrintDialog.h"
#include "controls/My_Menu_1.h"
#include "library/SoundLibrary.h"
#include "platform/DialogTemplate.h"
#include "platform/WidgetMessageBox.h"
#include "ui/KIVDlg.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    // The application must exist before, and outlive, every window, sound and print object.
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KIV"));
    QApplication::setFont(dialogFont());
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
            dlg.DoModal();
        });
        theApp.InitInstance();
    }
    return 0;
}
