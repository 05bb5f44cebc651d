// A host of the tests' own that hands the plug-in whatever the test sets up:
// panel records with odd counts and unterminated texts, message and dialog
// results out of range, dialog texts without terminators, lengths beyond
// the buffers, and services that throw. It records what the plug-in asked
// and checks the pairing of saved screens. One host is current at a time.
#pragma once

#include "host/far170/far_interface.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace Hostile {

// What a service that fails inside the host raises.
struct THostFailure {};

// A panel as the host hands it out: Info is copied into the plug-in's record
// as it stands, its pointers included; the arrays below are for a test to
// point them at, each allocated to its exact length.
struct TPanel {
    PanelInfo Info{};
    std::vector<PluginPanelItem> Items;
    std::vector<PluginPanelItem> Selected;
    // Points Info at the arrays with their true counts.
    void Hand();
};

// A panel item for a file or a directory.
PluginPanelItem Item(const std::string& name, uint64_t size = 0, bool directory = false);
// Copies Text into a fixed array, filling it to its last byte when the text
// is as long as the array: no terminator then.
void Fill(char* destination, size_t capacity, const std::string& text);

class THost {
public:
    THost();
    ~THost();
    THost(const THost&) = delete;
    THost& operator=(const THost&) = delete;

    // A table of this host's services, as the plug-in accepts it.
    PluginStartupInfo Info() const;

    // --- What the host answers --------------------------------------------
    std::string RootKey;
    TPanel Active, Passive;
    // Message: the next answer, else Esc (-1); boxes without buttons return 0.
    std::deque<int> MessageAnswers;
    // DialogEx and Dialog: the items, the dialog's procedure (null for
    // Dialog) and its handle; the result is the host's. Without one: -1.
    using DialogAnswer = std::function<int(FarDialogItem*, int, FARWINDOWPROC, HANDLE)>;
    std::deque<DialogAnswer> DialogAnswers;
    // SendDlgMessage: answers the plug-in's questions; without one, 0.
    std::function<LONG_PTR(int message, int item, LONG_PTR param)> DialogMessages;
    // GetMsg: the text for an identifier; without one, null.
    std::function<const char*(int)> Texts;
    // The service call (1-based, over all services) that throws THostFailure; 0: none.
    size_t ThrowAt = 0;
    // The service that threw, once one has.
    std::string Thrown;

    // --- What the plug-in asked -------------------------------------------
    size_t ServiceCalls = 0;
    std::vector<std::vector<std::string>> Messages; // the lines of each box
    std::vector<int> Controls;                      // the commands, in order
    // The flags of the active panel's items at each FCTL_SETSELECTION.
    std::vector<std::vector<DWORD>> SelectionFlags;
    int DialogsShown = 0;
    // Screens saved and not yet restored; a wrong handle or a second restore.
    std::vector<intptr_t> OpenScreens;
    int ScreenErrors = 0;

    static THost& Current();
    // Counts a call of the named service and throws when asked to.
    void Enter(const char* service);

private:
    intptr_t NextScreen_ = 1;
};

} // namespace Hostile
