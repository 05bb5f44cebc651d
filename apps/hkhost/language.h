// The host's language files: one per language beside the plug-in library,
// a first line ".Language=Name,Description", then one message per line in
// double quotes in identifier order; "//" lines are comments.
#pragma once

#include <string>
#include <vector>

namespace HkHost {

struct LanguageTable {
    bool Found = false;
    std::string FileName; // without directory
    std::string Language; // as the file names it
    std::vector<std::string> Messages;
};

// Reads every *.lng file of the directory (in name order) and takes the first
// whose language is Wanted, ignoring case; failing that, English, as the host
// falls back to it. Found is false when neither is there.
LanguageTable LoadLanguage(const std::string& directory, const std::string& wanted);

// One file's text; false when it does not start with a .Language line.
bool ParseLanguageFile(const std::string& text, std::string& language,
                       std::vector<std::string>& messages);

} // namespace HkHost
