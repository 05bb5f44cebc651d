// FAR 1.x's single-byte plug-in interface, written once for the two
// families that speak it: FAR Manager 1.70 (the 32-bit DLL, which FAR 3
// also loads through its wrapper, and its Linux twin) and far2l. Each family
// is a folder under host/ that gives this code its records and what it
// decides alone in a header named family.h, found on the include path of
// its build (host/far170/family.h, host/far2l/family.h), and its own way of
// reading an item's text from an open dialog (GetDialogItemText).
//
// Here: the five exported entry points, the service table they keep, and
// the THost that carries operations/ and settings/ to those services.
#pragma once

#include "family.h"

#include "seam/seam.h"

#include <memory>
#include <string>

// --- Entry points ------------------------------------------------------------

// The host finds these by their plain names and calls them __stdcall with a
// 4-byte-aligned stack. Each is a no-throw boundary: nothing the plug-in
// raises reaches the host.
extern "C" {
HK_REALIGN_STACK int HK_WINAPI GetMinFarVersion() noexcept;
HK_REALIGN_STACK void HK_WINAPI SetStartupInfo(const PluginStartupInfo* Info) noexcept;
HK_REALIGN_STACK void HK_WINAPI GetPluginInfo(PluginInfo* Info) noexcept;
HK_REALIGN_STACK HANDLE HK_WINAPI OpenPlugin(int OpenFrom, INT_PTR Item) noexcept;
HK_REALIGN_STACK int HK_WINAPI Configure(int ItemNumber) noexcept;
}

// --- Stored service table ----------------------------------------------------

// A byte copy of the table the host passed, kept for the life of the library;
// RootKey and the service pointers stay the host's. Every service is called
// through it, and only while StartupInfoValid is true.
extern PluginStartupInfo StartupInfo;
// True while the last table handed to SetStartupInfo had our record's size;
// the family's THost is then the installed one (InstallHost).
extern bool StartupInfoValid;

// The THost over the stored table, which SetStartupInfo installs.
THost& Far1xHost();

// --- Dialogs -----------------------------------------------------------------

// A dialog of the layout: shown with Dialog, or with DialogEx and a dialog
// procedure that tells Events of the clicks when there are events.
std::unique_ptr<TDialog> MakeFar1xDialog(const TDialogLayout& Layout, TDialogEvents* Events);

// The host's items for a layout: every byte the layout does not set is zero,
// and each text is cut to what an item holds.
void BuildFarDialogItems(const TDialogLayout& Layout, FarDialogItem* Items);

// The text of an item of the open dialog, asked of the host in the family's
// own way. False when the host gives no text, an empty one or one longer than
// an item holds; the dialog's events then leave the item alone.
bool GetDialogItemText(HANDLE Dialog, int Item, std::string& Text);
