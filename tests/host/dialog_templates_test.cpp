// Dialog items built from constant rows: bounded text copies and records
// that carry nothing but what the row says.
#include "host/host.h"

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

TEST(BuildDialogItems, ItemsCarryExactlyWhatTheRowsSay) {
    const std::string tooLong(600, 't');
    const DialogItemTemplate rows[] = {
        {DI_DOUBLEBOX, 3, 1, 40, 14, 0, 0, 0, 0, "Title"},
        {DI_BUTTON, 0, 13, 0, 0, 1, 0, DIF_CENTERGROUP, 1, "OK"},
        {DI_TEXT, 0, 6, 0, 0, 0, 0, DIF_SEPARATOR, 0, ""},
        {DI_CHECKBOX, 5, 7, 0, 0, 0, 1, DIF_DISABLE, 0, tooLong.c_str()},
    };
    FarDialogItem items[4];
    std::memset(items, 0xA5, sizeof items); // what a previous showing could leave
    BuildDialogItems(rows, items);

    EXPECT_EQ(items[0].Type, DI_DOUBLEBOX);
    EXPECT_EQ(items[0].X1, 3);
    EXPECT_EQ(items[0].Y1, 1);
    EXPECT_EQ(items[0].X2, 40);
    EXPECT_EQ(items[0].Y2, 14);
    EXPECT_STREQ(items[0].Data, "Title");
    EXPECT_EQ(items[1].Focus, 1);
    EXPECT_EQ(items[1].Flags, DIF_CENTERGROUP);
    EXPECT_EQ(items[1].DefaultButton, 1);
    EXPECT_EQ(items[3].Selected, 1);
    EXPECT_EQ(items[3].Flags, DIF_DISABLE);
    EXPECT_EQ(std::strlen(items[3].Data), 511u);

    // Every byte the rows do not set is zero, the rest of Data included.
    FarDialogItem expected[4];
    std::memset(expected, 0, sizeof expected);
    for (int i = 0; i < 4; ++i) {
        expected[i].Type = rows[i].Type;
        expected[i].X1 = rows[i].X1;
        expected[i].Y1 = rows[i].Y1;
        expected[i].X2 = rows[i].X2;
        expected[i].Y2 = rows[i].Y2;
        expected[i].Focus = rows[i].Focus;
        expected[i].Selected = rows[i].Selected;
        expected[i].Flags = rows[i].Flags;
        expected[i].DefaultButton = rows[i].DefaultButton;
        const size_t length = std::min(std::strlen(rows[i].Text), sizeof expected[i].Data - 1);
        std::memcpy(expected[i].Data, rows[i].Text, length);
    }
    EXPECT_EQ(std::memcmp(items, expected, sizeof items), 0);
    EXPECT_EQ(items[2].Data[0], '\0');
}

} // namespace
