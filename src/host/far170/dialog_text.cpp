// Reading an item's text from an open dialog, in FAR Manager 1.70: its length
// first, then the text into a buffer of that length and a terminator.
#include "host/far1x/far1x.h"

#include <cstring>

bool GetDialogItemText(HANDLE Dialog, int Item, std::string& Text) {
    if (StartupInfo.SendDlgMessage == nullptr)
        return false;
    const LONG_PTR length = StartupInfo.SendDlgMessage(Dialog, DM_GETTEXTLENGTH, Item, 0);
    // The field holds at most its item's text; a longer answer is no answer.
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(FarDialogItem::Data))
        return false;
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    FarDialogItemData data{static_cast<int>(length) + 1, buffer.data()};
    if (StartupInfo.SendDlgMessage(Dialog, DM_GETTEXT, Item, reinterpret_cast<LONG_PTR>(&data)) <=
        0)
        return false;
    Text.assign(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(length)));
    return true;
}
