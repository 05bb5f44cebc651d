// Reading an item's text from an open dialog, in far2l. Its DM_GETTEXT and
// DM_GETTEXTLENGTH count wide characters and convert the text into that many
// bytes, which cuts any text with a character beyond ASCII (a Cyrillic list
// name loses its end); DM_GETDLGITEM hands over the whole item, its text
// converted into the item's 512 bytes.
#include "host/far1x/far1x.h"

#include <cstring>

bool GetDialogItemText(HANDLE Dialog, int Item, std::string& Text) {
    if (StartupInfo.SendDlgMessage == nullptr)
        return false;
    FarDialogItem item{};
    if (StartupInfo.SendDlgMessage(Dialog, DM_GETDLGITEM, Item,
                                   reinterpret_cast<LONG_PTR>(&item)) == 0)
        return false;
    const size_t length = strnlen(item.Data, sizeof item.Data);
    if (length == 0 || length == sizeof item.Data)
        return false;
    Text.assign(item.Data, length);
    return true;
}
