#include "fake_seam.h"

#include <algorithm>
#include <stdexcept>

namespace FakeSeam {

namespace {

// The dialog while the user is at it, for the plug-in's events.
class TOpen final : public TOpenDialog {
public:
    explicit TOpen(std::vector<TDialogItem>& Items) : Items_(Items) {}
    // As the single-byte hosts answer: no text for an empty field.
    bool GetText(int Item, std::string& Text) override {
        Text = Items_.at(static_cast<size_t>(Item)).Text;
        return !Text.empty();
    }
    void SetText(int Item, const std::string& Text) override {
        Items_.at(static_cast<size_t>(Item)).Text = Text;
    }
    void Enable(int Item, bool Enabled) override {
        uint32_t& flags = Items_.at(static_cast<size_t>(Item)).Flags;
        flags = Enabled ? flags & ~static_cast<uint32_t>(ifDisabled) : flags | ifDisabled;
    }

private:
    std::vector<TDialogItem>& Items_;
};

size_t SideIndex(TPanelSide Side) {
    return Side == TPanelSide::Active ? 0 : 1;
}

} // namespace

class TFakeDialog final : public TDialog {
public:
    TFakeDialog(TFakeHost& Host, const TDialogLayout& Layout, TDialogEvents* Events)
        : Host_(Host), Layout_(Layout), Events_(Events) {}

    int Show() override {
        Host_.Dialogs.push_back(Layout_);
        if (Host_.DialogAnswers.empty()) {
            ++Host_.Unanswered;
            return -1;
        }
        const TDialogAnswer answer = std::move(Host_.DialogAnswers.front());
        Host_.DialogAnswers.pop_front();
        TOpen open(Layout_.Items);
        TUser user(Layout_.Items, Events_, open);
        return answer(user);
    }
    bool Checked(int Item) const override { return Layout_.Items.at(Index(Item)).Selected > 0; }
    std::string Text(int Item) const override { return Layout_.Items.at(Index(Item)).Text; }
    void SetChecked(int Item, bool On) override { Layout_.Items.at(Index(Item)).Selected = On; }
    void SetText(int Item, const std::string& Text) override {
        Layout_.Items.at(Index(Item)).Text = Text;
    }

private:
    static size_t Index(int Item) { return static_cast<size_t>(Item); }

