// Dialog items built from constant rows: bounded text copies, and the host's
// records made from our layout carrying nothing but what the layout says.
#include "host/far1x/far1x.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

TEST(CopyItemText, EmptyTextLeavesALoneTerminator) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyItemText(buffer, sizeof buffer, ""), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');
}

TEST(CopyItemText, LongTextIsCutToCapacityLessOne) {
    const std::string sixty(60, 'p');
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyItemText(buffer, 50, sixty.c_str()), 49);
    EXPECT_EQ(std::string(buffer), std::string(49, 'p'));
    // Nothing is written past the capacity.
    EXPECT_EQ(std::string(buffer + 50, sizeof buffer - 50), std::string(14, 'x'));
}

TEST(CopyItemText, TextsAtTheBoundaryAreKeptOrCutByOne) {
    char buffer[50];
    const std::string fitting(49, 'a');
    EXPECT_EQ(CopyItemText(buffer, fitting.c_str()), 49);
    EXPECT_EQ(std::string(buffer), fitting);
    const std::string full(50, 'b');
    EXPECT_EQ(CopyItemText(buffer, full.c_str()), 49);
    EXPECT_EQ(std::string(buffer), std::string(49, 'b'));
    char single[1] = {'x'};
    EXPECT_EQ(CopyItemText(single, "abc"), 0);
    EXPECT_EQ(single[0], '\0');
}

// A layout of our own becomes the host's items: its kinds and flags as the
// host numbers them, and every byte the layout does not set zero.
TEST(BuildDialogItems, ItemsCarryExactlyWhatTheRowsSay) {
    const std::string tooLong(600, 't');
    const DialogItemTemplate rows[] = {
        {TItemKind::DoubleBox, 3, 1, 40, 14, 0, 0, 0, 0, "Title"},
        {TItemKind::Button, 0, 13, 0, 0, 1, 0, ifCentreGroup, 1, "OK"},
        {TItemKind::Text, 0, 6, 0, 0, 0, 0, ifSeparator, 0, ""},
        {TItemKind::CheckBox, 5, 7, 0, 0, 0, 1, ifDisabled, 0, tooLong.c_str()},
        {TItemKind::RadioButton, 5, 8, 0, 0, 0, 0, ifGroup, 0, "&1. CRC32"},
        {TItemKind::Edit, 7, 5, 38, 0, 1, 0, 0, 0, "hashlist.md5"},
    };
    TDialogLayout layout;
    layout.Items = BuildDialogItems(rows);
    FarDialogItem items[6];
    std::memset(items, 0xA5, sizeof items); // what a previous showing could leave
    BuildFarDialogItems(layout, items);

    // Written out by hand, as the host's interface numbers them.
    FarDialogItem expected[6];
    std::memset(expected, 0, sizeof expected);
    const struct {
        int Type, X1, Y1, X2, Y2, Focus, Selected;
        DWORD Flags;
        int DefaultButton;
    } fields[] = {
        {3, 3, 1, 40, 14, 0, 0, 0, 0},     {7, 0, 13, 0, 0, 1, 0, 0x4000, 1},
        {0, 0, 6, 0, 0, 0, 0, 0x10000, 0}, {8, 5, 7, 0, 0, 0, 1, 0x80000000u, 0},
        {9, 5, 8, 0, 0, 0, 0, 0x400, 0},   {4, 7, 5, 38, 0, 1, 0, 0, 0},
    };
    const char* const texts[] = {"Title", "OK", "", nullptr, "&1. CRC32", "hashlist.md5"};
    for (int i = 0; i < 6; ++i) {
        expected[i].Type = fields[i].Type;
        expected[i].X1 = fields[i].X1;
        expected[i].Y1 = fields[i].Y1;
        expected[i].X2 = fields[i].X2;
        expected[i].Y2 = fields[i].Y2;
        expected[i].Focus = fields[i].Focus;
        expected[i].Selected = fields[i].Selected;
        expected[i].Flags = fields[i].Flags;
        expected[i].DefaultButton = fields[i].DefaultButton;
        if (texts[i] != nullptr)
            std::strcpy(expected[i].Data, texts[i]);
    }
    // An item holds 511 bytes of a longer text and its terminator.
    std::memset(expected[3].Data, 't', 511);
    EXPECT_EQ(std::memcmp(items, expected, sizeof items), 0);
    EXPECT_EQ(std::strlen(items[3].Data), 511u);
}

} // namespace
