// hold_open FILE: another program that has FILE open without sharing, as a
// backup or a virus scanner may have. Every open of it by anyone else fails
// with a sharing violation until this program lets it go. It says "held"
// once it holds the file, and lets it go, saying "released", when a line or
// the end arrives on its standard input.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: hold_open FILE\n", stderr);
        return 2;
    }
    const HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_open: cannot open %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    char line[64];
    (void)std::fgets(line, sizeof line, stdin);
    CloseHandle(file);
    std::puts("released");
    std::fflush(stdout);
    return 0;
}
