#include "hashkeep_cli.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define HK_ISATTY(stream) (_isatty(_fileno(stream)) != 0)
#else
#include <unistd.h>
#define HK_ISATTY(stream) (isatty(fileno(stream)) != 0)
#endif

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunHashkeep(args, std::cout, std::cerr, HK_ISATTY(stderr));
}
