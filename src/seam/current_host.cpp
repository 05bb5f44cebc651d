// The host the library serves, and the one that stands in while there is
// none: every request finds no service, as with a host that refused us.
#include "seam/seam.h"

namespace {

class TNoHost final : public THost {
public:
    const char* Text(int) override { return nullptr; }
    TTextEncoding Encoding() const override { return TTextEncoding::SingleByte; }
    int Message(const TBox&) override { return -1; }
    std::unique_ptr<TDialog> MakeDialog(const TDialogLayout&, TDialogEvents*) override {
        return nullptr;
    }
    bool GetPanel(TPanelSide, TPanel&) override { return false; }
    void SetSelection(TPanelSide, const TPanel&) override {}
    void RefreshPanel(TPanelSide) override {}
    intptr_t SaveScreen() override { return 0; }
    void RestoreScreen(intptr_t) override {}
    bool EscapePressed() override { return false; }
    TStoreOpening OpenSettings(bool, std::unique_ptr<TSettingsStore>&) override {
        return TStoreOpening::Failed;
    }
    bool ListsInSumsForm() const override { return false; }
};

TNoHost NoHost;
THost* Installed = &NoHost;

} // namespace

THost& CurrentHost() {
    return *Installed;
}

void InstallHost(THost* Host) {
    Installed = Host != nullptr ? Host : &NoHost;
}
