// Feeding the console input queue, for the substitute host: key events are
// written into the real queue, where the plug-in's Esc poll finds them. Kept
// apart from the poll so the plug-in carries none of it.
#include "platform/console.h"

#include <windows.h>

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

} // namespace Platform
