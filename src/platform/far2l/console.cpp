// The Esc poll in far2l reads WinPort's console input queue, the one far2l's
// own keyboard handling reads, never the terminal behind it: far2l's input
// thread has already turned the terminal's bytes into key events. Every
// event up to the first Escape key press is dropped; later ones stay queued.
#include "platform/console.h"
#include "platform/far2l/winport.h"

namespace Platform {

namespace {

// A null handle is WinPort's own console.
HANDLE const ConsoleInput = nullptr;

} // namespace

bool EscapePressed() {
    DWORD count = 0;
    if (!WINPORT(GetNumberOfConsoleInputEvents)(ConsoleInput, &count))
        return false;
    for (;;) {
        INPUT_RECORD record;
        DWORD got = 0;
        // Peek first: ReadConsoleInput waits when the queue is empty.
        if (!WINPORT(PeekConsoleInput)(ConsoleInput, &record, 1, &got) || got == 0)
            return false;
        if (!WINPORT(ReadConsoleInput)(ConsoleInput, &record, 1, &got) || got == 0)
            return false;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            record.Event.KeyEvent.wVirtualKeyCode == VK_ESCAPE)
            return true;
    }
}

// Keys are fed by far2l's terminal, not by this process.
bool OpenConsoleFeed() {
    return false;
}

bool FeedConsoleKey(bool /*escape*/, char /*character*/) {
    return false;
}

} // namespace Platform
