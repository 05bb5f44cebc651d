// What happens when the user opens the plug-in from the plug-ins menu or its
// command line: gathering the files, the work-mode dialog, list creation,
// verification and panel comparison, and the panel requests at the end.
#pragma once

#include "host/far_interface.h"

// Called by OpenPlugin once the service table is accepted and the origin is
// OPEN_PLUGINSMENU or OPEN_COMMANDLINE (Item is then the text after the
// prefix). The entry point returns INVALID_HANDLE_VALUE whatever this gives.
HANDLE OpenPluginOperation(int OpenFrom, INT_PTR Item);
