// Dialogs laid out afresh from constant rows at every showing, their width
// taken from the texts they show.
#include "seam/seam.h"

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

std::vector<TDialogItem> BuildDialogItems(const DialogItemTemplate* rows, size_t count) {
    std::vector<TDialogItem> items(count);
    for (size_t i = 0; i < count; ++i) {
        const DialogItemTemplate& row = rows[i];
        TDialogItem& item = items[i];
        item.Kind = row.Kind;
        item.X1 = row.X1;
        item.Y1 = row.Y1;
        item.X2 = row.X2;
        item.Y2 = row.Y2;
        item.Focus = row.Focus != 0;
        item.Selected = row.Selected;
        item.Flags = row.Flags;
        item.Default = row.DefaultButton != 0;
        item.Text = row.Text != nullptr ? row.Text : "";
    }
    return items;
}

int PutDialogMessages(std::vector<TDialogItem>& items, const DialogMessageItem* rows,
                      size_t count) {
    const TTextEncoding encoding = CurrentHost().Encoding();
    int width = 0;
    for (size_t i = 0; i < count; ++i) {
        std::string& text = items[static_cast<size_t>(rows[i].Item)].Text;
        text = GetMessageText(rows[i].Message);
        // Measured as an item holds it, so a cut text counts as cut.
        if (text.size() > ItemTextLimit)
            text.resize(ItemTextLimit);
        const int cells = TextCells(text, encoding);
        if (cells + rows[i].Margin > width)
            width = cells + rows[i].Margin;
    }
    return width;
}
