// The texts the user sees: the host's language file first, English where it
// has none; formatting that never lets a translated text read the stack; the
// two-line box; and the language files shipped beside the plug-in.
#include "fake_host.h"
#include "host/far1x/far1x.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Fake::FakeHost;

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override {
        const PluginStartupInfo info = Host.Info();
        SetStartupInfo(&info);
        ASSERT_TRUE(StartupInfoValid);
    }

    FakeHost Host;
};

TEST_F(Messages, HostTextWinsAndNullOrEmptyFallBackToEnglish) {
    Host.Language[MMismatchesFound] = "%s несовпадений";
    Host.Language[MConfiguration] = "";
    EXPECT_STREQ(GetMessageText(MMismatchesFound), "%s несовпадений");
    EXPECT_STREQ(GetMessageText(MConfiguration), "Configuration");
    EXPECT_STREQ(GetMessageText(MFilesSkipped), "%s files skipped"); // host gives null
    // Every lookup names the plug-in by the number the host gave it.
    ASSERT_EQ(Host.GetMsgPluginNumbers.size(), 3u);
    for (int number : Host.GetMsgPluginNumbers)
        EXPECT_EQ(number, FakeHost::ModuleNumber);
}

TEST_F(Messages, TheLookupIsMadeAgainAtEveryCall) {
    Host.Language[MPluginMenu] = "Первый";
    EXPECT_STREQ(GetMessageText(MPluginMenu), "Первый");
    Host.Language[MPluginMenu] = "Второй";
    EXPECT_STREQ(GetMessageText(MPluginMenu), "Второй");
}

TEST_F(Messages, IdentifiersOutsideTheTableGiveAnEmptyText) {
    Host.Language[-1] = "stray";
    Host.Language[MessageCount] = "stray";
    EXPECT_STREQ(GetMessageText(-1), "");
    EXPECT_STREQ(GetMessageText(MessageCount), "");
}

TEST_F(Messages, WithoutAnAcceptedTableTheHostIsNotAsked) {
    PluginStartupInfo wrong = Host.Info();
    wrong.StructSize += 4;
    SetStartupInfo(&wrong);
    Host.Language[MWorkMode] = "Режим работы";
    EXPECT_STREQ(GetMessageText(MWorkMode), "Work Mode");
    EXPECT_TRUE(Host.GetMsgPluginNumbers.empty());
}

TEST_F(Messages, FormattingPutsTheArgumentInPlaceOfPercentS) {
    EXPECT_EQ(FormatMessageText(MMismatchesFound, "3"), "3 mismatch(es) found");
    EXPECT_EQ(FormatMessageText(MValidHashList, "list 100%.md5"),
              "File list 100%.md5 is a valid hash list file.");
    EXPECT_EQ(FormatMessageText(MFilesNotFound, ""), " files not found");
    EXPECT_EQ(FormatMessageText(MFilesSkipped, nullptr), " files skipped");
    // The argument is data: its own directives are not expanded.
    EXPECT_EQ(FormatMessageText(MErrorReadingFile, "%s%n%d.txt"), "Error reading file %s%n%d.txt");
    // A text without a directive is shown as it is.
    EXPECT_EQ(FormatMessageText(MProgress, "ignored"), "Progress");
}

TEST_F(Messages, TranslatedDirectivesAreHonouredOrTheTextShownUnformatted) {
    // The one text directive with its flags, width and precision, as printf
    // would give them; anything that printf would take a second argument
    // for, or write through, leaves the text as it stands.
    const std::string widest = std::string(509, ' ') + "abc";
    const struct {
        const char* Text;
        const char* Argument;
        const char* Formatted; // null: shown unformatted
    } cases[] = {
        {"%5s found", "3", "    3 found"},
        {"%-3s|", "3", "3  |"},
        {"%.2s", "abc", "ab"},
        {"%-6.4s|", "abcde", "abcd  |"},
        {"%+ #0s", "abc", "abc"},
        {"%.s|", "abc", "|"},
        {"%512s", "abc", widest.c_str()},
        {"%513s", "abc", nullptr},
        {"%.99999999999999999999s", "abc", nullptr},
        {"%d mismatch(es) found", "3", nullptr},
        {"%n mismatch(es) found", "3", nullptr},
        {"%s of %s mismatched", "3", nullptr},
        {"%*s", "3", nullptr},
        {"%ls", "3", nullptr},
        {"%5.2d", "3", nullptr},
        {"mismatches: %", "3", nullptr},
        {"%x%s", "3", nullptr},
    };
    for (const auto& c : cases) {
        Host.Language[MMismatchesFound] = c.Text;
        EXPECT_EQ(FormatMessageText(MMismatchesFound, c.Argument),
                  c.Formatted != nullptr ? c.Formatted : c.Text)
            << c.Text;
    }
}

