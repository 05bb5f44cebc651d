// The dialogs of the single-byte families: a layout turned into the host's
// items, kept between showings so that a dialog comes back as the user left
// it, and a dialog procedure that tells the plug-in's events of the clicks.
#include "host/far1x/far1x.h"

#include <cstring>

namespace {

int ItemType(TItemKind Kind) {
    switch (Kind) {
    case TItemKind::DoubleBox:
        return DI_DOUBLEBOX;
    case TItemKind::Text:
        return DI_TEXT;
    case TItemKind::Edit:
        return DI_EDIT;
    case TItemKind::Button:
        return DI_BUTTON;
    case TItemKind::CheckBox:
        return DI_CHECKBOX;
    case TItemKind::RadioButton:
        return DI_RADIOBUTTON;
    }
    return DI_TEXT;
}

DWORD ItemFlags(uint32_t Flags) {
    DWORD flags = 0;
    if ((Flags & ifGroup) != 0)
        flags |= DIF_GROUP;
    if ((Flags & ifCentreGroup) != 0)
        flags |= DIF_CENTERGROUP;
    if ((Flags & ifSeparator) != 0)
        flags |= DIF_SEPARATOR;
    if ((Flags & ifDisabled) != 0)
        flags |= DIF_DISABLE;
    return flags;
}

LONG_PTR SendToDialog(HANDLE Dialog, int Message, int Item, LONG_PTR Param) {
    if (StartupInfo.SendDlgMessage == nullptr)
        return 0;
    return StartupInfo.SendDlgMessage(Dialog, Message, Item, Param);
}

// The dialog the host shows, as its events see it.
class TOpenFar1xDialog final : public TOpenDialog {
public:
    explicit TOpenFar1xDialog(HANDLE Dialog) : Dialog_(Dialog) {}

    bool GetText(int Item, std::string& Text) override {
        return GetDialogItemText(Dialog_, Item, Text);
    }
    void SetText(int Item, const std::string& Text) override {
        SendToDialog(Dialog_, DM_SETTEXTPTR, Item, reinterpret_cast<LONG_PTR>(Text.c_str()));
    }
    void Enable(int Item, bool Enabled) override {
        SendToDialog(Dialog_, DM_ENABLE, Item, Enabled ? 1 : 0);
    }

private:
    HANDLE Dialog_;
};

// The events of the dialog being shown. DialogEx's own parameter would do,
// but what a host records of the call would then change with it; our
// dialogs never nest, and the one before is put back all the same.
TDialogEvents* ShownEvents = nullptr;

HK_REALIGN_STACK LONG_PTR HK_WINAPI DialogProcedure(HANDLE hDlg, int Msg, int Param1,
                                                    LONG_PTR Param2) noexcept {
    // The host calls this from inside DialogEx; a failure of one of its own
    // services called from here must not unwind into it (nor end the
    // process at this noexcept frame).
    try {
        if (Msg == DN_BTNCLICK && ShownEvents != nullptr) {
            TOpenFar1xDialog dialog(hDlg);
            if (ShownEvents->OnClick(dialog, Param1, Param2))
                return 1;
        }
        if (StartupInfo.DefDlgProc == nullptr)
            return 0;
        return StartupInfo.DefDlgProc(hDlg, Msg, Param1, Param2);
    } catch (...) {
        return 0;
    }
}

class TFar1xDialog final : public TDialog {
public:
    TFar1xDialog(const TDialogLayout& Layout, TDialogEvents* Events)
        : Items_(Layout.Items.size()), Width_(Layout.Width), Height_(Layout.Height),
          Events_(Events) {
        BuildFarDialogItems(Layout, Items_.data());
    }

    int Show() override {
        const int count = static_cast<int>(Items_.size());
        if (Events_ == nullptr) {
            if (StartupInfo.Dialog == nullptr)
                return -1;
            return StartupInfo.Dialog(StartupInfo.ModuleNumber, -1, -1, Width_, Height_, nullptr,
                                      Items_.data(), count);
        }
        if (StartupInfo.DialogEx == nullptr)
            return -1;
        struct TShown {
            TDialogEvents* Before;
            ~TShown() { ShownEvents = Before; }
        } shown{ShownEvents};
        ShownEvents = Events_;
        return StartupInfo.DialogEx(StartupInfo.ModuleNumber, -1, -1, Width_, Height_, nullptr,
                                    Items_.data(), count, 0, 0, DialogProcedure, 0);
    }

    bool Checked(int Item) const override { return Has(Item) && Items_[Index(Item)].Selected > 0; }

    std::string Text(int Item) const override {
        if (!Has(Item))
            return {};
        const char* data = Items_[Index(Item)].Data;
        return std::string(data, strnlen(data, sizeof(FarDialogItem::Data)));
    }

    void SetChecked(int Item, bool On) override {
        if (Has(Item))
            Items_[Index(Item)].Selected = On ? 1 : 0;
    }

    void SetText(int Item, const std::string& Text) override {
        if (Has(Item))
            CopyItemText(Items_[Index(Item)].Data, Text.c_str());
    }

private:
    bool Has(int Item) const { return Item >= 0 && static_cast<size_t>(Item) < Items_.size(); }
    static size_t Index(int Item) { return static_cast<size_t>(Item); }

    // Handed to the host, which writes back what the user left in them.
    std::vector<FarDialogItem> Items_;
    int Width_;
    int Height_;
    TDialogEvents* Events_;
};

} // namespace

void BuildFarDialogItems(const TDialogLayout& Layout, FarDialogItem* Items) {
    if (Layout.Items.empty())
        return;
    std::memset(Items, 0, sizeof(FarDialogItem) * Layout.Items.size());
    for (size_t i = 0; i < Layout.Items.size(); ++i) {
        const TDialogItem& from = Layout.Items[i];
        FarDialogItem& item = Items[i];
        item.Type = ItemType(from.Kind);
        item.X1 = from.X1;
        item.Y1 = from.Y1;
        item.X2 = from.X2;
        item.Y2 = from.Y2;
        item.Focus = from.Focus ? 1 : 0;
        item.Selected = from.Selected;
        item.Flags = ItemFlags(from.Flags);
        item.DefaultButton = from.Default ? 1 : 0;
        CopyItemText(item.Data, from.Text.c_str());
    }
}

std::unique_ptr<TDialog> MakeFar1xDialog(const TDialogLayout& Layout, TDialogEvents* Events) {
    return std::make_unique<TFar1xDialog>(Layout, Events);
}
