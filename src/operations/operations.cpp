#include "operations/operations.h"

// Placeholder until the operation driver replaces this file.
HANDLE OpenPluginOperation(int /*OpenFrom*/, INT_PTR /*Item*/) { return INVALID_HANDLE_VALUE; }
