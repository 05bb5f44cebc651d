// Dialog items built afresh from constant rows at every showing.
#include "host/host.h"

#include <cstring>

int CopyItemText(char* destination, size_t capacity, const char* source) {
    if (capacity == 0)
        return 0;
    size_t count = 0;
    if (source != nullptr) {
        while (count + 1 < capacity && source[count] != '\0') {
            destination[count] = source[count];
            ++count;
        }
    }
    destination[count] = '\0';
    return static_cast<int>(count);
}

void BuildDialogItems(const DialogItemTemplate* rows, FarDialogItem* items, int count) {
    if (count <= 0)
        return;
    std::memset(items, 0, sizeof(FarDialogItem) * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const DialogItemTemplate& row = rows[i];
        FarDialogItem& item = items[i];
        item.Type = row.Type;
        item.X1 = row.X1;
        item.Y1 = row.Y1;
        item.X2 = row.X2;
        item.Y2 = row.Y2;
        item.Focus = row.Focus;
        item.Selected = row.Selected;
        item.Flags = row.Flags;
        item.DefaultButton = row.DefaultButton;
        CopyItemText(item.Data, row.Text);
    }
}

int PutDialogMessages(FarDialogItem* items, const DialogMessageItem* rows, size_t count) {
    int width = 0;
    for (size_t i = 0; i < count; ++i) {
        FarDialogItem& item = items[rows[i].Item];
        const int copied = CopyItemText(item.Data, GetMessageText(rows[i].Message));
        // In screen cells, which in a UTF-8 host are not bytes.
        const int cells = TextCells(item.Data, copied);
        if (cells + rows[i].Margin > width)
            width = cells + rows[i].Margin;
    }
    return width;
}
