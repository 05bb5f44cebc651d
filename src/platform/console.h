// The console input that a running operation polls for Esc.
// Windows: the process's console input queue, read directly. POSIX: the
// bytes already waiting on standard input, read without blocking; a lone 0x1B
// is Escape, 0x1B followed by '[' or 'O' starts another key's sequence.
#pragma once

#include <string>

namespace Platform {

// True when an Escape key press was taken from the input. Every pending event
// up to and including that press is consumed; later ones stay queued. Input
// that cannot be queried counts as no Escape.
bool EscapePressed();

// For the substitute host: make the console input one this process can feed
// (POSIX: standard input becomes a pipe the process writes; Windows: the real
// console input queue, which needs a console). False when that is impossible.
bool OpenConsoleFeed();
// Queues one key press into the fed input: Escape, or an ordinary character.
bool FeedConsoleKey(bool escape, char character = 'x');

// For the substitute host: writes the bytes to standard output as they are,
// without line-end or code-page translation; a Windows console is switched to
// UTF-8 first, so drawings with box-drawing characters show as drawn. False
// when not everything was written.
bool WriteStandardOutput(const std::string& bytes);

} // namespace Platform
