#pragma once
// settings.txt as the loader reads it, without ever holding the whole file.
//
// The file is read once, front to back, in pieces that each begin at a "<"
// (the first piece begins at the start of the file). A piece of up to
// kPieceKept bytes is kept whole in the outline; of a longer one (a history
// list, or a value grown by hand or by a hostile answer) only its first and
// its last kPieceKept bytes are kept, and its place in the file and its
// number of "," are noted. Every tag therefore stands in the outline where it stands in
// the file, every value but the long ones reads exactly as before, and a
// history list is read afterwards from its newest end, only as far back as
// the entries that are kept.
//
// The file may also carry a check of itself, which a rewrite in place leaves
// as the last key of the program's own section: the length of the text
// before it and a hash of that text. A file that names a check which does
// not hold was torn by a rewrite that did not finish.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// A piece longer than this keeps only its head in the outline.
constexpr size_t kPieceKept = 4096;
// The outline never grows beyond this; a file with more text outside its
// long pieces is read only that far (and is damaged).
constexpr size_t kOutlineLimit = 4u << 20;

struct SettingsOutline {
    std::string text;  // valid UTF-8, long pieces cut to their head and tail
    struct LongPiece {
        size_t textStart = 0;                  // where the piece begins in `text`
        size_t textEnd = 0;                    // where its kept head and tail end in `text`
        long long fileStart = 0, fileEnd = 0;  // the whole piece in the file
        uint64_t commas = 0;                   // "," in the whole piece
    };
    std::vector<LongPiece> longPieces;
    long long fileSize = 0;
    bool cutShort = false;     // the outline reached kOutlineLimit
    bool claimsCheck = false;  // the file names a check of itself
    bool checkHolds = false;   // and that check holds
};

// Reads the outline of an open regular file; throws std::runtime_error with
// the system's reason when it cannot be read.
SettingsOutline ReadSettingsOutline(int fd, const std::string& path);

// One stored list, either a text of the outline or a stretch of the file.
struct StoredList {
    std::string_view inOutline;
    bool inFile = false;
    long long from = 0, to = 0;  // the stretch in the file
    uint64_t commas = 0;         // "," in the stretch
    uint64_t Entries() const;
};

// A list whose closing tag was lost: without its last entry where that may
// be cut short (`dropLast`), and without the "," and line ends at its end.
void TrimCutList(int fd, StoredList& list, bool dropLast);

// Entries [first, last) of the list (0 is the oldest) joined by ",", as
// valid UTF-8, each cut to at most maxEntry bytes. Only the part of the file
// from the list's end back to entry `first` is read.
std::string ListEntries(int fd, const StoredList& list, uint64_t first, uint64_t last,
                        size_t maxEntry = static_cast<size_t>(-1));

// The hash the check holds: 64 bits over the text, fed in any pieces.
class TextHash {
public:
    void Add(std::string_view bytes);
    uint64_t Value() const;

private:
    uint64_t h_ = 0x6a09e667f3bcc908ull;
    uint64_t length_ = 0;
    uint64_t carry_ = 0;
    size_t carried_ = 0;
};

// The key that holds the check, and its value for a text of `length` bytes
// with the given hash: "<check>LENGTH HASH</check>".
constexpr std::string_view kCheckOpen = "<check>";
constexpr std::string_view kCheckClose = "</check>";
std::string CheckEntry(uint64_t length, uint64_t hash);

// Makes a file that carries no check carry one of its current text, by
// appending a section that holds only the check (written only where the
// file will next be rewritten in place, so that a rewrite torn by a kill is
// seen). A file that already names a check is left alone. False, with the
// reason, when it could not be read or written.
bool AddCheckToFile(int fd, long long size, std::string& error);

}  // namespace nimbrel
