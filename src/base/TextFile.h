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

// Reads `size` bytes at `offset`, retrying short reads; false on an error or
// when the file ends first.
bool ReadAt(int fd, char* out, size_t size, long long offset);

}  // namespace nimbrel
