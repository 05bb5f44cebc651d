// The THost of the single-byte families: each request of operations/ and
// settings/ as the service table and records of FAR 1.x have it.
#include "host/far1x/far1x.h"

#include "platform/console.h"
#include "platform/registry.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstring>
#include <vector>

PluginStartupInfo StartupInfo{};
bool StartupInfoValid = false;

namespace {

// A plug-in without panels of its own always passes INVALID_HANDLE_VALUE.
void HostControl(int Command, void* Param) {
    if (StartupInfo.Control != nullptr)
        StartupInfo.Control(INVALID_HANDLE_VALUE, Command, Param);
}

// Texts the host hands over in fixed arrays are read no further than the
// array, terminated or not.
template <size_t Capacity> std::string FixedText(const char (&Text)[Capacity]) {
    return std::string(Text, strnlen(Text, Capacity));
}

TPanelItem ItemOf(const PluginPanelItem& Item) {
    return {FixedText(Item.FindData.cFileName),
            (Item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY_FAR) != 0,
            (Item.Flags & PPIF_SELECTED) != 0};
}

// --- The settings store: the per-user registry under the host's key ---------

struct KeyCloser {
    void operator()(Platform::RegistryKey* key) const { Platform::CloseRegistryKey(key); }
};
using KeyHandle = std::unique_ptr<Platform::RegistryKey, KeyCloser>;

class TRegistryStore final : public TSettingsStore {
public:
    TRegistryStore(KeyHandle Root, KeyHandle Key) : Root_(std::move(Root)), Key_(std::move(Key)) {}

    TStoredRead Read(const char* Name, TStoredValue& Value) override {
        using Platform::RegistryValueType;
        Platform::RegistryValue value;
        switch (Platform::ReadRegistryValue(Key_.get(), Name, value)) {
        case Platform::RegistryReadResult::Found:
            break;
        case Platform::RegistryReadResult::Missing:
            return TStoredRead::Missing;
        case Platform::RegistryReadResult::Failed:
            return TStoredRead::Failed;
        }
        Value = TStoredValue{};
        Value.Text = std::move(value.Text);
        Value.Number = value.Number;
        switch (value.Type) {
        case RegistryValueType::Text:
            Value.Type = TStoredValue::TType::Text;
            break;
        case RegistryValueType::ExpandableText:
            Value.Type = TStoredValue::TType::ExpandableText;
            break;
        case RegistryValueType::Number:
            Value.Type = TStoredValue::TType::Number;
            break;
        case RegistryValueType::Bytes:
        case RegistryValueType::Other:
            Value.Type = TStoredValue::TType::Other;
            break;
        }
        return TStoredRead::Found;
    }

    bool WriteText(const char* Name, std::string_view Text) override {
        return Platform::WriteRegistryText(Key_.get(), Name, std::string(Text));
    }

    bool WriteNumber(const char* Name, uint32_t Number) override {
        return Platform::WriteRegistryNumber(Key_.get(), Name, Number);
    }

private:
    // The host's key stays open while ours is, as it was opened.
    KeyHandle Root_;
    KeyHandle Key_;
};

class TFar1xHost final : public THost {
public:
    const char* Text(int MessageId) override {
        if (StartupInfo.GetMsg == nullptr)
            return nullptr;
        return StartupInfo.GetMsg(StartupInfo.ModuleNumber, MessageId);
    }

    TTextEncoding Encoding() const override { return HostTextEncoding; }

    int Message(const TBox& Box) override {
        if (StartupInfo.Message == nullptr)
            return -1;
        DWORD flags = Box.Warning ? static_cast<DWORD>(FMSG_WARNING) : 0u;
        // With its own set the host takes the count from the flags; the
        // figure passed is the set's all the same.
        int buttons = Box.OwnButtons;
        switch (Box.Buttons) {
        case TButtons::None:
            break;
        case TButtons::Ok:
            flags |= FMSG_MB_OK;
            buttons = 1;
            break;
        case TButtons::YesNo:
            flags |= FMSG_MB_YESNO;
            buttons = 2;
            break;
        case TButtons::YesNoCancel:
            flags |= FMSG_MB_YESNOCANCEL;
            buttons = 3;
            break;
        }
        std::vector<const char*> lines;
        lines.reserve(Box.Lines.size());
        for (const std::string& line : Box.Lines)
            lines.push_back(line.c_str());
        return StartupInfo.Message(StartupInfo.ModuleNumber, flags, nullptr, lines.data(),
                                   static_cast<int>(lines.size()), buttons);
    }

    std::unique_ptr<TDialog> MakeDialog(const TDialogLayout& Layout,
                                        TDialogEvents* Events) override;

