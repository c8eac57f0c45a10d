// How an operation hands its failure text to a caller that may not want it.
#pragma once

#include <string>
#include <utility>

// Stores the text when the caller gave a target; always false, so operations can return it.
inline bool FailWith(std::wstring* errorOut, std::wstring text) {
    if (errorOut) *errorOut = std::move(text);
    return false;
}
