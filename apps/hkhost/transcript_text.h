// How the substitute host writes texts, flags and names into a transcript.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace HkHost {

// Makes printed texts the same on every platform: the sandbox path becomes
// $SANDBOX, where the separator is the backslash paths are shown with '/',
// and the system's texts for the errors scenarios produce are shown by name,
// "(system: no such file)".
class TextShower {
public:
    TextShower(const std::string& sandbox, char separator);
    // The text in double quotes: " \ CR LF TAB and bytes outside printable
    // ASCII escaped, so a transcript is plain ASCII. Null shows as null.
    std::string Quote(const char* text) const;
    std::string Quote(const std::string& text) const { return Quote(text.c_str()); }
    // Without quotes (a path the host names itself).
    std::string Plain(const std::string& text) const;

private:
    std::string Sandbox_;
    char Separator_;
    std::vector<std::pair<std::string, std::string>> SystemTexts_;
};

// Bytes of a file, one output line per line of the file (the LF ends it),
// with CR, LF and non-printable bytes escaped.
std::string EscapeBytes(const std::string& bytes, bool keepQuotes);

std::string MessageFlagsText(uint32_t flags);
std::string DialogFlagsText(uint32_t flags);
std::string ItemTypeText(int type);
std::string ControlCommandText(int command);
std::string DialogMessageText(int message);

} // namespace HkHost
