#include "cli/Command.h"

// One line per command; each command lives in its own file.
const std::vector<KivCommand> kKivCommands = {
    {"check", "BOOK_FOLDER", "检查点读书：找不到或不能播放的声音、重复的条码、不完整的记录", runCheck},
    {"labels",
     "BOOK_FOLDER --sheet NAME --out FILE.pdf [--codes FROM-TO] [--start N] [--copies N] [--outline] | "
     "--list-sheets",
     "把点读书的条码印成标签页 (PDF)；条码的类型和大小按KIV窗口用的 KIV.ini（程序文件夹里的，"
     "或用户数据文件夹 ~/.local/share/KIV/ 里的）",
     runLabels},
    {"import", "BOOK_FOLDER PATH...", "把声音文件（或文件夹里的全部声音文件）按文件名顺序存进点读书",
     runImport},
    {"say", "BOOK_FOLDER [--rate N] (TEXT... | --from FILE)", "把每行文字转成语音，存进点读书", runSay},
    {"level", "BOOK_FOLDER",
     "整理点读书的波形声音文件：去掉开头和结尾的静音，统一音量（只读文件和 MP3 保持原样）", runLevel},
    {"replace", "BOOK_FOLDER CODE FILE", "用一个声音文件替换某个条码的声音（条码和标注不变）", runReplace},
    {"pack", "BOOK_FOLDER FILE.kivbook [--labels SHEET]",
     "把整本点读书（索引和声音）打包成一个 .kivbook 文件；--labels 按编码顺序附上这种标签页的 PDF", runPack},
    {"unpack", "FILE.kivbook FOLDER", "把 .kivbook 文件解压到一个空的或新的文件夹", runUnpack},
};