    bool GetPanel(TPanelSide Side, TPanel& Panel) override {
        if (StartupInfo.Control == nullptr)
            return false;
        PanelInfo& info = Kept(Side);
        info = PanelInfo{};
        HostControl(Side == TPanelSide::Active ? FCTL_GETPANELINFO : FCTL_GETANOTHERPANELINFO,
                    &info);
        Panel = TPanel{};
        Panel.FileSystem = info.PanelType == PTYPE_FILEPANEL && info.Plugin == 0;
        Panel.Directory = FixedText(info.CurDir);
        if (info.PanelItems != nullptr && info.ItemsNumber > 0) {
            Panel.Items.reserve(static_cast<size_t>(info.ItemsNumber));
            for (int i = 0; i < info.ItemsNumber; ++i)
                Panel.Items.push_back(ItemOf(info.PanelItems[i]));
            if (info.CurrentItem >= 0 && info.CurrentItem < info.ItemsNumber)
                Panel.CurrentItem = info.CurrentItem;
        }
        if (Side == TPanelSide::Passive || info.SelectedItemsNumber == 0)
            return true;
        // A selection the record cannot back (a negative count, a count
        // without its array or on a panel of no items) is no selection to
        // work on, nor one to tell from an empty one.
        if (info.SelectedItemsNumber < 0 || info.SelectedItems == nullptr || info.ItemsNumber <= 0)
            return false;
        Panel.Selection.reserve(static_cast<size_t>(info.SelectedItemsNumber));
        for (int i = 0; i < info.SelectedItemsNumber; ++i)
            Panel.Selection.push_back(ItemOf(info.SelectedItems[i]));
        return true;
    }

    void SetSelection(TPanelSide Side, const TPanel& Panel) override {
        PanelInfo& info = Kept(Side);
        // The marks go into the host's own items, PPIF_SELECTED alone: the
        // host's other bits stay, and an unchanged item is not written.
        if (info.PanelItems != nullptr && info.ItemsNumber > 0) {
            const size_t count =
                std::min(Panel.Items.size(), static_cast<size_t>(info.ItemsNumber));
            // Items are 2-byte packed: their flags are written in place, never
            // through a reference that would assume 4-byte alignment.
            for (size_t i = 0; i < count; ++i)
                if (Panel.Items[i].Selected != ((info.PanelItems[i].Flags & PPIF_SELECTED) != 0))
                    info.PanelItems[i].Flags ^= PPIF_SELECTED;
        }
        HostControl(Side == TPanelSide::Active ? FCTL_SETSELECTION : FCTL_SETANOTHERSELECTION,
                    &info);
    }

    void RefreshPanel(TPanelSide Side) override {
        const bool active = Side == TPanelSide::Active;
        HostControl(active ? FCTL_UPDATEPANEL : FCTL_UPDATEANOTHERPANEL, &Kept(Side));
        HostControl(active ? FCTL_REDRAWPANEL : FCTL_REDRAWANOTHERPANEL, nullptr);
    }

    intptr_t SaveScreen() override {
        if (StartupInfo.SaveScreen == nullptr)
            return 0;
        return reinterpret_cast<intptr_t>(StartupInfo.SaveScreen(0, 0, -1, -1));
    }

    void RestoreScreen(intptr_t Screen) override {
        if (StartupInfo.RestoreScreen != nullptr)
            StartupInfo.RestoreScreen(reinterpret_cast<HANDLE>(Screen));
    }

    bool EscapePressed() override { return Platform::EscapePressed(); }

    TStoreOpening OpenSettings(bool ForWriting, std::unique_ptr<TSettingsStore>& Store) override {
        using Platform::RegistryAccess;
        const char* rootKey = SettingsRootKey(StartupInfo.RootKey);
        if (rootKey == nullptr)
            return TStoreOpening::Failed;
        const RegistryAccess access = ForWriting ? RegistryAccess::Write : RegistryAccess::Read;
        // The host's own path is made when missing; our key only by a save.
        KeyHandle root(Platform::OpenRegistryKey(rootKey, access, true));
        if (root == nullptr)
            return TStoreOpening::Failed;
        KeyHandle key(
            Platform::OpenRegistrySubKey(root.get(), SettingsKeyName, access, ForWriting));
        if (key == nullptr)
            return ForWriting ? TStoreOpening::Failed : TStoreOpening::Missing;
        Store = std::make_unique<TRegistryStore>(std::move(root), std::move(key));
        return TStoreOpening::Opened;
    }

    bool ListsInSumsForm() const override { return ::ListsInSumsForm; }

private:
    // The records the host handed over for each side in this call: the
    // selection, update and redraw requests go with them, and the marks
    // into their item arrays.
    PanelInfo& Kept(TPanelSide Side) { return Side == TPanelSide::Active ? Active_ : Passive_; }

    PanelInfo Active_{};
    PanelInfo Passive_{};
};

TFar1xHost TheHost;

} // namespace

THost& Far1xHost() {
    return TheHost;
}

std::unique_ptr<TDialog> TFar1xHost::MakeDialog(const TDialogLayout& Layout,
                                                TDialogEvents* Events) {
    return MakeFar1xDialog(Layout, Events);
}
