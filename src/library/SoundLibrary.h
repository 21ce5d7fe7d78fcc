#pragma once
// The sound library: every filed sound as a SOUND_RECORD in memory, mirrored in the index file KIV_Lib.cfg
// in LibraryFolder, with the sound files beside it. One object per process, created in main() right after
// the application object and destroyed before it; SoundLibrary() reaches it.
//
// Record pointers. Pointers the library hands out (the record of UM_RECORD_ADDED and UM_RECORD_UPDATED,
// FindRecord's result, ForEachRecord's argument, FileRecording's result) stay valid until that record is
// deleted (DeleteRecord, DeleteAllRecords) or the records are reloaded (LoadIndex, ClearRecords). Only those
// calls remove records, and the window that makes them must forget the rows they showed: after DeleteRecord
// the one record, after the others every record (LoadGeneration() then changes). A row that keeps the
// record's Index can always ask RecordByIndex(Index), which answers null once the record is gone; a stale
// pointer passed back to DeleteRecord or ReplaceRecording is refused, never followed.
//
// Texts are GBK bytes as stored; paths are GBK and converted with nativePath() only to open a file.
#include "library/IndexFile.h"
#include "library/IndexFormat.h"
#include "library/RecordMap.h"
#include "library/SoundFileLocator.h"
#include "library/SoundRecord.h"
#include "library/SoundRecorder.h"
#include "platform/core/FolderPath.h"

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class QLockFile;

class CSoundLibrary {
public:
    CSoundLibrary();
    // Closes and deletes the recorder, then frees every record; nothing is written.
    ~CSoundLibrary();
    CSoundLibrary(const CSoundLibrary&) = delete;
    CSoundLibrary& operator=(const CSoundLibrary&) = delete;

    // The recorder whose recording the library files; setting a new one closes and deletes the old one.
    void SetRecorder(std::unique_ptr<SoundRecorder> recorder);
    SoundRecorder* Recorder() const { return m_pRecorder.get(); }

    // The folder of the index and the sounds, GBK, ending in '/' (added when missing). Set before LoadIndex.
    void SetLibraryFolder(const std::string& gbkFolder);
    const std::string& LibraryFolder() const { return m_LibraryFolder.str(); }
    // LibraryFolder + "KIV_Lib.cfg" (GBK).
    std::string IndexPath() const;

    // How the open book may be used. A book is changed by one program at a time: the first one to open it
    // takes its lock (a file beside the index); others, and every copy on a medium that cannot be written,
    // only play and print it.
    enum class Access {
        Writable,
        ReadOnlyFolder,  // the folder cannot be written (read-only medium, no permission)
        LockedByOther,   // another program has it open for changing
        LockedElsewhere, // a program on another computer took its lock and has not let it go (it may be gone)
        CannotWrite,     // the folder takes no new content (a full disk, a quota): ReadOnlyReason says why
        UnnameableFolder, // the folder's name holds a blank and a '"': no index line could name its sounds
        LinkLeavesBook, // the index or KIV.ini is a link to a file outside the folder: never written through
    };
    // Lets the current book go, sets LibraryFolder, takes the book's lock when the folder can be written,
    // and loads the index. What it returns stays until the next OpenBook or CloseBook.
    Access OpenBook(const std::string& gbkFolder);
    // Releases the book's lock; the records stay, read-only.
    void CloseBook();
    // When another program had the book open for changing, tries its lock again; true when the book is
    // now ours to change. Nothing is reloaded: ask IndexChangedOnDisk.
    bool RetakeLock();
    // True when the index on disk is not the one the records were last loaded from or we last wrote: another
    // program or a hand changed it, and LoadIndex would show more (or less).
    bool IndexChangedOnDisk() const;
    Access BookAccess() const { return m_Access; }
    // Why the open book may only be played, in words for the user (for LockedElsewhere the question whether
    // to take it over); empty when it may be changed. The one place that says why.
    QString ReadOnlyReason() const;
    // Takes over the lock another computer's program left (LockedElsewhere), once the user agreed; true
    // when the book is now ours to change.
    bool TakeOverLock();
    // True when nothing may change the book: every operation that would change it refuses.
    bool IsReadOnly() const { return m_Access != Access::Writable; }

    // The sound file to open for a stored path: the stored one, or the one found by its last name in
    // LibraryFolder when the stored one does not exist (GBK). The stored text itself never changes.
    std::string SoundFileToPlay(std::string_view gbkStored, SoundFileFound* how = nullptr);

    // Replaces the records by the index file's; an index that cannot be read leaves the library empty. One
    // larger than a book's index can be is refused with a message, and later changes leave it alone.
    void LoadIndex();
    // When another program only appended to the index since it was loaded or written, adds the records of
    // the new lines alone (in file order, into added) and returns true; also true when nothing changed.
    // False when anything else changed: LoadIndex then. Nobody is told.
    bool LoadAppendedRecords(std::vector<const SOUND_RECORD*>& added);
    // Frees every record and restarts the running index at 0.
    void ClearRecords();
    // Enters the record under the running index (set as its Index); returns the stored record.
    const SOUND_RECORD* AddRecord(SOUND_RECORD record);

