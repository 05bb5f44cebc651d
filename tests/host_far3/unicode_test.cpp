// Text conversions at the system's edge: the same characters or a failure,
// never a replacement character; long paths in the form Windows opens.
#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <string>
#ifdef _WIN32
#include <windows.h>
#endif

using namespace Platform;

TEST(Unicode, LegacyTextIsTakenOnlyWhenItConverts) {
    std::string utf8;
    EXPECT_TRUE(LegacyTextToUtf8("check", utf8));
    EXPECT_EQ(utf8, "check");
#ifdef _WIN32
    // 0x82 is a letter in both OEM code pages the tests run under.
    const UINT oem = GetOEMCP();
    if (oem != 437 && oem != 866)
        GTEST_SKIP() << "OEM code page " << oem;
    EXPECT_TRUE(LegacyTextToUtf8("\x82", utf8));
    EXPECT_EQ(utf8, oem == 437 ? "\xC3\xA9" : "\xD0\x92"); // é, В
#else
    EXPECT_TRUE(LegacyTextToUtf8("\xE6\x97\xA5", utf8));
    for (const char* invalid : {"\x80", "\xC0\xAF", "\xE6\x97", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(LegacyTextToUtf8(invalid, utf8)) << testing::PrintToString(invalid);
#endif
}

#ifdef _WIN32

TEST(Unicode, Utf8AndUtf16ConvertExactlyOrFail) {
    const struct {
        std::string Utf8;
        std::wstring Wide;
    } exact[] = {
        {"", L""},
        {"a.txt", L"a.txt"},
        {"\xD0\x96", L"\x0416"},                            // Ж
        {"\xE6\x97\xA5\xE6\x9C\xAC", L"\x65E5\x672C"},      // 日本
        {"\xEF\xBD\x81", L"\xFF41"},                        // fullwidth a
        {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},              // U+1F600, a pair
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)}, // a NUL is a character
    };
    for (const auto& c : exact) {
        std::wstring wide;
        std::string utf8;
        EXPECT_TRUE(Utf8ToWide(c.Utf8, wide) && wide == c.Wide) << testing::PrintToString(c.Utf8);
        EXPECT_TRUE(WideToUtf8(c.Wide, utf8) && utf8 == c.Utf8) << testing::PrintToString(c.Utf8);
    }
    // Stray and missing continuation bytes, an overlong '/', an encoded
    // surrogate, beyond U+10FFFF, a byte UTF-8 never has.
    for (const char* invalid :
         {"\x80", "a\xBF", "\xE6\x97", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        std::wstring wide = L"kept?";
        EXPECT_FALSE(Utf8ToWide(invalid, wide)) << testing::PrintToString(invalid);
        EXPECT_TRUE(wide.empty());
    }
    for (const std::wstring& invalid :
         {std::wstring(L"\xD800"), std::wstring(L"a\xDC00"), std::wstring(L"\xDE00\xD83D")}) {
        std::string utf8 = "kept?";
        EXPECT_FALSE(WideToUtf8(invalid, utf8));
        EXPECT_TRUE(utf8.empty());
    }
}

TEST(Unicode, OnlyPlainLongPathsTakeTheLongForm) {
    const std::wstring part(60, L'x'),
        deep = part + L"\\" + part + L"\\" + part + L"\\" + part + L"\\" + part;
    // The plain form makes folders up to 247 characters.
    const std::wstring longest = L"C:\\" + std::wstring(244, L'y'), first = longest + L"y";
    const struct {
        std::wstring Path, Form;
    } cases[] = {
        {L"C:\\a\\b.txt", L"C:\\a\\b.txt"},
        {longest, longest},
        {first, L"\\\\?\\" + first},
        {L"C:\\" + deep, L"\\\\?\\C:\\" + deep},
        {L"c:/" + part + L"/" + deep, L"\\\\?\\c:\\" + part + L"\\" + deep},
        {L"\\\\srv\\share\\" + deep, L"\\\\?\\UNC\\srv\\share\\" + deep},
        {L"\\\\?\\C:\\" + deep, L"\\\\?\\C:\\" + deep},
        {deep + L"\\" + part, deep + L"\\" + part},                 // relative
        {L"C:" + deep + L"\\" + part, L"C:" + deep + L"\\" + part}, // relative to C:'s folder
        {L"C:\\" + deep + L"\\..\\f", L"C:\\" + deep + L"\\..\\f"},
        {L"C:\\" + deep + L"\\.\\f", L"C:\\" + deep + L"\\.\\f"},
        {L"C:\\" + deep + L"\\\\f", L"C:\\" + deep + L"\\\\f"},
        {L"C:\\" + deep + L"\\f.", L"C:\\" + deep + L"\\f."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LongPathForm(c.Path), c.Form) << testing::PrintToString(c.Path);
}

#endif
