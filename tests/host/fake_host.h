// A stand-in for the host in unit tests: a PluginStartupInfo whose services
// record every call and answer from a script the test sets up beforehand.
// One FakeHost is current at a time; its services are the host's plain
// __stdcall functions, so the plug-in calls them as it would the real ones.
#pragma once

#include "host/far170/far_interface.h"

#include "test_support.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Fake {

struct MessageCall {
    int PluginNumber = 0;
    DWORD Flags = 0;
    bool HelpTopicGiven = false;
    std::vector<std::string> Lines;
    int ButtonsNumber = 0;
};

struct DialogCall {
    int PluginNumber = 0;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool HelpTopicGiven = false;
    std::vector<FarDialogItem> Items; // as the plug-in handed them over
};

// What the user does in a dialog: changes the items and gives the index of
// the closing item, or a negative number for Esc.
using DialogAnswer = std::function<int(FarDialogItem* items, int count)>;

class FakeHost {
public:
    static constexpr int ModuleNumber = 7;

    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // A table with this host's services and StructSize = sizeof, unless told otherwise.
    PluginStartupInfo Info() const;

    // The script.
    std::string RootKey = "Software\\Far\\Plugins";
    std::map<int, std::string> Language; // GetMsg answers; null for ids not listed
    std::deque<int> MessageAnswers;      // button index, or negative for Esc
    std::deque<DialogAnswer> DialogAnswers;

    // What the plug-in asked.
    std::vector<int> GetMsgPluginNumbers;
    std::vector<MessageCall> Messages;
    std::vector<DialogCall> Dialogs;
    // Boxes or dialogs the script had no answer for.
    int Unanswered = 0;

    static FakeHost& Current();
};

// Answers a dialog by closing it with this item, changing nothing.
DialogAnswer CloseWith(int item);

// A settings tree of the test's own: natively a registry file in a private
// directory, on Windows a key of its own in the real registry, removed at
// the end. Root is the path to hand over as the host's RootKey.
class PrivateRegistry {
public:
    PrivateRegistry();
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

    std::string Root;

private:
    TestSupport::TempDirectory Directory_;
    std::string RunKey_;
};

} // namespace Fake
