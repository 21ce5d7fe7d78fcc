// kivtool: the book operations of KIV without a window, for scripts and for people who make many books.
#include "app/SoundChoices.h"
#include "cli/Command.h"
#include "platform/core/TempFiles.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

class StandardOutput : public CommandOutput {
public:
    void write(const QByteArray& bytes, bool toError) override {
        FILE* out = toError ? stderr : stdout;
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
        std::fflush(out);
    }
};

} // namespace

int main(int argc, char** argv) {
    // Label pages need fonts, which only a GUI application has; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    removeHeldTempFilesOnExit(); // a script's kill leaves no half-written file beside a book
    LoadReadyChoice();           // what the user chose in the window holds for the sounds filed here too
    // The words as the shell passed them (Qt has taken its own out), so a file name in any encoding reaches
    // the file.
    StandardOutput out;
    return RunKivtool(std::vector<std::string>(argv + 1, argv + argc), out);
}
