#include "hashkeep_cli.h"

#include "platform/files.h"

#include <cstdio>
#include <iostream>
#include <unistd.h> // isatty; mingw-w64 offers it too

int main(int argc, char** argv) {
    // Ctrl+C or a kill while a list is written leaves no temporary file.
    Platform::RemoveTemporaryFileOnInterrupt();
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunHashkeep(args, std::cin, std::cout, std::cerr, isatty(fileno(stderr)) != 0);
}
