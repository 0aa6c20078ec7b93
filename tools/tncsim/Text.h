// Small text helpers shared by the simulator's parts. All data is 8-bit bytes in std::string.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tncsim {

using Bytes = std::string;

std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);
std::string trimmed(std::string_view text);

// Words separated by blanks or tabs; commas also separate when `commas` is set.
std::vector<std::string> words(std::string_view text, bool commas = false);

// The text after the first word, blanks around it trimmed.
std::string afterFirstWord(std::string_view text);

// True when `word` (already upper case) is `full` or an abbreviation of it at least minLen long.
bool abbreviates(std::string_view word, std::string_view full, std::size_t minLen);

// Bytes as one printable line: \r \n \t \\ and \xHH for everything outside 0x20-0x7E.
std::string escaped(std::string_view bytes);

// The reverse for script texts: \r \n \t \0 \\ \xHH. Empty optional on a bad escape.
std::optional<std::string> unescaped(std::string_view text);

// Replaces whole-word occurrences of `word` (letters and digits form words).
std::string replaceWord(std::string_view text, std::string_view word, std::string_view with);

bool allDigits(std::string_view text);

} // namespace tncsim
