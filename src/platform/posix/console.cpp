// The Esc poll on POSIX: the bytes already waiting on standard input, taken
// without blocking. A terminal sends Escape as a lone 0x1B and other keys
// (arrows, function keys) as sequences that start with 0x1B '[' or 0x1B 'O';
// those are consumed whole so they never count as Escape.
#include "platform/console.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace Platform {

namespace {

constexpr unsigned char EscapeByte = 0x1B;
// Bytes read but not yet consumed. A poll reads at most what fits, so typing
// ahead never makes the buffer grow; the rest waits in the system's queue.
constexpr size_t PendingCapacity = 256;
unsigned char Pending[PendingCapacity];
size_t PendingLength = 0;

int FeedDescriptor = -1;

void ReadWaitingInput() {
    while (PendingLength < PendingCapacity) {
        pollfd request{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&request, 1, 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (request.revents & POLLIN) == 0)
            return;
        const ssize_t got =
            ::read(STDIN_FILENO, Pending + PendingLength, PendingCapacity - PendingLength);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        PendingLength += static_cast<size_t>(got);
    }
}

// Length of the escape sequence at Pending[start] (which holds 0x1B followed by
// '[' or 'O'): CSI is parameters and intermediates up to a final byte 0x40..0x7E,
// SS3 is one more byte. A sequence cut off at the end of the input ends there.
size_t SequenceLength(size_t start) {
    size_t end = start + 2;
    if (Pending[start + 1] == 'O')
        return end < PendingLength ? 3 : end - start;
    while (end < PendingLength && Pending[end] >= 0x20 && Pending[end] <= 0x3F)
        ++end;
    if (end < PendingLength && Pending[end] >= 0x40 && Pending[end] <= 0x7E)
        ++end;
    return end - start;
}

void Consume(size_t count) {
    std::memmove(Pending, Pending + count, PendingLength - count);
    PendingLength -= count;
}

} // namespace

bool EscapePressed() {
    ReadWaitingInput();
    size_t position = 0;
    while (position < PendingLength) {
        if (Pending[position] != EscapeByte) {
            ++position;
            continue;
        }
        if (position + 1 < PendingLength &&
            (Pending[position + 1] == '[' || Pending[position + 1] == 'O')) {
            position += SequenceLength(position);
            continue;
        }
        Consume(position + 1);
        return true;
    }
    PendingLength = 0;
    return false;
}

bool OpenConsoleFeed() {
    if (FeedDescriptor >= 0)
        return true;
    int ends[2];
    if (::pipe(ends) != 0)
        return false;
    // The writer must never block: the same thread feeds and polls.
    const bool ok = ::fcntl(ends[1], F_SETFL, O_NONBLOCK) == 0 &&
                    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0 &&
                    ::dup2(ends[0], STDIN_FILENO) == STDIN_FILENO;
    ::close(ends[0]);
    if (!ok) {
        ::close(ends[1]);
        return false;
    }
    FeedDescriptor = ends[1];
    PendingLength = 0;
    return true;
}

bool FeedConsoleKey(bool escape, char character) {
    if (FeedDescriptor < 0)
        return false;
    const char byte = escape ? static_cast<char>(EscapeByte) : character;
    ssize_t written;
    do
        written = ::write(FeedDescriptor, &byte, 1);
    while (written < 0 && errno == EINTR);
    return written == 1;
}

bool WriteStandardOutput(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

} // namespace Platform
