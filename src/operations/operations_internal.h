// Pieces the operations' sources share and nobody else needs: the host
// services as the operations call them, and the name rules of panel items.
#pragma once

#include "checker/checker.h"
#include "host/host.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace OperationsDetail {

// Message with no help topic; -1 (as Esc) when the host offers no service.
// Every line is shown through ShownText: names from panels and lists may
// hold control characters.
int HostMessage(DWORD Flags, const char* const* Items, int ItemsNumber, int ButtonsNumber);

// A plug-in without panels of its own always passes INVALID_HANDLE_VALUE.
inline void HostControl(int Command, void* Param) {
    if (StartupInfo.Control != nullptr)
        StartupInfo.Control(INVALID_HANDLE_VALUE, Command, Param);
}

// Buttons of the host's FMSG_MB_YESNO and FMSG_MB_YESNOCANCEL sets (Cancel,
// the third, and Esc are what neither Yes nor No is).
constexpr int YesButton = 0;
constexpr int NoButton = 1;

// Texts the host hands over in fixed arrays are read no further than the
// array, terminated or not.
template <size_t Capacity> std::string FixedText(const char (&Text)[Capacity]) {
    return std::string(Text, strnlen(Text, Capacity));
}

inline std::string PanelDirectory(const PanelInfo& Panel) {
    return FixedText(Panel.CurDir);
}

inline std::string ItemName(const PluginPanelItem& Item) {
    return FixedText(Item.FindData.cFileName);
}

inline bool IsDirectoryItem(const PluginPanelItem& Item) {
    return (Item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY_FAR) != 0;
}

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
