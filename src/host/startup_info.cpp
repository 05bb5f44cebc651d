// The service table the host hands over once, and whether it was accepted.
#include "host/host.h"

PluginStartupInfo StartupInfo{};
bool StartupInfoValid = false;
