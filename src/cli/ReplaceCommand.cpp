// kivtool replace: a sound file becomes the sound of a code already in the book; the label keeps working.
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "library/ImportSounds.h"
#include "library/ReplaceSound.h"
#include "library/SoundLibrary.h"

#include <QRegularExpression>

int runReplace(const QStringList& args) {
    const KivCommand& self = kivCommandNamed("replace");
    if (args.size() != 3)
        return usageError(self, QStringLiteral("需要点读书文件夹、条码和声音文件"));
    if (!QRegularExpression(QStringLiteral("^\\d{1,6}$")).match(args[1]).hasMatch())
        return usageError(self, QStringLiteral("条码应是最多六位的数字: %1").arg(args[1]));
    const std::vector<std::string> words = nativeArguments();
    const std::string file = words.back();
    CSoundLibrary library;
    if (!openBookForChange(args.first(), library))
        return 1;
    RemoveUnfinishedSounds(library);
    const SOUND_RECORD* record = library.FindRecord(args[1].toInt());
    QString problem = QStringLiteral("点读书里没有这个条码");
    if (record && ReplaceSoundFromFile(library, record, file, g_ReadyChoice, &problem)) {
        printLine(QStringLiteral("%1  %2").arg(QString::fromStdString(record->Code.str()), NameText(file)));
        printLine(QStringLiteral("已替换 1 个声音。"));
        return 0;
    }
    printLine(QStringLiteral("%1  没有替换: %2").arg(args[1], problem), true);
    printLine(QStringLiteral("已替换 0 个声音。"));
    return 1;
}