    TFakeHost& Host_;
    TDialogLayout Layout_;
    TDialogEvents* Events_;
};

void TUser::Tell(int Item, intptr_t State) {
    if (Events_ != nullptr)
        Heard.emplace_back(Item, Events_->OnClick(Open_, Item, State));
}

void TUser::Click(int Item) {
    TDialogItem& item = Items_.at(static_cast<size_t>(Item));
    if ((item.Flags & ifDisabled) != 0)
        throw std::logic_error("the user cannot click a disabled item");
    if (item.Kind == TItemKind::CheckBox) {
        item.Selected = item.Selected > 0 ? 0 : 1;
        Tell(Item, item.Selected);
        return;
    }
    // The group runs from a button with ifGroup (or the first after another
    // kind of item) to the next such start.
    size_t first = static_cast<size_t>(Item), last = first;
    while (first > 0 && (Items_[first].Flags & ifGroup) == 0 &&
           Items_[first - 1].Kind == TItemKind::RadioButton)
        --first;
    while (last + 1 < Items_.size() && Items_[last + 1].Kind == TItemKind::RadioButton &&
           (Items_[last + 1].Flags & ifGroup) == 0)
        ++last;
    int previous = Item;
    for (size_t i = first; i <= last; ++i) {
        if (Items_[i].Selected > 0)
            previous = static_cast<int>(i);
        Items_[i].Selected = 0;
    }
    item.Selected = 1;
    Tell(previous, 0);
    Tell(Item, 1);
}

void TUser::Type(int Item, const std::string& Text) {
    Items_.at(static_cast<size_t>(Item)).Text = Text;
}

TFakeHost::TFakeHost() {
    InstallHost(this);
}

TFakeHost::~TFakeHost() {
    InstallHost(nullptr);
}

std::vector<std::vector<std::string>> TFakeHost::Shown(TBoxKind Kind) const {
    std::vector<std::vector<std::string>> shown;
    for (const TShownBox& box : Boxes)
        if (box.Kind == Kind)
            shown.push_back(box.Lines);
    return shown;
}

std::set<std::string> TFakeHost::Marked(TPanelSide Side) const {
    std::set<std::string> marked;
    const std::vector<TPanel>& selections = Selections[SideIndex(Side)];
    if (!selections.empty())
        for (const TPanelItem& item : selections.back().Items)
            if (item.Selected)
                marked.insert(item.Name);
    return marked;
}

const char* TFakeHost::Text(int MessageId) {
    const auto found = Texts.find(MessageId);
    return found == Texts.end() ? nullptr : found->second.c_str();
}

int TFakeHost::Message(const TBox& Box) {
    Boxes.push_back({Box.Kind, Box.Warning, Box.Buttons, Box.OwnButtons, Box.Lines});
    if (Box.Buttons == TButtons::None && Box.OwnButtons == 0)
        return -1; // a progress box: drawn, and the host goes on
    std::deque<int>& answers = Answers[Box.Kind];
    if (answers.empty() && Box.Buttons == TButtons::Ok)
        return 0; // read, and closed with its one button
    if (answers.empty()) {
        ++Unanswered;
        return -1;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::unique_ptr<TDialog> TFakeHost::MakeDialog(const TDialogLayout& Layout, TDialogEvents* Events) {
    return std::make_unique<TFakeDialog>(*this, Layout, Events);
}

bool TFakeHost::GetPanel(TPanelSide Side, TPanel& Panel) {
    if (!(Side == TPanelSide::Active ? HasActive : HasPassive))
        return false;
    Panel = Side == TPanelSide::Active ? Active : Passive;
    if (Side == TPanelSide::Passive)
        Panel.Selection.clear();
    return true;
}

void TFakeHost::SetSelection(TPanelSide Side, const TPanel& Panel) {
    Selections[SideIndex(Side)].push_back(Panel);
}

void TFakeHost::RefreshPanel(TPanelSide Side) {
    ++Refreshes[SideIndex(Side)];
}

intptr_t TFakeHost::SaveScreen() {
    OpenScreens.push_back(++NextScreen_);
    return NextScreen_;
}

void TFakeHost::RestoreScreen(intptr_t Screen) {
    if (OpenScreens.empty() || OpenScreens.back() != Screen)
        ++ScreenErrors;
    else
        OpenScreens.pop_back();
}

bool TFakeHost::EscapePressed() {
    return EscapeAtPoll.count(++Polls) > 0;
}

TStoreOpening TFakeHost::OpenSettings(bool ForWriting, std::unique_ptr<TSettingsStore>&) {
    // Nothing was ever saved: the defaults stand, and nothing is kept.
    return ForWriting ? TStoreOpening::Failed : TStoreOpening::Missing;
}

TPanel PanelOf(const std::string& Directory, const std::vector<std::string>& Items,
               const std::vector<std::string>& Selected) {
    TPanel panel;
    panel.FileSystem = true;
    panel.Directory = Directory;
    for (const std::string& item : Items) {
        const bool folder = item.size() > 1 && item.back() == '/';
        const std::string name = folder ? item.substr(0, item.size() - 1) : item;
        const bool selected = std::find(Selected.begin(), Selected.end(), name) != Selected.end();
        panel.Items.push_back({name, folder || name == "..", selected});
        if (selected)
            panel.Selection.push_back(panel.Items.back());
    }
    panel.CurrentItem = panel.Items.empty() ? -1 : 0;
    return panel;
}

} // namespace FakeSeam
