// Looking after a filed record: a new annotation, a new sound. Both edit the record's own index line in its
// place, so the code printed on a label keeps playing the same record.
#include "library/SoundLibrary.h"

#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/Messages.h"
#include "platform/core/UiText.h"

#include <QStringLiteral>
#include <cstdio>

namespace {

QString cannotWrite(const std::string& gbkPath) {
    return uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(gbkPath));
}

bool endsWithWav(std::string_view path) {
    if (path.size() < 4)
        return false;
    std::string tail(path.substr(path.size() - 4));
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".wav";
}

// Why a record cannot be changed at all, or nothing.
QString editRefusal(bool readOnly, bool owned) {
    if (readOnly)
        return uiText("这本点读书只能播放，不能修改。");
    if (!owned)
        return uiText("这条记录已经不在点读书里了。");
    return {};
}

bool refuse(QString* whyNot, const QString& text) {
    if (whyNot)
        *whyNot = text;
    return false;
}

} // namespace

bool CSoundLibrary::ChangeAnnotation(const SOUND_RECORD* record, std::string_view content, QString* whyNot) {
    std::lock_guard lock(m_Lock);
    auto fail = [whyNot](const QString& text) { return refuse(whyNot, text); };
    if (const QString why = editRefusal(IsReadOnly(), m_Map.Owns(record)); !why.isEmpty())
        return fail(why);
    std::optional<std::size_t> own;
    if (!ownLine(record, own))
        return fail(cannotWrite(IndexPath()));
    if (!own)
        return fail(uiText("索引文件里找不到这条记录（也许被别的程序改过），没有修改。"));
    std::string line;
    if (!ReplaceContentField(m_Index.LineTextAt(*own), content, line))
        return fail(uiText("这条记录在索引文件里的写法不完整，不能修改标注。"));
    if (!m_Index.ReplaceLine(*own, line))
        return fail(cannotWrite(IndexPath()));
    SOUND_RECORD* p = m_Map.ByKey(record->Index);
    p->Content = NormaliseContent(content);
    sendMessage(mainWindow(), UM_RECORD_UPDATED, reinterpret_cast<WPARAM>(p), 0);
    return true;
}

bool CSoundLibrary::ReplaceSound(const SOUND_RECORD* record, const SoundWriter& writer, QString* whyNot) {
    std::lock_guard lock(m_Lock);
    auto fail = [whyNot](const QString& text) { return refuse(whyNot, text); };
    if (const QString why = editRefusal(IsReadOnly(), m_Map.Owns(record)); !why.isEmpty())
        return fail(why);
    // The record's own wave file inside the book is replaced where it is: its line need not change, and a
    // line made on Windows keeps its path.
    const std::string playing = m_Locator.Locate(record->SoundFile);
    std::string target = playing;
    bool lineChanges = false;
    if (!(record->SoundType == "S_WAV" && endsWithWav(playing) && isDeletableSound(playing))) {
        target = soundPathFor(CodeNumber(record->Code));
        if (target.size() > kSoundFileLimit)
            return fail(cannotWrite(target));
        // Never over a file this record does not play: it may be another record's, or the user's.
        if (target == playing && fileExists(nativePath(target)))
            return fail(uiText("声音文件 \"%1\" 不能改写（只读？），没有替换。").arg(fromGbk(target)));
        if (target != playing && fileExists(nativePath(target)))
            return fail(uiText("点读书文件夹里已经有文件 \"%1\"，它不是这条记录的声音，没有覆盖。")
                            .arg(fromGbk(target)));
        // A path that is missing here but ends in the new file's name (a Windows line) finds it once written.
        lineChanges = record->SoundType != "S_WAV" ||
                      (record->SoundFile != target && LastNameOf(record->SoundFile) != LastNameOf(target)) ||
                      fileExists(nativePath(std::string(record->SoundFile.view())));
    }
    std::optional<std::size_t> own;
    std::string line;
    SOUND_RECORD updated = *record;
    if (lineChanges) {
        updated.SoundType = "S_WAV";
        updated.SoundFile = target;
        if (updated.Content.empty())
            updated.Content = "Null";
        if (!ownLine(record, own) || !own || !FormatIndexLine(updated, line))
            return fail(cannotWrite(IndexPath()));
    }
    const bool targetIsNew = !fileExists(nativePath(target));
    if (!writer(target))
        return fail(uiText("不能保存声音文件 \"%1\"，原来的声音没有改动。").arg(fromGbk(target)));
    if (lineChanges && !m_Index.ReplaceLine(*own, line)) {
        // The line still names the old sound, which is untouched: the new file would be an orphan.
        if (targetIsNew)
            deleteFile(nativePath(target));
        return fail(cannotWrite(IndexPath()));
    }
    SOUND_RECORD* p = m_Map.ByKey(record->Index);
    if (lineChanges) {
        const std::string old = p->SoundFile.str();
        p->SoundType = updated.SoundType;
        p->SoundFile = updated.SoundFile;
        p->Content = updated.Content;
        // The old sound goes with its last name in the index, unless another record still plays it.
        bool shared = false;
        m_Map.ForEach([&](const SOUND_RECORD* r) { shared = shared || r->SoundFile == old; });
        if (!shared && playing != target && isDeletableSound(playing))
            deleteFile(nativePath(playing));
    }
    sendMessage(mainWindow(), UM_RECORD_UPDATED, reinterpret_cast<WPARAM>(p), 0);
    return true;
}
