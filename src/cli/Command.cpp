#include "cli/Command.h"

#include "library/SoundLibrary.h"
#include "platform/core/FolderPath.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr const char* kTakeOverOption = "--take-over";

void printHelp(CommandOutput& out, bool toError) {
    QString text = QStringLiteral("用法: kivtool 命令 [参数...]\n\n命令:\n");
    for (const KivCommand& c : kKivCommands)
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QString::fromUtf8(c.name), QString::fromUtf8(c.usage), QString::fromUtf8(c.help));
    text += QStringLiteral("\n  --take-over       点读书在另一台电脑上打开而没有关闭时，接管它\n");
    text += QStringLiteral("  kivtool --help    显示本说明\n");
    out.write(text.toUtf8(), toError);
}

// The word a failed parse stumbled on: an option not in the list, or the last one, which lacks its value.
QString offendingWord(const QStringList& args, const QList<QCommandLineOption>& options) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--"))
            break;
        if (!a.startsWith(u'-') || a.size() == 1)
            continue;
        const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
        const auto known = std::find_if(options.begin(), options.end(), [&](const QCommandLineOption& o) {
            return o.names().contains(name);
        });
        if (known == options.end())
            return a;
        if (!known->valueName().isEmpty() && !a.contains(u'=') && ++i >= args.size())
            return a;
    }
    return args.value(args.size() - 1);
}

} // namespace

CommandRun::CommandRun(const KivCommand& command, std::vector<std::string> words, bool takeOver,
                       CommandOutput& out)
    : m_Command(command), m_Words(std::move(words)), m_TakeOver(takeOver), m_Out(out) {
    for (const std::string& w : m_Words)
        m_Args << QFile::decodeName(QByteArray::fromStdString(w));
}

std::vector<std::string> CommandRun::NativePositional(const QStringList& positional) const {
    // In the order given: each positional word is the next word of the command line that reads as it.
    std::vector<std::string> native;
    qsizetype from = 0;
    for (const QString& p : positional) {
        const qsizetype at = m_Args.indexOf(p, from);
        native.push_back(at < 0 ? QFile::encodeName(p).toStdString() : m_Words[static_cast<std::size_t>(at)]);
        from = at < 0 ? from : at + 1;
    }
    return native;
}

void CommandRun::Line(const QString& text, bool toError) {
    m_Out.write((text + u'\n').toUtf8(), toError);
}

void CommandRun::Problem(const QString& text) {
    Line(QStringLiteral("kivtool: ") + text, true);
}

int CommandRun::UsageError(const QString& text) {
    Problem(text);
    Line(QStringLiteral("用法: kivtool %1 %2")
             .arg(QString::fromUtf8(m_Command.name), QString::fromUtf8(m_Command.usage)),
         true);
    return kUsageError;
}

bool CommandRun::Parse(QCommandLineParser& parser, const QList<QCommandLineOption>& options) {
    parser.addOptions(options);
    if (parser.parse(QStringList{QStringLiteral("kivtool")} + m_Args))
        return true;
    UsageError(QStringLiteral("参数不对: %1").arg(offendingWord(m_Args, options)));
    return false;
}

int RunKivtool(std::vector<std::string> words, CommandOutput& out) {
    const auto taken = std::remove(words.begin(), words.end(), kTakeOverOption);
    const bool takeOver = taken != words.end();
    words.erase(taken, words.end());
    if (words.empty()) {
        printHelp(out, true);
        return kUsageError;
    }
    const std::string name = words.front();
    words.erase(words.begin());
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(out, false);
        return kSucceeded;
    }
    if (name == "--version" || name == "-v") {
        out.write(QByteArrayLiteral("kivtool " KIV_VERSION "\n"), false);
        return kSucceeded;
    }
    const auto command = std::find_if(kKivCommands.begin(), kKivCommands.end(),
                                      [&](const KivCommand& c) { return name == c.name; });
    if (command == kKivCommands.end()) {
        out.write(QStringLiteral("kivtool: 没有这个命令: %1\n\n").arg(QString::fromStdString(name)).toUtf8(),
                  true);
        printHelp(out, true);
        return kUsageError;
    }
    // "kivtool COMMAND --help" explains that command; a book path cannot start with "--help".
    if (std::find(words.begin(), words.end(), "--help") != words.end()) {
        out.write(QStringLiteral("用法: kivtool %1 %2\n  %3\n")
                      .arg(QString::fromUtf8(command->name), QString::fromUtf8(command->usage),
                           QString::fromUtf8(command->help))
                      .toUtf8(),
                  false);
        return kSucceeded;
    }
    CommandRun run(*command, std::move(words), takeOver, out);
    // A message box answered here must not outlive the run that answers it.
    const MessageBoxResponder before = setMessageBoxResponder({});
    setMessageBoxResponder(before);
    const int status = command->run(run);
    setMessageBoxResponder(before);
    return status;
}

bool OpenBookForChange(CommandRun& run, const QString& folder, CSoundLibrary& library) {
    // A question would wait for ever: say it and take the cautious answer.
    setMessageBoxResponder([&run](const MessageBoxCall& call) {
        run.Problem(call.text.trimmed());
        return (call.type & 0xF) == MB_YESNO || (call.type & 0xF) == MB_YESNOCANCEL ? IDNO : IDOK;
    });
    const QFileInfo info(folder);
    if (!info.isDir()) {
        run.Problem(QStringLiteral("找不到点读书文件夹 %1").arg(folder));
        return false;
    }
    const std::string native = CFolderPath(QFile::encodeName(info.absoluteFilePath()).toStdString()).str();
    bool ok = false;
    const std::string gbk = gbkFromNative(native, &ok);
    if (!ok) {
        run.Problem(QStringLiteral("点读书文件夹的路径里有不能保存的字符: %1").arg(folder));
        return false;
    }
    // The book's lock is taken for the whole run: a KIV that opens the book meanwhile only plays it.
    if (library.OpenBook(gbk) == CSoundLibrary::Access::LockedElsewhere && run.TakeOver())
        library.TakeOverLock();
    if (!library.IsReadOnly())
        return true;
    QString why = library.ReadOnlyReason();
    if (library.BookAccess() == CSoundLibrary::Access::LockedElsewhere)
        why += QStringLiteral("（用 --take-over 接管）");
    run.Problem(why);
    return false;
}
