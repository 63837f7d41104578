#pragma once
// The one failure the encoder raises. Callers see the number and the text
// that the encoder's users already know: 1 for the encoder's own checks,
// 6 for a value that does not fit where it has to be stored, 9 for a buffer
// or an array used out of its bounds; file errors carry the number of the
// matching file error (52 bad name, 61 disk full, 70 permission denied,
// 75 path/file access error, 76 path not found).
#include <stdexcept>
#include <string>

namespace nimbrel {

class JpegError : public std::runtime_error {
public:
    JpegError(int number, const std::string& description, int systemError = 0)
        : std::runtime_error(description), number_(number), systemError_(systemError) {}
    int Number() const { return number_; }
    std::string Description() const { return what(); }
    // For a file error, the system's error number (errno) behind it, which
    // tells apart what one file error number groups (a read-only disk and a
    // folder without permission are both 70); 0 otherwise.
    int SystemError() const { return systemError_; }

private:
    int number_;
    int systemError_;
};

namespace jpeg_errors {
inline constexpr int kOwnCheck = 1;
inline constexpr int kOverflow = 6;
inline constexpr int kSubscript = 9;
inline constexpr const char* kOverflowText = "Overflow";
inline constexpr const char* kSubscriptText = "Subscript out of range";
}  // namespace jpeg_errors

}  // namespace nimbrel
