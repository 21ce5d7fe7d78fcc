// One main for every test binary: the QApplication exists before any test and outlives them all.
#include "platform/gui/DialogTemplate.h"
#include "platform/gui/WidgetMessageBox.h"

#include <QApplication>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Books and the recent-books list go to a folder of this run, never to the user's own.
    QTemporaryDir home;
    setenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8().constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KIV"));
    QApplication::setFont(dialogFont());
    installWidgetMessageBoxes();
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
