// Feeding the console input queue, for the substitute host: key events are
// written into the real queue, where the plug-in's Esc poll finds them. Kept
// apart from the poll so the plug-in carries none of it; so is the host's
// writing of its transcript.
#include "platform/console.h"

#include <windows.h>

#include <algorithm>

namespace Platform {

namespace {

constexpr WORD EscapeVirtualKey = 0x1B;

bool WriteKey(HANDLE input, WORD virtualKey, char character) {
    INPUT_RECORD records[2] = {};
    for (int i = 0; i < 2; ++i) {
        records[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        key.bKeyDown = i == 0 ? TRUE : FALSE;
        key.wRepeatCount = 1;
        key.wVirtualKeyCode = virtualKey;
        key.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
        key.uChar.AsciiChar = character;
    }
    DWORD written = 0;
    return WriteConsoleInputA(input, records, 2, &written) != FALSE && written == 2;
}

} // namespace

bool OpenConsoleFeed() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || input == nullptr || !GetConsoleMode(input, &mode))
        return false;
    // Whatever was typed before the run must not count as a fed key.
    return FlushConsoleInputBuffer(input) != FALSE;
}

bool FeedConsoleKey(bool escape, char character) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (escape)
        return WriteKey(input, EscapeVirtualKey, static_cast<char>(0x1B));
    const SHORT scan = VkKeyScanA(character);
    const WORD virtualKey = scan == -1 ? 0 : static_cast<WORD>(scan & 0xFF);
    return WriteKey(input, virtualKey, character);
}

bool WriteStandardOutput(const std::string& bytes) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE || output == nullptr)
        return false;
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode))
        SetConsoleOutputCP(CP_UTF8);
    // WriteFile hands the bytes on unchanged; the C runtime's text mode would
    // turn LF into CR LF, and WriteConsoleW would need a conversion.
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(output, bytes.data() + done, piece, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace Platform
