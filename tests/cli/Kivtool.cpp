#include "cli/Kivtool.h"

#include "cli/Command.h"

#include <QFile>

namespace {

class CaughtOutput : public CommandOutput {
public:
    void write(const QByteArray& bytes, bool toError) override { (toError ? err : out) += bytes; }
    QByteArray out, err;
};

} // namespace

ProcessRun kivtool(const QStringList& args) {
    std::vector<std::string> words;
    for (const QString& a : args)
        words.push_back(QFile::encodeName(a).toStdString());
    CaughtOutput caught;
    ProcessRun run;
    run.exitCode = RunKivtool(std::move(words), caught);
    run.out = QString::fromUtf8(caught.out);
    run.err = QString::fromUtf8(caught.err);
    return run;
}

ProcessRun kivtoolProcess(const QStringList& args, const ProcessOptions& options) {
    return runProcess(qEnvironmentVariable("KIV_BINARY_DIR") + QStringLiteral("/kivtool"), args, options);
}
