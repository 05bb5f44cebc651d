// The FAR Manager 1.70 family, as the single-byte code of host/far1x sees
// it: the host's records (far_interface.h, which the substitute host shares)
// and what this family decides where far2l decides otherwise. far2l's
// family.h gives the same names.
#pragma once

#include "host/far170/far_interface.h"
#include "seam/seam.h"

// FAR Manager 1.70 build 2087: the first build whose interface we rely on.
constexpr int MinFarVersion = MakeFarVersion(1, 70, 2087);
static_assert(MinFarVersion == 0x08270146);

// Lists are written in the classic form (CR LF, the empty header line), as
// the host's users on Windows and its native test build expect.
constexpr bool ListsInSumsForm = false;

// The PluginInfo size of the host's 32-bit build, reported in every build so
// that a host sees the same figure from the DLL and the Linux library.
constexpr int PluginInfoStructSize = 44;

// The registry path the settings live under: the RootKey the host handed over.
inline const char* SettingsRootKey(const char* RootKey) {
    return RootKey;
}

// Texts and names in the host's single-byte code page: a byte a cell.
constexpr TTextEncoding HostTextEncoding = TTextEncoding::SingleByte;
