// A host of the tests' own behind the seam (THost): panels as records, boxes
// answered by their kind, dialogs answered by a function that clicks and
// types as a user would, an Esc at a chosen poll, a settings store that
// never held anything (the defaults stand). It records what the plug-in
// asked of it, so a test names only the facts it is about (the boxes shown,
// the marks, the list written) instead of a transcript of every host call.
// Constructed, it is the installed host; destroyed, it leaves none.
#pragma once

#include "seam/seam.h"

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace FakeSeam {

struct TShownBox {
    TBoxKind Kind;
    bool Warning;
    TButtons Buttons;
    int OwnButtons;
    std::vector<std::string> Lines;
};

// The dialog as the user has it in front of them.
class TUser {
public:
    // Clicks a radio button or a check box as the host does: a radio button
    // turns its group off and itself on, the one going off heard first; a
    // check box turns over. The plug-in's events hear of each; what they do
    // not handle stands as the host's own handling leaves it.
    void Click(int Item);
    // Types Text into an edit field, replacing what it held.
    void Type(int Item, const std::string& Text);
    const TDialogItem& Item(int Item) const { return Items_.at(static_cast<size_t>(Item)); }

    // Each click the events heard: the item, and whether they handled it
    // (false leaves it to the host).
    std::vector<std::pair<int, bool>> Heard;

private:
    friend class TFakeDialog;
    TUser(std::vector<TDialogItem>& Items, TDialogEvents* Events, TOpenDialog& Open)
        : Items_(Items), Events_(Events), Open_(Open) {}
    void Tell(int Item, intptr_t State);

    std::vector<TDialogItem>& Items_;
    TDialogEvents* Events_;
    TOpenDialog& Open_;
};

// What the user does in a dialog: the index of the item that closes it, or
// -1 for Esc.
using TDialogAnswer = std::function<int(TUser& User)>;

class TFakeHost final : public THost {
public:
    TFakeHost();
    ~TFakeHost() override;
    TFakeHost(const TFakeHost&) = delete;
    TFakeHost& operator=(const TFakeHost&) = delete;

    // --- What the host answers ---------------------------------------------
    std::map<int, std::string> Texts; // the language file; the rest are null
    TTextEncoding TextEncoding = TTextEncoding::SingleByte;
    bool SumsForm = false;
    // The panels; GetPanel fails for a side that has none.
    TPanel Active, Passive;
    bool HasActive = true, HasPassive = true;
    // The buttons chosen in the boxes of each kind, in turn. Without an
    // answer left, a box with only an OK button is closed with it, any other
    // with Esc, counted.
    std::map<TBoxKind, std::deque<int>> Answers;
    std::deque<TDialogAnswer> DialogAnswers; // without one: Esc, counted
    std::set<int> EscapeAtPoll;              // 1 for the first Esc poll

    // --- What the plug-in asked --------------------------------------------
    std::vector<TShownBox> Boxes;
    // Each showing of a dialog: its kind, size and items as they were shown.
    std::vector<TDialogLayout> Dialogs;
    // The panel records handed to SetSelection, and the refreshes, per side.
    std::vector<TPanel> Selections[2];
    int Refreshes[2] = {0, 0};
    int Polls = 0;
    int Unanswered = 0;
    // Screens saved and not yet restored; a restore of another is an error.
    std::vector<intptr_t> OpenScreens;
    int ScreenErrors = 0;

    // The boxes of one kind, each by its lines.
    std::vector<std::vector<std::string>> Shown(TBoxKind Kind) const;
    // The names of the items the last SetSelection of that side left marked.
    std::set<std::string> Marked(TPanelSide Side) const;

    // --- THost ---------------------------------------------------------------
    const char* Text(int MessageId) override;
    TTextEncoding Encoding() const override { return TextEncoding; }
    int Message(const TBox& Box) override;
    std::unique_ptr<TDialog> MakeDialog(const TDialogLayout& Layout,
                                        TDialogEvents* Events) override;
    bool GetPanel(TPanelSide Side, TPanel& Panel) override;
    void SetSelection(TPanelSide Side, const TPanel& Panel) override;
    void RefreshPanel(TPanelSide Side) override;
    intptr_t SaveScreen() override;
    void RestoreScreen(intptr_t Screen) override;
    bool EscapePressed() override;
    TStoreOpening OpenSettings(bool ForWriting, std::unique_ptr<TSettingsStore>& Store) override;
    bool ListsInSumsForm() const override { return SumsForm; }

private:
    intptr_t NextScreen_ = 100;
};

// A file panel of Directory with these files and folders ("name/"), the
// cursor on the first item, Selected among them selected.
TPanel PanelOf(const std::string& Directory, const std::vector<std::string>& Items,
               const std::vector<std::string>& Selected = {});

} // namespace FakeSeam
