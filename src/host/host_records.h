// The host's records, services and constants for the family this build
// serves: FAR Manager 1.70 (the 32-bit DLL and its Linux twin) or far2l. Both
// headers give the same names and the same small accessors for what they lay
// out differently, so host/, settings/ and operations/ compile against either.
#pragma once

#ifdef HASHKEEP_HOST_FAR2L
#include "host/far2l_interface.h"
#else
#include "host/far_interface.h"
#endif
