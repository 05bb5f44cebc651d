// Every digest test program honours HASHKEEP_DIGEST_PATHS (see
// digest/digest_paths.h): the selection it names is made before the first test.
#pragma once

#include <cstdint>

// The paths in use when the program started, before the variable was applied.
uint32_t StartupDigestPaths();
