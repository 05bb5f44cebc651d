#include "language.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace HkHost {

namespace {

// A language file holds a few dozen short lines.
constexpr std::uintmax_t LanguageFileSizeLimit = 1 << 20;

bool SameAscii(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto fold = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return fold(x) == fold(y);
    });
}

bool ReadSmallFile(const std::filesystem::path& path, std::string& text) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > LanguageFileSizeLimit)
        return false;
    std::ifstream in(path, std::ios::binary);
    text.assign(static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    return static_cast<bool>(in);
}

} // namespace

bool ParseLanguageFile(const std::string& text, std::string& language,
                       std::vector<std::string>& messages) {
    language.clear();
    messages.clear();
    std::istringstream lines(text);
    std::string line;
    bool header = false;
    bool first = true;
    while (std::getline(lines, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 2, "//") == 0)
            continue;
        if (!header) {
            const std::string key = ".Language=";
            if (line.compare(start, key.size(), key) != 0)
                return false;
            const std::string value = line.substr(start + key.size());
            language = value.substr(0, value.find(','));
            header = true;
            continue;
        }
        // Lines that are not quoted texts (names of the messages, for people) are skipped.
        if (line[start] != '"')
            continue;
        const size_t end = line.rfind('"');
        messages.push_back(end > start ? line.substr(start + 1, end - start - 1)
                                       : line.substr(start + 1));
    }
    return header;
}

LanguageTable LoadLanguage(const std::string& directory, const std::string& wanted) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string extension = it->path().extension().string();
        if (SameAscii(extension, ".lng") && it->is_regular_file(error))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    LanguageTable english;
    for (const auto& path : files) {
        std::string text;
        LanguageTable table;
        if (!ReadSmallFile(path, text) || !ParseLanguageFile(text, table.Language, table.Messages))
            continue;
        table.Found = true;
        table.FileName = path.filename().string();
        if (SameAscii(table.Language, wanted))
            return table;
        if (!english.Found && SameAscii(table.Language, "English"))
            english = std::move(table);
    }
    return english;
}

} // namespace HkHost