    // Writes the next code ("%06d": one more than the largest number held) into code; 0, after telling the
    // user, when a record already holds 999999 or more.
    int AllocateCode(std::string& code);
    // The first record (enumeration order) whose code is the number, or null; copies it when asked.
    const SOUND_RECORD* FindRecord(int number, SOUND_RECORD* copy = nullptr);
    // Files the current recording under a new code with the annotation (GBK; normalised as
    // NormaliseContent says). Returns the new record, or null after telling the user why.
    const SOUND_RECORD* FileRecording(std::string_view content);
    // Writes a sound file at a stored GBK path (convert with nativePath() to open it); true only when the
    // whole file is there. It must replace the file atomically, so a crash leaves no torn sound.
    using SoundWriter = std::function<bool(const std::string& gbkPath)>;
    // Files the sound that writer makes, exactly as FileRecording files a recording (code, index line, list
    // row, UM_RECORD_ADDED), but tells nobody: on failure returns null with the reason in *whyNot.
    const SOUND_RECORD* FileSound(std::string_view content, const SoundWriter& writer, QString* whyNot);
    // Saves the current recording as the sound of that record ("%06d.wav" of its number in LibraryFolder);
    // its index line moves to the end. 1 when saved and recorded in the index, else 0.
    int ReplaceRecording(int number);
    int ReplaceRecording(const SOUND_RECORD* record);
    // Looking after a filed record (RecordEdits.cpp); the record is the one a row shows, and one no longer
    // held is refused. Both tell nobody: on failure they return false with the reason in *whyNot.
    // Gives the record a new annotation (GBK; normalised as NormaliseContent says): only the annotation field
    // of its own index line changes, every other byte of the index stays; then UM_RECORD_UPDATED.
    bool ChangeAnnotation(const SOUND_RECORD* record, std::string_view content, QString* whyNot);
    // Replaces the record's sound by the wave file writer makes: over the record's own wave file when it is
    // one inside the book, else as "%06d.wav" of its number, and then only the type and path of its line
    // change (in place). The old sound stays until the new one is whole; then UM_RECORD_UPDATED.
    bool ReplaceSound(const SOUND_RECORD* record, const SoundWriter& writer, QString* whyNot);

    // Deletes the sound file of the first record with that number, if it is a sound inside LibraryFolder
    // (isDeletableSound); anything else stays, silently.
    int DeleteSoundFile(int number);
    // The same for the given record (the one a row shows); a record no longer held is refused.
    int DeleteSoundFile(const SOUND_RECORD* record);
    // Removes every index line whose first field is that number; 1 when the index was rewritten (also with
    // no line removed), 0 when it could not be read or written.
    int RemoveIndexLines(int number);
    // Deletes one record: its own index line first, then its entry and its sound file. The number form
    // deletes the first record with that number; the record form the given one (the one a row shows).
    int DeleteRecord(int number);
    int DeleteRecord(const SOUND_RECORD* record);
    // Deletes the given records (the rows selected in the list) with one rewrite of the index: first their
    // own lines, then their entries and sound files. A record not held (or named twice) is skipped. deleted
    // tells, for each given pointer, whether its record went. False when the index could not be read or
    // rewritten, or when another program changed a given record's line since the load (reload first): then
    // nothing changed.
    bool DeleteRecords(const std::vector<const SOUND_RECORD*>& records, std::vector<bool>* deleted = nullptr);
    // Deletes every record and its sound file and leaves the index empty; false, with nothing changed, when
    // the index cannot be rewritten.
    bool DeleteAllRecords();
    // Calls fn for every record in enumeration order, under the lock.
    void ForEachRecord(const std::function<void(const SOUND_RECORD*)>& fn);

    std::size_t RecordCount() const;
    int RunningIndex() const;
    const SOUND_RECORD* RecordByIndex(int index) const;
    // Changes whenever every record goes at once (LoadIndex, ClearRecords, DeleteAllRecords).
    unsigned LoadGeneration() const { return m_Generation; }

private:
    // names: when given, the names in LibraryFolder, so a file that is not there costs no system call.
    bool deleteSoundFileOf(const SOUND_RECORD* record,
                           const std::unordered_set<std::string>* names = nullptr);
    // Whether a record's file may be deleted: a sound, that is a plain file inside LibraryFolder that is not
    // the index, KIV.ini, the book's lock, the running program or a temporary file of ours.
    bool isDeletableSound(std::string_view gbkPath,
                          const std::unordered_set<std::string>* names = nullptr) const;
    // The entry of the record's own line in the index: among the lines with its number and its fields, the
    // one its rank among identical twins picks (none when no line matches). False when the index is
    // unreadable.
    bool ownLine(const SOUND_RECORD* record, std::optional<std::size_t>& entry);
    // How many records with the same fields as this one come before it (by key).
    int twinRank(const SOUND_RECORD* record) const;
    std::string soundPathFor(int number) const;
    // Takes the lock of the book in LibraryFolder (native folder) when it can; sets m_Access. A lock no
    // program can hold (not a regular file, empty or garbage) is cleared first.
    void takeLock(const CFolderPath& folder);
    // LibraryFolder, native, to name the book's files on disk.
    CFolderPath nativeFolder() const;
    // The filing behind FileRecording and FileSound; a failure is told (box) or, when quiet, only returned.
    const SOUND_RECORD* fileSound(std::string_view content, const SoundWriter& writer, QString* whyNot);

    std::unique_ptr<SoundRecorder> m_pRecorder;
    CFolderPath m_LibraryFolder;
    mutable std::recursive_mutex m_Lock;
    CRecordMap m_Map;
    unsigned m_Generation = 0;
    CIndexFile m_Index;
    CSoundFileLocator m_Locator;
    Access m_Access = Access::Writable;
    std::unique_ptr<QLockFile> m_pBookLock;
    QString m_LockHost;        // LockedElsewhere: the other computer
    QString m_LockTime;        // LockedElsewhere: when it took the lock
    int m_WriteError = 0;      // CannotWrite: the errno value of a try
    std::string m_OutsideLink; // LinkLeavesBook: the book's file that is the link
};

// What the user is told of an index larger than a book's can be (kIndexFileLimit), which is never read.
QString IndexTooLargeText(std::string_view gbkIndexPath);

// The process-wide library (the one constructed last and still alive).
CSoundLibrary& SoundLibrary();
bool HasSoundLibrary();
