// Pieces the operations' sources share and nobody else needs: the name
// rules of panel items and list names.
#pragma once

#include "checker/checker.h"
#include "seam/seam.h"

#include <string>
#include <string_view>

namespace OperationsDetail {

// Equal length, and the same characters with the letters A to Z compared
// without case; other bytes (the host's code page) must be equal.
inline bool SameTextIgnoringCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < A.size(); ++i)
        if (fold(A[i]) != fold(B[i]))
            return false;
    return true;
}

// From the last dot to the end, unless a backslash or a colon follows that
// dot (the dot then belongs to a directory or a drive); otherwise empty.
inline std::string_view NameExtension(std::string_view Name) {
    const size_t dot = Name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view extension = Name.substr(dot);
    return extension.find_first_of("\\:") == std::string_view::npos ? extension
                                                                    : std::string_view{};
}

// The panel item that holds the file at Path: the top-level name of the
// path, and whether that is a folder (else the path names a file of the
// panel's directory itself, "./a.txt" included).
inline std::string_view PanelItemOf(std::string_view Path, bool& InFolder) {
    const std::string_view item = TopLevelName(Path);
    const auto end = static_cast<size_t>(item.data() - Path.data()) + item.size();
    InFolder = end < Path.size();
    return item;
}

} // namespace OperationsDetail
