// kivtool: the book operations of KIV without a window, for scripts and for people who make many books.
#include "app/SoundChoices.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "platform/TempFiles.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

void printHelp(FILE* out) {
    std::fputs("用法: kivtool 命令 [参数...]\n\n命令:\n", out);
    for (int i = 0; i < kKivCommandCount; ++i) {
        const KivCommand& c = kKivCommands[i];
        if (!c.run)
            continue;
        const QByteArray line =
            QStringLiteral("  %1 %2\n      %3\n")
                .arg(QString::fromUtf8(c.name), QString::fromUtf8(c.usage), QString::fromUtf8(c.help))
                .toUtf8();
        std::fputs(line.constData(), out);
    }
    std::fputs("\n  --take-over       点读书在另一台电脑上打开而没有关闭时，接管它\n", out);
    std::fputs("  kivtool --help    显示本说明\n", out);
}

} // namespace

int usageError(const KivCommand& command, const QString& text) {
    std::fprintf(stderr, "kivtool: %s\n用法: kivtool %s %s\n", text.toUtf8().constData(), command.name,
                 command.usage);
    return 2;
}

int main(int argc, char** argv) {
    // Label pages need fonts, which only a GUI application has; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    removeHeldTempFilesOnExit(); // a script's kill leaves no half-written file beside a book
    LoadReadyChoice();           // what the user chose in the window holds for the sounds filed here too
    QStringList args = QCoreApplication::arguments().mid(1);
    g_TakeOverLock = args.removeAll(QLatin1String(kTakeOverOption)) > 0;
    if (args.isEmpty()) {
        printHelp(stderr);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printHelp(stdout);
        return 0;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        std::printf("kivtool %s\n", KIV_VERSION);
        return 0;
    }
    for (int i = 0; i < kKivCommandCount; ++i) {
        const KivCommand& c = kKivCommands[i];
        if (!c.run || name != QLatin1String(c.name))
            continue;
        // "kivtool COMMAND --help" explains that command; a book path cannot start with "--help".
        if (args.contains(QLatin1String("--help"))) {
            std::printf("用法: kivtool %s %s\n  %s\n", c.name, c.usage, c.help);
            return 0;
        }
        return c.run(args);
    }
    std::fprintf(stderr, "kivtool: 没有这个命令: %s\n\n", name.toUtf8().constData());
    printHelp(stderr);
    return 2;
}
