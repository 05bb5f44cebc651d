// hkhost --screen: the dialogs and message boxes a plug-in shows, drawn as
// the host puts them on an 80x25 console, with the layout faults a user
// would see (an item outside its frame, two items on the same cells).
//
// Where the plug-in interface leaves the drawing open (centring, how a
// message box sizes itself and cuts long lines, button groups, separators,
// hot keys) the drawing follows the real host's rules. Texts are bytes in
// the host's code page, 866, which is ASCII below 0x80; the drawing is UTF-8.
#pragma once

#include "host/far170/far_interface.h"
#include "transcript_text.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace HkHost {

constexpr int ScreenColumns = 80;
constexpr int ScreenRows = 25;

// A dialog item as the host draws it: FarDialogItem with its text as a string.
struct ScreenItem {
    int Type = DI_TEXT;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool Focus = false;
    int Selected = 0;
    DWORD Flags = 0;
    bool DefaultButton = false;
    std::string Text;
};

// The items as the plug-in handed them; texts as the transcript shows them
// (the sandbox as $SANDBOX), so a drawing reads the same in every run.
std::vector<ScreenItem> ScreenItems(const FarDialogItem* items, int count,
                                    const TextShower& shower);

// One box as drawn: its place on the console, the console rows it covers
// (UTF-8 from the first column, trailing blanks cut), and what is wrong with
// its layout.
struct Drawing {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<std::string> Rows;
    // Items outside the frame or on another item's cells, a dialog larger than
    // the screen, items the host cannot draw. Empty for the host's own boxes.
    std::vector<std::string> Faults;
    // Focus, default button and disabled items, which the drawing cannot show.
    std::string Legend;
};

// A plug-in's dialog: X1 and Y1 -1 centre it, X2 and Y2 are then its size.
// Item positions are relative to the dialog; DialogEx flags may ask for the
// warning colours or a small dialog.
Drawing DrawDialog(int x1, int y1, int x2, int y2, DWORD dialogFlags,
                   const std::vector<ScreenItem>& items);

// A message box: the title first, then the lines; with buttons it is a dialog
// of the host's making, without them a box drawn at once (a progress box).
Drawing DrawMessage(DWORD flags, const std::vector<std::string>& titleAndLines,
                    const std::vector<std::string>& buttons);

// A panel of files as the story draws it.
struct PanelView {
    std::string Title; // the directory, as the transcript shows it
    struct Row {
        std::string Name; // in the host's code page
        bool Directory = false;
        bool Parent = false; // ".."
        uint64_t Size = 0;
        bool Selected = false;
        bool Cursor = false;
    };
    std::vector<Row> Rows;
};

// The active panel on the left and the passive one on the right, each half
// the console wide, as the host frames them: the directory in the top line,
// a row per item with its size ("Up" and "Folder" for folders), the cursor
// and the selection marked. Rows of UTF-8, the last one a legend.
std::vector<std::string> DrawPanels(const PanelView& active, const PanelView& passive);

// The screen transcript of a run: every line of the ordinary transcript that
// tells what the user or another program does, what the run found wrong and
// what the calls leave behind, with the drawings in place of the service
// calls. Progress boxes replace each other until the screen under them is
// restored, so the last one per file is kept.
//
// Told as a story (hkhost --story), it is for someone who does not know the
// plug-in: step titles and panels where the scenario asks for them, what the
// user does in words, each dialog once as the user leaves it, message boxes
// without their place on the console, the first progress box alone, no item
// numbers and no sandbox path, and a drawing that was shown already named
// rather than drawn again.
class ScreenTranscript {
public:
    explicit ScreenTranscript(bool story = false) : Story_(story) {}
    // A line of the ordinary transcript at its depth.
    void Line(int depth, const std::string& line);
    // progressBox: the number of a box without buttons, 0 for one with buttons.
    void Message(int depth, DWORD flags, const std::vector<std::string>& titleAndLines,
                 const std::vector<std::string>& buttons, int progressBox);
    // Draws the dialog under NAME and gives the faults of its layout.
    std::vector<std::string> Dialog(int depth, const std::string& name, int x1, int y1, int x2,
                                    int y2, DWORD dialogFlags,
                                    const std::vector<ScreenItem>& items);
    void ScreenRestored();
    // Both panels drawn (the story only; the ordinary lines list them).
    void Panels(const PanelView& active, const PanelView& passive);
    std::string Text();

private:
    void Put(int depth, const std::string& header, const Drawing& drawing);
    void FlushProgress();
    void StoryLine(int depth, const std::string& line);
    // Rows of a drawing, or a note that the same one was drawn before.
    std::string StoryDrawing(const Drawing& drawing);
    void FlushDialog();

    std::string Out_;
    std::string PendingProgress_;
    bool InPluginInfo_ = false;

    const bool Story_;
    enum class Section { None, Panels, File, Other } Section_ = Section::None;
    std::string PendingDialog_;
    std::vector<std::string> PendingActions_;
    std::vector<ScreenItem> DialogItems_;
    bool ProgressShown_ = false;
    bool LegendShown_ = false;
    std::set<std::string> Drawn_;
};

} // namespace HkHost
