// hkhost --screen: the layout faults a drawing must report, the layouts it
// must pass, and the long texts the host cuts instead of reporting.
#include "screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace HkHost;

namespace {

ScreenItem Item(int type, int x1, int y1, int x2, const std::string& text, DWORD flags = 0) {
    ScreenItem item;
    item.Type = type;
    item.X1 = x1;
    item.Y1 = y1;
    item.X2 = x2;
    item.Flags = flags;
    item.Text = text;
    return item;
}

// A centred dialog of the given size with its frame three cells in from the
// sides and one row in from the top and bottom, then the items.
Drawing Dialog(int width, int height, std::vector<ScreenItem> items) {
    ScreenItem frame = Item(DI_DOUBLEBOX, 3, 1, width - 4, "Title");
    frame.Y2 = height - 2;
    items.insert(items.begin(), frame);
    return DrawDialog(-1, -1, width, height, 0, items);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

const std::string Long(40, 'x');

TEST(ScreenLayout, EachFaultIsNamedAndEveryLayoutInsideItsFramePasses) {
    struct Case {
        const char* What;
        int Width, Height;
        std::vector<ScreenItem> Items;
        std::string Fault; // empty: the layout is sound
    };
    const ScreenItem ok = Item(DI_BUTTON, 0, 4, 0, "OK", DIF_CENTERGROUP);
    const std::vector<Case> cases = {
        {"a check box whose text runs past the frame",
         30,
         8,
         {Item(DI_CHECKBOX, 5, 2, 0, Long)},
         "[1] DI_CHECKBOX \"" + Long + "\" covers columns 5 to 33 of row 2, outside"},
        {"a text on the frame's bottom line", 30, 8, {Item(DI_TEXT, 5, 6, 0, "Low")}, "outside"},
        {"a text on the frame's left side", 30, 8, {Item(DI_TEXT, 3, 2, 0, "Left")}, "outside"},
        {"a radio button on the title line",
         30,
         8,
         {Item(DI_RADIOBUTTON, 5, 1, 0, "Up")},
         "outside"},
        {"an edit field longer than the frame", 30, 8, {Item(DI_EDIT, 5, 2, 26, "")}, "outside"},
        {"a button group wider than the frame",
         30,
         8,
         {Item(DI_BUTTON, 0, 4, 0, "Proceed", DIF_CENTERGROUP),
          Item(DI_BUTTON, 0, 4, 0, "Postpone", DIF_CENTERGROUP),
          Item(DI_BUTTON, 0, 4, 0, "Cancel", DIF_CENTERGROUP)},
         "outside"},
        {"an item past the edge of a dialog without a frame", 0, 0, {}, "outside the dialog"},
        {"a text under an edit field",
         30,
         8,
         {Item(DI_TEXT, 5, 3, 0, "Name:"), Item(DI_EDIT, 9, 3, 24, "x")},
         "[1] DI_TEXT \"Name:\" and [2] DI_EDIT \"x\" overlap on row 3, column 9"},
        {"a separator on a text's row",
         30,
         8,
         {Item(DI_TEXT, 5, 3, 0, "Text"), Item(DI_TEXT, 0, 3, 0, "", DIF_SEPARATOR)},
         "overlap on row 3, columns 5 to 8"},
        {"two check boxes on one row",
         30,
         8,
         {Item(DI_CHECKBOX, 5, 2, 0, "One"), Item(DI_CHECKBOX, 10, 2, 0, "Two")},
         "overlap on row 2, columns 10 to 11"},
        {"a dialog wider than the screen", 90, 8, {}, "the dialog, 90x8, does not fit"},
        {"a sound dialog: items up to the frame, side by side, separator, buttons",
         30,
         8,
         {Item(DI_CHECKBOX, 4, 2, 0, std::string(18, 'c')), Item(DI_TEXT, 4, 3, 0, "Name:"),
          Item(DI_EDIT, 9, 3, 25, "x"), Item(DI_TEXT, 0, 5, 0, "", DIF_SEPARATOR), ok},
         ""},
        {"a sound message-like dialog: a centred text and a hot key",
         30,
         8,
         {Item(DI_TEXT, -1, 2, 0, "&Centred"), ok},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Drawing drawing;
        if (c.Width == 0)
            drawing = DrawDialog(-1, -1, 20, 5, 0, {Item(DI_TEXT, 15, 2, 0, "Beyond")});
        else
            drawing = Dialog(c.Width, c.Height, c.Items);
        const std::string faults = Joined(drawing.Faults);
        if (c.Fault.empty())
            EXPECT_EQ(faults, "") << Joined(drawing.Rows);
        else
            EXPECT_NE(faults.find(c.Fault), std::string::npos) << faults << Joined(drawing.Rows);
    }
}

TEST(ScreenDrawing, LongMessageLinesAreCutAsTheHostCutsThem) {
    const std::string line(70, 'm');
    // Without buttons (a progress box) a line shows 64 cells; with buttons
    // the box is 66 wide inside and the line a read-only field of that width.
    const Drawing progress = DrawMessage(0, {"Progress", line}, {});
    const Drawing question = DrawMessage(FMSG_MB_OK, {"Title", line}, {"OK"});
    EXPECT_TRUE(progress.Faults.empty());
    EXPECT_TRUE(question.Faults.empty());
    EXPECT_EQ(progress.Width, 76);
    EXPECT_EQ(progress.Rows[2], std::string(5, ' ') + "║  " + std::string(64, 'm') + "  ║");
    EXPECT_EQ(question.Rows[2], std::string(5, ' ') + "║ " + std::string(66, 'm') + " ║");
}

TEST(ScreenDrawing, HotKeyMarksAreHiddenButDoubledAmpersandsShowOne) {
    const Drawing drawing =
        Dialog(30, 7,
               {Item(DI_CHECKBOX, 5, 2, 0, "&Ignore"), Item(DI_TEXT, 5, 3, 0, "A&&B"),
                Item(DI_RADIOBUTTON, 5, 4, 0, "&&&Both")});
    const std::string rows = Joined(drawing.Rows);
    EXPECT_NE(rows.find("[ ] Ignore "), std::string::npos) << rows;
    EXPECT_NE(rows.find(" A&B "), std::string::npos) << rows;
    EXPECT_NE(rows.find("( ) &Both "), std::string::npos) << rows;
}

} // namespace
