#include "hashkeep_cli.h"

#include "platform/files.h"

#include <cstdio>
#include <iostream>
#include <unistd.h> // isatty; mingw-w64 offers it too

int main(int argc, char** argv) {
    // Ctrl+C or a kill while a list is written leaves no temporary file.
    Platform::RemoveTemporaryFileOnInterrupt();
    // Names are UTF-8 in every build: lists written on Windows read as
    // lists written elsewhere, and no name is one the code page lacks.
    const std::vector<std::string> args = Platform::UseUtf8Names(argc, argv);
    return RunHashkeep(args, std::cin, std::cout, std::cerr, isatty(fileno(stderr)) != 0);
}
