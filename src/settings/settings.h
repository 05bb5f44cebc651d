// The user's seven settings: one record for the life of the library, kept in
// the host's settings store (for the single-byte families the per-user
// registry under the host's settings key, sub-key "Hashkeep"), and edited in
// the configuration dialog.
//
// LoadSettings runs at the start of every operation that goes ahead and of
// every configuration; SaveSettings only when the configuration dialog is
// closed with OK. Store failures end either with false; nothing is shown.
#pragma once

#include <cstddef>
#include <cstdint>

// The command-line prefix: at most 49 characters and the terminator.
constexpr size_t PrefixCapacity = 50;

struct TPluginSettings {
    bool AutoLoadList;        // verify against a single selected hash list
    int32_t UseMode;          // HashAlgorithm: 1 CRC32, 2 MD5, 4 SHA1, 8 SHA256 (others name none)
    bool ClearSelectionAfter; // unselect each file once hashed into a new list
    bool ConfirmAbort;        // ask before aborting on Esc
    bool TextModeForHashes;   // MD5, SHA1 and SHA256 lists mark names as read in text mode
    char Prefix[PrefixCapacity];
    bool ProcessSubfolders; // a selected folder gives every regular file below it
};

// "check" as prefix until the first load; the other fields are set by every load.
extern TPluginSettings PluginSettings;

// The plug-in's key in the host's store.
constexpr const char* SettingsKeyName = "Hashkeep";

// Resets every field but Prefix to its default, then reads each value found
// in the plug-in's key of the store. A value of a type the field does not
// accept stops the load there, keeping what was read and the defaults for
// the rest. True when nothing failed; a missing key or value is no failure.
bool LoadSettings();

// Writes the seven values into the plug-in's key of the store, making it;
// booleans as the texts "1" and "0", UseMode as a number, Prefix as text.
// Stops at the first failed write. True when every value was written.
bool SaveSettings();

// The configuration dialog: shows the settings as the registry holds them
// now; OK stores what the user set and gives true, anything else leaves the
// registry alone and gives false.
bool ShowConfigurationDialog();
