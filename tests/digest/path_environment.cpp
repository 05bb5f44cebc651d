#include "path_environment.h"

#include "digest/digest_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

uint32_t Startup = 0;

class PathEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Startup = ActiveDigestPaths();
        const char* text = std::getenv(DigestPathsVariable);
        uint32_t wanted = AllDigestPaths;
        if (!ParseDigestPaths(text, wanted)) {
            ADD_FAILURE() << DigestPathsVariable << " names an unknown path: " << text;
            return;
        }
        SelectDigestPaths(wanted);
    }
};

[[maybe_unused]] const auto* const Registered =
    ::testing::AddGlobalTestEnvironment(new PathEnvironment);

} // namespace

uint32_t StartupDigestPaths() {
    return Startup;
}
