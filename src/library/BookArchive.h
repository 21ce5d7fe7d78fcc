#pragma once
// A whole book as one file (.kivbook): a standard zip holding the index KIV_Lib.cfg as it is and every sound
// file it names that lies inside the book, each stored under its last name. Names that clash are made
// unique and only those lines of the packed index name the new file. Unpacked elsewhere, the index's paths
// no longer exist and every sound is found in the book's folder by its last name.
//
// An archive can come from anyone. Unpacking writes only into a target folder that is empty or new, only
// plain files with plain names (no folders, links, devices, "..", absolute paths, drive letters or
// backslashes), only entries the index names, never more than each entry declares, and only when the free
// space holds it all. A marker file in the target says an unpack is under way; a run killed mid-way is
// cleaned up by the next start (RemoveUnfinishedUnpacks), so nothing half-unpacked stays a book.
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kBookArchiveIndex = "KIV_Lib.cfg";
constexpr const char* kUnpackMarker = ".kivbook-unpacking";
// The book's label sheet, when a pack carries one; unpacked beside the index for the receiver to print.
constexpr const char* kLabelSheetEntry = "标签页.pdf";
// More entries than a book of a million records can have is no book.
constexpr std::uint64_t kArchiveEntryLimit = 1000002;
// An entry that expands more than this many times over its packed size is taken for a zip bomb.
constexpr std::uint64_t kArchiveRatioLimit = 200;

struct PackReport {
    int sounds = 0;                   // sound files packed
    int renamed = 0;                  // of them, stored under a new name because their names clashed
    std::vector<std::string> missing; // stored paths (GBK) of sounds not packed: missing, or not in the book
    std::uint64_t bytes = 0;          // the sounds' and the index's size
};
// Looks at the book in the folder (native, ending in '/') without writing anything: what a pack would hold.
bool SurveyBook(const std::string& bookFolder, PackReport& report, QString* whyNot);
// Writes the archive, with the PDF file labelSheetPdf (native) as its label sheet when one is given. The
// target file is replaced only when the archive is whole; what packs killed mid-way left beside it goes.
bool PackBook(const std::string& bookFolder, const std::string& archivePath, PackReport& report,
              QString* whyNot, const std::string& labelSheetPdf = {});

struct UnpackReport {
    int sounds = 0;
    std::vector<std::string> missing; // sounds the index names that the archive does not hold (GBK)
    int skipped = 0;                  // entries the book does not use, left out
};
// Why the folder cannot take an unpacked book, or empty when it can (empty, or not there yet).
QString UnpackTargetProblem(const std::string& folder);
// Checks the archive whole first (names, types, sizes, encryption, free space), then unpacks into the
// folder (native). On any failure the folder is as it was (removed when it was made here).
bool UnpackBook(const std::string& archivePath, const std::string& folder, UnpackReport& report,
                QString* whyNot);
// Whether a native path names a book archive: a .kivbook, or a zip holding KIV_Lib.cfg.
bool IsBookArchive(const std::string& path);
// Removes what unpacks killed mid-way left (their folders' files and markers); returns how many.
int RemoveUnfinishedUnpacks();
