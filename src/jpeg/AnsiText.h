#pragma once
// The comment travels as UTF-8 in the program and is written one byte per
// character in Windows-1252, the code page the files were always written in.
#include <string>

namespace nimbrel::ansi_text {

// Characters of a UTF-8 text; a byte that does not start a valid sequence
// counts as one character.
size_t CharacterCount(const std::string& utf8);

// One byte per character; a character Windows-1252 cannot hold becomes '?',
// its default character.
std::string ToWindows1252(const std::string& utf8);

}  // namespace nimbrel::ansi_text
