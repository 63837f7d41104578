#pragma once
// Whole-file writing from pieces. A document that is mostly a few long lists
// is written straight from where its parts live, so a save never assembles a
// second copy of it; the file gets the pieces one after the other and one
// CR LF, with the same safety as WriteTextFile (a new file renamed over the
// old, or, where the folder takes no new file, the old one rewritten in place
// after its space is reserved).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

using TextPieces = std::vector<std::string_view>;

// What a caller may add to the one way of saving that can be torn by a kill:
// the rewrite in place. Both are optional.
struct InPlaceRewrite {
    // The pieces to write instead of the usual ones (a text that carries a
    // check of itself, so that a torn file can be told from a whole one).
    std::function<TextPieces(const TextPieces&)> pieces;
    // Called with the old file open for reading and writing and its length,
    // once the space for the new text (and for 256 bytes more than the old
    // one) is reserved, and before a byte of the old text is overwritten;
    // false (with the reason in `error`) ends the save there.
    std::function<bool(int fd, long long oldSize, std::string& error)> before;
    // Set when the save took this way.
    bool used = false;
};

// The pieces and one CR LF. False on any failure, with the system's reason
// ("No space left on device") in `error`.
bool WriteTextPieces(const TextPieces& pieces, const std::string& path, std::string& error,
                     InPlaceRewrite* inPlace = nullptr);

// A new file written beside the one it replaces, not yet flushed to the disk
// nor renamed over the old one. Writing the text only reaches the page cache
// and is quick; the flushes are what wait on the disk, so they can be left
// to another thread while the old file stays whole and in place. Dropped
// without a commit, the new file is removed and the old one stays.
class FileReplacement {
public:
    FileReplacement() = default;
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&& other) noexcept;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // True while there is a new file waiting for Commit.
    bool Pending() const { return fd_ >= 0; }
    // Flushes the new file, renames it over the old one and flushes the
    // folder, so that a crash at any moment leaves the old file or the new
    // one whole. Safe on any thread, once; false (with the system's reason)
    // when the new file could not be flushed or put in place, and then the
    // old file is left as it was.
    bool Commit(std::string& error);

private:
    friend bool BeginTextPieces(const TextPieces&, const std::string&, std::string&, InPlaceRewrite*, FileReplacement&);
    void Abandon();

    int fd_ = -1;
    std::string tmp_, path_, folder_;
};

// WriteTextPieces up to the flushes: the text is in a new file that `out`
// commits. Where the folder takes no new file and the old file is rewritten
// in place, that rewrite is done and flushed here at once (`out` then holds
// nothing to commit): it is rare, and its order of writes is what keeps it
// safe against a kill.
bool BeginTextPieces(const TextPieces& pieces, const std::string& path, std::string& error, InPlaceRewrite* inPlace,
                     FileReplacement& out);

// Reads `size` bytes at `offset`, retrying short reads; false on an error or
// when the file ends first.
bool ReadAt(int fd, char* out, size_t size, long long offset);

}  // namespace nimbrel