TEST_F(Messages, DoublePercentBecomesOnePercent) {
    Host.Language[MMismatchesFound] = "100%% of %s";
    EXPECT_EQ(FormatMessageText(MMismatchesFound, "3"), "100% of 3");
    Host.Language[MMismatchesFound] = "%%s stays literal";
    EXPECT_EQ(FormatMessageText(MMismatchesFound, "3"), "%s stays literal");
    // A failure shows the text as it stands, doubled percent and all.
    Host.Language[MMismatchesFound] = "100%% of %d";
    EXPECT_EQ(FormatMessageText(MMismatchesFound, "3"), "100%% of %d");
}

TEST_F(Messages, MessageBoxHasTitleTextAndOneOkButton) {
    Host.MessageAnswers = {0, -1};
    EXPECT_TRUE(ShowMessageBox(TBoxKind::NoFiles, "No data", "No files selected", false));
    EXPECT_FALSE(
        ShowMessageBox(TBoxKind::SaveFailed, "I/O Error", "Can not save hash list to file", true));
    ASSERT_EQ(Host.Messages.size(), 2u);
    const Fake::MessageCall& plain = Host.Messages[0];
    EXPECT_EQ(plain.PluginNumber, FakeHost::ModuleNumber);
    EXPECT_EQ(plain.Flags, FMSG_MB_OK);
    EXPECT_FALSE(plain.HelpTopicGiven);
    EXPECT_EQ(plain.Lines, (std::vector<std::string>{"No data", "No files selected"}));
    EXPECT_EQ(plain.ButtonsNumber, 1);
    EXPECT_EQ(Host.Messages[1].Flags, FMSG_MB_OK | FMSG_WARNING);
    EXPECT_EQ(Host.Unanswered, 0);
}

// A progress box cuts a longer line at its end: the path is shortened in its
// middle first, and what goes is never the file name.
TEST(ShortenedPaths, TheMiddleGoesAndTheFileNameStays) {
    struct Case {
        const char* Path;
        int Cells;
        const char* Shown;
    } const cases[] = {
        {"disc 1/t01.flac", 15, "disc 1/t01.flac"},
        {R"(C:\Backup\a_long_folder_name_in_the_middle\left_panel\file.txt)", 40,
         R"(C:\Backup\...\left_panel\file.txt)"},
        // The parts nearest the file first; the first folder only beside them.
        {R"(C:\Backup\2026\photos\left_panel\file.txt)", 33,
         R"(C:\...\photos\left_panel\file.txt)"},
        {R"(C:\Backup\2026\photos\left_panel\file.txt)", 30, R"(C:\...\left_panel\file.txt)"},
        {"/home/user/a_very_long_directory_name_for_the_left_panel/sub/file.txt", 40,
         "/home/.../sub/file.txt"},
        {"/home/user/a_very_long_directory_name_for_the_left_panel/sub/file.txt", 16,
         "/.../file.txt"},
        {R"(\\server\share\deep\deeper\file.txt)", 30, R"(\\...\deep\deeper\file.txt)"},
        {"disc 1/cd2/a_long_track_name.flac", 30, ".../cd2/a_long_track_name.flac"},
        // A name longer than the box by itself keeps its end.
        {"a_file_name_longer_than_the_box.txt", 20, "..._than_the_box.txt"},
        {"/tmp/a_file_name_longer_than_the_box.txt", 20, "..._than_the_box.txt"},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(ShortenedPath(each.Path, each.Cells), each.Shown) << each.Path;
        EXPECT_LE(ShortenedPath(each.Path, each.Cells).size(), static_cast<size_t>(each.Cells));
    }
}

