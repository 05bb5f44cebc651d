// What the Windows file sources share: the plug-in's (files.cpp) and the
// programs' own (program_files.cpp), which the plug-in does not carry.
#pragma once

#include "platform/files.h"

#include <windows.h>

namespace Platform::FilesDetail {

// Set once by a program (UseUtf8Names), before any other call.
extern bool Utf8Names;
// The cause of the last failure on this thread, for LastErrorText.
extern thread_local DWORD LastError;

// Runs the test hook; a call it fails looks like an I/O error to the caller.
bool FaultInjected(FileOperation operation, const std::string& path);
// LastError from GetLastError; false.
bool Fail();

// Causes of our own, in the range Windows leaves to applications (bit 29).
constexpr DWORD DeviceNameError = 0x20000001;
constexpr DWORD NotRegularDeviceError = 0x20000002;
constexpr DWORD NotRegularPipeError = 0x20000003;
constexpr DWORD NotRegularOtherError = 0x20000004;
constexpr DWORD ThroughFolderLinkError = 0x20000005;
constexpr DWORD LeavesFolderError = 0x20000006;
constexpr DWORD PathTooLongError = 0x20000007;
constexpr DWORD LostNameError = 0x20000008;
constexpr DWORD CannotExistError = 0x20000009;
constexpr DWORD NotUtf8Error = 0x2000000A;
constexpr DWORD TwoFilesError = 0x2000000B;

// The mark of a character the code page of the names cannot hold; no Windows
// name holds it, and FAR hands such a character to a 1.x plug-in as it too.
constexpr char LostCharacter = '?';

inline UINT NameCodePage() {
    return Utf8Names ? CP_UTF8 : AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

// A name as the wide-character calls take it; not Valid, with LastError, for
// a name that holds the lost mark or is too long. Windows opens no longer
// path without the "\\?\" form, which the engine never uses, so a fixed
// buffer holds every name the calls could take.
class TWideName {
public:
    explicit TWideName(std::string_view name) : TWideName(name, NameCodePage()) {}
    TWideName(std::string_view name, UINT codePage);
    explicit TWideName(std::wstring_view name);

    static constexpr int Capacity = 1024;
    wchar_t Text[Capacity];
    int Length = 0;
    bool Valid = false;
};

// Length wide characters of Text in the code page CodePage, each character
// it cannot hold, or would hold only as another (a best fit, or U+FFFD for
// an unpaired surrogate), as the lost mark.
std::string Narrow(const wchar_t* text, int length, UINT codePage = NameCodePage());

// The temporary file an interrupt removes, as CreateTemporaryFile made it.
// The console control handler runs on a thread of its own; the lock keeps it
// from removing a temporary file that is just becoming the list.
extern wchar_t PendingTemporary[TWideName::Capacity];
extern bool HavePendingTemporary;
extern bool InterruptsHandled; // the lock is there, and taken
extern CRITICAL_SECTION PendingLock;

class TPendingLock {
public:
    TPendingLock() : Active_(InterruptsHandled) {
        if (Active_)
            EnterCriticalSection(&PendingLock);
    }
    ~TPendingLock() {
        if (Active_)
            LeaveCriticalSection(&PendingLock);
    }
    TPendingLock(const TPendingLock&) = delete;
    TPendingLock& operator=(const TPendingLock&) = delete;

private:
    const bool Active_;
};

} // namespace Platform::FilesDetail
