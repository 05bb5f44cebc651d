// The Esc poll on Windows reads the console input queue directly, behind the
// host's own keyboard handling, and drops every event up to the first Escape
// key press; events behind it stay queued for the host.
#include "platform/console.h"

#include <windows.h>

namespace Platform {

constexpr WORD EscapeVirtualKey = 0x1B;

bool EscapePressed() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(input, &count))
        return false;
    for (;;) {
        INPUT_RECORD record;
        DWORD got = 0;
        if (!PeekConsoleInputA(input, &record, 1, &got) || got == 0)
            return false;
        if (!ReadConsoleInputA(input, &record, 1, &got))
            return false;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            record.Event.KeyEvent.wVirtualKeyCode == EscapeVirtualKey)
            return true;
    }
}

} // namespace Platform
