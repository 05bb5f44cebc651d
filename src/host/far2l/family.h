// The host family of far2l, the Linux port of the file manager's version-2
// line, which loads single-byte ("multibyte", .far-plug-mb) plug-ins. Its
// records, services and constants come from far2l's own SDK header, found
// through the include path of the far2l build (never copied here); this
// header gives them the names the single-byte code of host/far1x uses, and
// what this family decides where FAR 1.70 decides otherwise (far170's
// family.h gives the same names).
//
// Differences that matter to Hashkeep: pointers are 64-bit and the module
// number an INT_PTR, the startup record has ColorDialog before DialogEx, an
// item's find data holds one 64-bit size and a name of NAME_MAX bytes, the
// panel record has no ShortNames, NM is PATH_MAX, and every text is UTF-8.
#pragma once

#include "platform/callconv.h"
#include "seam/seam.h"

#include <WinCompat.h>
#include <farplug-mb.h>

#include <cstddef>
#include <cstdint>

using namespace oldfar;

// The name the 1.70 family gives the directory bit of an item's attributes.
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY_FAR = FILE_ATTRIBUTE_DIRECTORY;

// far2l compares the minor number (low word) first and refuses a plug-in
// whose minor number is above its own, so the version is 2.0: every far2l
// accepts it. The startup record's size is what guards the layout.
constexpr int MakeFar2lVersion(int major, int minor) {
    return (major << 16) | minor;
}
constexpr int MinFarVersion = MakeFar2lVersion(2, 0);

// far2l runs on Linux and macOS, whose tools (busybox, perl's shasum) read
// only sha256sum's form of a list: LF alone, no header line.
constexpr bool ListsInSumsForm = true;

// far2l takes the record as it is; its own size is the honest answer.
constexpr int PluginInfoStructSize = static_cast<int>(sizeof(PluginInfo));

// far2l hands single-byte plug-ins an empty RootKey (its PluginA declares a
// strRootKey of its own, which hides the one set for every plug-in), which
// would put the settings at the top of the emulated registry. They go where
// far2l keeps every other plug-in's, and stay there once far2l is mended.
constexpr const char* Far2lPluginsRootKey = "Software/Far2/Plugins";

inline const char* SettingsRootKey(const char* RootKey) {
    return RootKey != nullptr && *RootKey != '\0' ? RootKey : Far2lPluginsRootKey;
}

// Every text is UTF-8: a character a cell, so the Russian texts (two bytes
// a letter) size a dialog as they do in the 1.70 build.
constexpr TTextEncoding HostTextEncoding = TTextEncoding::Utf8;
