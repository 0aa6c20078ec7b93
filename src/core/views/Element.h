#pragma once
// An element of a window under its own name. Each window lists its elements as constants of its
// own element type, so a misspelt element, or one of another window, fails to compile.
#include <cstring>

namespace tolvex {

template <class Window> struct ElementName {
    constexpr explicit ElementName(const char* n) : name(n) {}
    const char* name;
    friend bool operator==(ElementName a, ElementName b) { return std::strcmp(a.name, b.name) == 0; }
};

} // namespace tolvex