// --- The language files shipped beside the plug-in ------------------------------

struct LanguageFile {
    std::string Header;
    std::vector<std::string> Texts;
};

// The host's format: the .Language line, then one quoted text per line;
// comment lines start with //.
LanguageFile ReadLanguageFile(const std::string& name) {
    const std::string content = TestSupport::ReadFile(std::string(HK_LANGUAGE_DIR) + "/" + name);
    LanguageFile file;
    size_t at = 0;
    while (at < content.size()) {
        size_t end = content.find('\n', at);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(at, end - at);
        at = end + 1;
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << name << ": no CR LF: " << line;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (file.Header.empty()) {
            file.Header = line;
        } else if (line.rfind("//", 0) != 0) {
            EXPECT_TRUE(line.size() >= 2 && line.front() == '"' && line.back() == '"') << line;
            if (line.size() >= 2)
                file.Texts.push_back(line.substr(1, line.size() - 2));
        }
    }
    return file;
}

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

char LowerCase866(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && byte <= 0x8F) // А-П
        return static_cast<char>(byte + 0x20);
    if (byte >= 0x90 && byte <= 0x9F) // Р-Я
        return static_cast<char>(byte + 0x50);
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c - 'A' + 'a');
    return c;
}

TEST(LanguageFiles, EnglishFileHoldsTheBuiltInTexts) {
    const LanguageFile english = ReadLanguageFile("HashkeepEng.lng");
    EXPECT_EQ(english.Header, ".Language=English,English");
    ASSERT_EQ(english.Texts.size(), static_cast<size_t>(MessageCount));
    for (int id = 0; id < MessageCount; ++id)
        EXPECT_EQ(english.Texts[static_cast<size_t>(id)], MessageTable[id]) << "message " << id;
}

TEST(LanguageFiles, RussianFileIsInCodePage866AndKeepsDirectivesAndHotKeys) {
    const LanguageFile russian = ReadLanguageFile("HashkeepRus.lng");
    // "Русский" in code page 866, not in UTF-8.
    EXPECT_EQ(russian.Header, ".Language=Russian,Russian (\x90\xE3\xE1\xE1\xAA\xA8\xA9)");
    ASSERT_EQ(russian.Texts.size(), static_cast<size_t>(MessageCount));
    for (int id = 0; id < MessageCount; ++id) {
        const std::string& text = russian.Texts[static_cast<size_t>(id)];
        const std::string english = MessageTable[id];
        EXPECT_FALSE(text.empty()) << "message " << id;
        EXPECT_EQ(Count(text, "%s"), Count(english, "%s")) << "message " << id;
        EXPECT_EQ(Count(text, "%"), Count(english, "%")) << "message " << id;
        EXPECT_EQ(Count(text, "&"), Count(english, "&")) << "message " << id;
        // 0xD0 and 0xD1 draw boxes in 866 but lead every Cyrillic letter in
        // UTF-8: a file left unconverted shows them.
        EXPECT_EQ(text.find_first_of("\xD0\xD1"), std::string::npos) << "message " << id;
    }
    // The work-mode dialog's hot keys must stay distinct, whatever the case.
    std::string hotKeys;
    for (int id : {MComparePanels, MCreateHashFile, MIgnoreMissing, MSeparateFiles}) {
        const std::string& text = russian.Texts[static_cast<size_t>(id)];
        hotKeys += LowerCase866(text[text.find('&') + 1]);
    }
    for (size_t i = 0; i < hotKeys.size(); ++i)
        for (size_t j = i + 1; j < hotKeys.size(); ++j)
            EXPECT_NE(hotKeys[i], hotKeys[j]);
}

} // namespace
