#include "Text.h"

namespace tncsim {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string toUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string toLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> words(std::string_view text, bool commas) {
    std::vector<std::string> out;
    std::string current;
    for (char c : text) {
        if (isBlank(c) || (commas && c == ',')) {
            if (!current.empty()) out.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) out.push_back(std::move(current));
    return out;
}

std::string afterFirstWord(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    while (i < text.size() && !isBlank(text[i]))
        ++i;
    return trimmed(text.substr(i));
}

bool abbreviates(std::string_view word, std::string_view full, std::size_t minLen) {
    return word.size() >= minLen && word.size() <= full.size() && full.substr(0, word.size()) == word;
}

std::string escaped(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c >= 0x20 && c < 0x7f) {
                out += ch;
            } else {
                out += "\\x";
                out += digits[c >> 4];
                out += digits[c & 0xf];
            }
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '0':
            out += '\0';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            int value = 0;
            int count = 0;
            while (count < 2 && i + 1 < text.size() && hexValue(text[i + 1]) >= 0) {
                value = value * 16 + hexValue(text[++i]);
                ++count;
            }
            if (count == 0) return std::nullopt;
            out += static_cast<char>(value);
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::string replaceWord(std::string_view text, std::string_view word, std::string_view with) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const bool startsWord = i == 0 || !isWordChar(text[i - 1]);
        const std::size_t end = i + word.size();
        if (startsWord && text.substr(i, word.size()) == word &&
            (end == text.size() || !isWordChar(text[end]))) {
            out += with;
            i = end;
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace tncsim
