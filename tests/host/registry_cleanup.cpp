// Removes a test's own key from the real registry on Windows; elsewhere the
// registry file goes with the test's temporary directory. Kept apart from
// the host's declarations, whose DWORD is not the one of <windows.h>.
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace Fake {

void DeleteRegistryTree(const std::string& path) {
#ifdef _WIN32
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
#else
    (void)path;
#endif
}

} // namespace Fake
