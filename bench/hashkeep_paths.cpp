// hashkeep on the digest paths that HASHKEEP_DIGEST_PATHS names (the product
// always takes every path the processor has): lets bench/compare.sh time a
// command with and without a path, the MD5 lanes for one, in the same run.
#include "digest/digest_paths.h"
#include "hashkeep_cli.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    uint32_t paths = AllDigestPaths;
    if (!ParseDigestPaths(std::getenv(DigestPathsVariable), paths)) {
        std::fprintf(stderr, "hashkeep_paths: %s names an unknown path\n", DigestPathsVariable);
        return 2;
    }
    SelectDigestPaths(paths);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunHashkeep(args, std::cout, std::cerr);
}
