// The system's own texts for the few errors that scenarios produce, so a
// transcript can show them the same way on every platform.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace HkHost {

// Each text this platform gives for an error (as the plug-in's file layer
// words it) with the name the transcript shows instead: "no such file",
// "file in use" (a locked file), "access denied".
std::vector<std::pair<std::string, std::string>> SystemErrorTexts();

} // namespace HkHost
