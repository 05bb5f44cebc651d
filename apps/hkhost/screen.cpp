// Drawing follows the real host's dialog and message code: how it centres a
// dialog, places a centred button group, draws separators across the frame,
// sizes a message box to its widest line and cuts longer ones, and hides the
// hot-key mark. Colours cannot be drawn in text: the warning colours, the
// focus, the default button and disabled items are named beside the drawing.
#include "screen.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace HkHost {

namespace {

// The console's last column and row, as the host's code names them.
constexpr int ScrX = ScreenColumns - 1;
constexpr int ScrY = ScreenRows - 1;

// The host's values of item types and flags that Hashkeep itself never uses.
constexpr int DI_VTEXT = 1, DI_SINGLEBOX = 2, DI_PSWEDIT = 5, DI_FIXEDIT = 6;
constexpr DWORD DIF_MOVESELECT = 0x1000, DIF_SHOWAMPERSAND = 0x2000, DIF_NOBRACKETS = 0x8000,
                DIF_SEPARATOR2 = 0x20000, DIF_HIDDEN = 0x10000000, DIF_READONLY = 0x20000000,
                DIF_NOFOCUS = 0x40000000;
constexpr DWORD FDLG_WARNING = 0x1, FDLG_SMALLDIALOG = 0x2;

// A message box is at most this wide inside its margins; a box without
// buttons cuts its lines two cells shorter still.
constexpr int MessageWidthLimit = ScrX - 13;
constexpr int ProgressLineLimit = ScrX - 15;
// A message box keeps this many rows of the screen free; lines beyond that
// are dropped from the top.
constexpr int MessageRowsFree = 3;
// Plug-in coordinates are clamped to this, so a wild value cannot overflow.
constexpr int CoordinateLimit = 10000;

constexpr char32_t FieldFill = U'\u2591'; // the empty part of an edit field
constexpr char32_t RadioDot = U'\u2022';

// Code page 866 from 0x80 on: Cyrillic, box drawing, a few signs.
constexpr char16_t Cp866High[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

std::u32string FromCodePage(const std::string& bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            text += static_cast<char32_t>(Cp866High[byte - 0x80]);
        else
            text += byte < 0x20 || byte == 0x7F ? U'?' : static_cast<char32_t>(byte);
    }
    return text;
}

std::string Utf8(const std::u32string& text) {
    std::string bytes;
    for (const char32_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

int Cells(const std::u32string& text) {
    return static_cast<int>(text.size());
}

std::u32string Cut(std::u32string text, int cells) {
    if (Cells(text) > cells)
        text.resize(static_cast<size_t>(std::max(0, cells)));
    return text;
}

std::u32string HalveAmpersands(const std::u32string& text) {
    std::u32string halved;
    for (size_t i = 0; i < text.size(); ++i) {
        halved += text[i];
        if (text[i] == U'&' && i + 1 < text.size() && text[i + 1] == U'&')
            ++i;
    }
    return halved;
}

// What the host draws of a text with a hot key: the first '&' of an odd run
// marks the next character as the hot key and is not drawn; "&&" draws one '&'.
std::u32string WithoutHotKeyMark(const std::u32string& text) {
    const size_t first = text.find(U'&');
    if (first == std::u32string::npos)
        return text;
    size_t run = 0;
    while (first + run < text.size() && text[first + run] == U'&')
        ++run;
    if (run % 2 == 0)
        return HalveAmpersands(text);
    std::u32string shown = text.substr(0, first);
    if (first + 1 < text.size())
        shown += HalveAmpersands(text.substr(first + 1));
    return shown;
}

class Canvas {
public:
    Canvas() : Rows_(ScreenRows, std::u32string(ScreenColumns, U' ')) {}

    void Put(int x, int y, const std::u32string& text) {
        if (y < 0 || y >= ScreenRows)
            return;
        for (size_t i = 0; i < text.size(); ++i) {
            const long long column = x + static_cast<long long>(i);
            if (column >= 0 && column < ScreenColumns)
                Rows_[static_cast<size_t>(y)][static_cast<size_t>(column)] = text[i];
        }
    }
    void Repeat(int x, int y, char32_t c, int count) {
        Put(x, y, std::u32string(static_cast<size_t>(std::max(0, count)), c));
    }
    void Line(int x, int y, int length, char32_t left, char32_t middle, char32_t right) {
        if (length < 2)
            return;
        std::u32string line(static_cast<size_t>(length), middle);
        line.front() = left;
        line.back() = right;
        Put(x, y, line);
    }
    void Frame(int x1, int y1, int x2, int y2, bool doubled) {
        if (x1 >= x2 || y1 >= y2)
            return;
        const char32_t horizontal = doubled ? U'\u2550' : U'\u2500';
        const char32_t vertical = doubled ? U'\u2551' : U'\u2502';
        Line(x1, y1, x2 - x1 + 1, doubled ? U'\u2554' : U'\u250C', horizontal,
             doubled ? U'\u2557' : U'\u2510');
        Line(x1, y2, x2 - x1 + 1, doubled ? U'\u255A' : U'\u2514', horizontal,
             doubled ? U'\u255D' : U'\u2518');
        for (int y = y1 + 1; y < y2; ++y) {
            Put(x1, y, std::u32string(1, vertical));
            Put(x2, y, std::u32string(1, vertical));
        }
    }
    // The console rows from top to bottom, as far as the screen has them.
    std::vector<std::string> Rows(int top, int bottom) const {
        std::vector<std::string> rows;
        for (int y = std::max(0, top); y <= std::min(ScrY, bottom); ++y) {
            std::u32string row = Rows_[static_cast<size_t>(y)];
            while (!row.empty() && row.back() == U' ')
                row.pop_back();
            rows.push_back(Utf8(row));
        }
        return rows;
    }

private:
    std::vector<std::u32string> Rows_;
};

// The cells an item covers, relative to the dialog: one run per row.
struct Span {
    int Row, First, Last;
};

std::string Columns(int first, int last) {
    return first == last ? "column " + std::to_string(first)
                         : "columns " + std::to_string(first) + " to " + std::to_string(last);
}

struct Prepared {
    ScreenItem Item;
    std::u32string Raw;   // the text in Unicode, brackets added to a button
    std::u32string Shown; // as drawn: without the hot-key mark, unless the item shows '&'
    std::vector<Span> Spans;
    bool Drawn = true;
};

bool IsBox(int type) {
    return type == DI_SINGLEBOX || type == DI_DOUBLEBOX;
}

bool IsSeparator(const ScreenItem& item) {
    return item.Type == DI_TEXT && (item.Flags & (DIF_SEPARATOR | DIF_SEPARATOR2)) != 0;
}

// "[N]", built by appending: GCC 12 warns wrongly about "[" + std::string.
std::string Bracketed(size_t index) {
    std::string text(1, '[');
    text += std::to_string(index);
    text += ']';
    return text;
}

std::string ItemName(const Prepared& item, size_t index) {
    return Bracketed(index) + " " + ItemTypeText(item.Item.Type) + " \"" +
           EscapeBytes(item.Item.Text, false) + "\"";
}

// A run of items with DIF_CENTERGROUP on one row is centred in the dialog as
// a whole, a blank between two buttons; their own X coordinates do not count.
// (Check boxes and radio buttons in such a run get five cells beside their
// text, but the first one's are not taken off the run's length: the host's
// own arithmetic, kept so the drawing is the host's.)
void CentreGroups(std::vector<Prepared>& items, int width) {
    auto inGroupOf = [&](size_t j, size_t start) {
        return (items[j].Item.Flags & DIF_CENTERGROUP) != 0 &&
               items[j].Item.Y1 == items[start].Item.Y1;
    };
    auto extra = [](const Prepared& p) {
        if (p.Raw.empty())
            return 0;
        if (p.Item.Type == DI_BUTTON)
            return 1;
        return p.Item.Type == DI_CHECKBOX || p.Item.Type == DI_RADIOBUTTON ? 5 : 0;
    };
    for (size_t start = 0; start < items.size(); ++start) {
        if ((items[start].Item.Flags & DIF_CENTERGROUP) == 0 ||
            (start > 0 && inGroupOf(start - 1, start)))
            continue;
        size_t end = start;
        int length = 0;
        for (; end < items.size() && inGroupOf(end, start); ++end)
            length += Cells(items[end].Shown) + extra(items[end]);
        if (!items[start].Raw.empty() && items[start].Item.Type == DI_BUTTON)
            --length;
        int x = std::max(0, (width - length) / 2);
        for (size_t j = start; j < end; ++j) {
            items[j].Item.X1 = x;
            x += Cells(items[j].Shown) + extra(items[j]);
            items[j].Item.X2 = x == items[j].Item.X1 ? x : x - 1;
        }
    }
}

class DialogPainter {
public:
    DialogPainter(int x1, int y1, int x2, int y2, DWORD flags, const std::vector<ScreenItem>& items)
        : Small_((flags & FDLG_SMALLDIALOG) != 0) {
        // Centring: X2 and Y2 are then the size; a dialog with more than five
        // rows above it sits one row higher, one larger than the screen starts
        // at its edge.
        if (x1 == -1) {
            x1 = std::max(0, (ScrX - x2 + 1) / 2);
            x2 += x1 - 1;
        }
        if (y1 == -1) {
            y1 = (ScrY - y2 + 1) / 2;
            if (y1 > 5)
                --y1;
            y1 = std::max(0, y1);
            y2 += y1 - 1;
        }
        X1_ = x1;
        Y1_ = y1;
        X2_ = x2;
        Y2_ = y2;
        for (const ScreenItem& item : items) {
            Prepared p;
            p.Item = item;
            p.Raw = FromCodePage(item.Text);
            if (item.Type == DI_BUTTON && (item.Flags & DIF_NOBRACKETS) == 0 &&
                (p.Raw.empty() || p.Raw.front() != U'['))
                p.Raw = U"[ " + p.Raw + U" ]";
            p.Shown = (item.Flags & DIF_SHOWAMPERSAND) != 0 ? p.Raw : WithoutHotKeyMark(p.Raw);
            // Only buttons, check boxes, radio buttons and texts are centred.
            if (item.Type != DI_BUTTON && item.Type != DI_CHECKBOX && item.Type != DI_RADIOBUTTON &&
                item.Type != DI_TEXT && item.Type != DI_VTEXT)
                p.Item.Flags &= ~static_cast<DWORD>(DIF_CENTERGROUP);
            Items_.push_back(std::move(p));
        }
        CentreGroups(Items_, Width());
    }

    int Width() const { return X2_ - X1_ + 1; }
    int Height() const { return Y2_ - Y1_ + 1; }

    Drawing Paint(bool checkLayout) {
        Canvas canvas;
        for (int y = Y1_; y <= Y2_; ++y)
            canvas.Repeat(X1_, y, U' ', Width());
        for (size_t i = 0; i < Items_.size(); ++i)
            if ((Items_[i].Item.Flags & DIF_HIDDEN) == 0)
                PaintItem(canvas, Items_[i]);
        Drawing drawing;
        drawing.Left = X1_;
        drawing.Top = Y1_;
        drawing.Width = Width();
        drawing.Height = Height();
        drawing.Rows = canvas.Rows(Y1_, Y2_);
        drawing.Legend = Legend();
        if (checkLayout)
            drawing.Faults = Faults();
        return drawing;
    }

private:
    void PaintItem(Canvas& canvas, Prepared& p) {
        const ScreenItem& item = p.Item;
        const int cx1 = item.X1, cy1 = item.Y1;
        const int cx2 = std::min(item.X2, Width() - 1), cy2 = std::min(item.Y2, Height() - 1);
        switch (item.Type) {
        case DI_SINGLEBOX:
        case DI_DOUBLEBOX:
            PaintBox(canvas, p, cx1, cy1, cx2, cy2);
            return;
        case DI_TEXT:
            PaintText(canvas, p, cx1, cy1, cx2);
            return;
        case DI_CHECKBOX:
        case DI_RADIOBUTTON: {
            std::u32string text;
            if (item.Type == DI_CHECKBOX)
                text = item.Selected != 0 ? U"[x]" : U"[ ]";
            else if ((item.Flags & DIF_MOVESELECT) != 0)
                text = std::u32string(U" ") + (item.Selected != 0 ? RadioDot : U' ') + U" ";
            else
                text = std::u32string(U"(") + (item.Selected != 0 ? RadioDot : U' ') + U")";
            if (!p.Raw.empty() && (item.Flags & DIF_MOVESELECT) == 0)
                text += U' ';
            text += p.Shown;
            // The host cuts such a text that would run past the dialog's edge.
            if (cx1 + Cells(text) > Width() - 1)
                text = Cut(text, Width() - 1);
            Place(canvas, p, cx1, cy1, text);
            return;
        }
        case DI_BUTTON:
            Place(canvas, p, cx1, cy1, p.Shown);
            return;
        case DI_EDIT:
        case DI_FIXEDIT:
        case DI_PSWEDIT:
            PaintEdit(canvas, p);
            return;
        default:
            p.Drawn = false;
            return;
        }
    }

    void Place(Canvas& canvas, Prepared& p, int x, int y, const std::u32string& text) {
        canvas.Put(X1_ + x, Y1_ + y, text);
        if (!text.empty())
            p.Spans.push_back({y, x, x + Cells(text) - 1});
    }

    void PaintBox(Canvas& canvas, Prepared& p, int cx1, int cy1, int cx2, int cy2) {
        const bool doubled = p.Item.Type == DI_DOUBLEBOX;
        bool title = true;
        if (cy1 == cy2) {
            canvas.Repeat(X1_ + cx1, Y1_ + cy1, doubled ? U'\u2550' : U'\u2500', cx2 - cx1 + 1);
            p.Spans.push_back({cy1, cx1, cx2});
        } else if (cx1 == cx2) {
            for (int y = cy1; y <= cy2; ++y) {
                canvas.Put(X1_ + cx1, Y1_ + y, doubled ? U"\u2551" : U"\u2502");
                p.Spans.push_back({y, cx1, cx1});
            }
            title = false;
        } else if (cx1 < cx2 && cy1 < cy2) {
            canvas.Frame(X1_ + cx1, Y1_ + cy1, X1_ + cx2, Y1_ + cy2, doubled);
            p.Spans.push_back({cy1, cx1, cx2});
            p.Spans.push_back({cy2, cx1, cx2});
            for (int y = cy1 + 1; y < cy2; ++y) {
                p.Spans.push_back({y, cx1, cx1});
                p.Spans.push_back({y, cx2, cx2});
            }
        }
        if (!title || p.Raw.empty())
            return;
        // The title, cut to the frame, gets a blank on each side where there
        // is room and is centred on the top line.
        const int width = cx2 - cx1 + 1;
        std::u32string raw = Cut(p.Raw, width - 2);
        auto shown = [&] {
            return (p.Item.Flags & DIF_SHOWAMPERSAND) != 0 ? raw : WithoutHotKeyMark(raw);
        };
        if (Cells(shown()) < width - 2 && raw.front() != U' ')
            raw.insert(raw.begin(), U' ');
        if (Cells(shown()) < width - 2 && raw.back() != U' ')
            raw.push_back(U' ');
        canvas.Put(X1_ + cx1 + (width - Cells(shown())) / 2, Y1_ + cy1, shown());
    }

    void PaintText(Canvas& canvas, Prepared& p, int cx1, int cy1, int cx2) {
        const ScreenItem& item = p.Item;
        const bool separator = IsSeparator(item);
        std::u32string text = p.Shown;
        const int length = Cells(text);
        int x = cx1 == -1 || separator ? (Width() - length) / 2 : cx1;
        const int y = cy1 == -1 ? Height() / 2 : cy1;
        x = std::max(x, 0);
        // A text without a width of its own runs on past the dialog's edge;
        // one with a width is cut to it.
        int fieldWidth = cx2 <= 0 || cx2 < cx1 ? length : cx2 - cx1 + 1;
        if (x + length > Width() - 1)
            text = Cut(text, (fieldWidth < Width() ? fieldWidth + 1 : Width()) - 1);
        if (cx1 > -1 && cx2 > cx1 && !separator) {
            int cells = cx2 - cx1 + 1;
            if (x + cells - 1 > Width() - 1)
                cells = Width() - x;
            canvas.Repeat(X1_ + x, Y1_ + y, U' ', cells);
            text = Cut(text, cells);
            if (cells > 0)
                p.Spans.push_back({y, x, x + cells - 1});
        }
        if (separator) {
            // Across the dialog, joining the frame three cells in from each side.
            const int start = Small_ ? 0 : 3;
            const int lineLength = Width() - (Small_ ? 0 : 6);
            if ((item.Flags & DIF_SEPARATOR2) != 0)
                canvas.Line(X1_ + start, Y1_ + y, lineLength, U'\u2560', U'\u2550', U'\u2563');
            else
                canvas.Line(X1_ + start, Y1_ + y, lineLength, U'\u255F', U'\u2500', U'\u2562');
            if (lineLength > 1)
                p.Spans.push_back({y, start, start + lineLength - 1});
        }
        canvas.Put(X1_ + x, Y1_ + y, text);
        if (!text.empty() && !separator && !(cx1 > -1 && cx2 > cx1))
            p.Spans.push_back({y, x, x + Cells(text) - 1});
    }

    void PaintEdit(Canvas& canvas, Prepared& p) {
        // An edit field keeps the width the plug-in gave it, the dialog's edge
        // or not; the focused one shows the end of a text longer than itself,
        // where its cursor is.
        const ScreenItem& item = p.Item;
        const int width = item.X2 - item.X1 + 1;
        if (width <= 0)
            return;
        std::u32string text = FromCodePage(item.Text);
        if (item.Type == DI_PSWEDIT)
            text.assign(text.size(), U'*');
        const bool readOnly = (item.Flags & DIF_READONLY) != 0;
        if (Focused_ == static_cast<long>(&p - Items_.data()) && !readOnly && Cells(text) >= width)
            text = text.substr(text.size() - static_cast<size_t>(width - 1));
        text = Cut(text, width);
        text.append(static_cast<size_t>(width - Cells(text)), readOnly ? U' ' : FieldFill);
        canvas.Put(X1_ + item.X1, Y1_ + item.Y1, text);
        p.Spans.push_back({item.Y1, item.X1, item.X2});
    }

public:
    // The item that gets the focus: the first focusable one that asks for it,
    // else the first focusable one.
    void ChooseFocus() {
        auto focusable = [](const ScreenItem& item) {
            return item.Type != DI_TEXT && item.Type != DI_VTEXT && !IsBox(item.Type) &&
                   (item.Flags & (DIF_DISABLE | DIF_NOFOCUS | DIF_HIDDEN)) == 0;
        };
        for (size_t i = 0; i < Items_.size() && Focused_ < 0; ++i)
            if (Items_[i].Item.Focus && focusable(Items_[i].Item))
                Focused_ = static_cast<long>(i);
        for (size_t i = 0; i < Items_.size() && Focused_ < 0; ++i)
            if (focusable(Items_[i].Item))
                Focused_ = static_cast<long>(i);
    }

private:
    std::string Legend() const {
        std::string focus, defaults, disabled;
        if (Focused_ >= 0)
            focus = "focus " + Bracketed(static_cast<size_t>(Focused_));
        for (size_t i = 0; i < Items_.size(); ++i) {
            const std::string index = Bracketed(i);
            if (Items_[i].Item.DefaultButton)
                defaults += (defaults.empty() ? "default " : " ") + index;
            if ((Items_[i].Item.Flags & DIF_DISABLE) != 0)
                disabled += (disabled.empty() ? "disabled " : " ") + index;
        }
        std::string legend;
        for (const std::string* part : {&focus, &defaults, &disabled})
            if (!part->empty())
                legend += (legend.empty() ? "" : ", ") + *part;
        return legend;
    }

    std::vector<std::string> Faults() const {
        std::vector<std::string> faults;
        if (X1_ < 0 || Y1_ < 0 || X2_ > ScrX || Y2_ > ScrY)
            faults.push_back("the dialog, " + std::to_string(Width()) + "x" +
                             std::to_string(Height()) + ", does not fit the " +
                             std::to_string(ScreenColumns) + "x" + std::to_string(ScreenRows) +
                             " screen");
        // Every item lies inside the first frame, or inside the dialog when
        // there is none; separators reach into the frame's sides by design.
        size_t frame = Items_.size();
        for (size_t i = 0; i < Items_.size() && frame == Items_.size(); ++i)
            if (IsBox(Items_[i].Item.Type) && (Items_[i].Item.Flags & DIF_HIDDEN) == 0)
                frame = i;
        int left = 0, top = 0, right = Width() - 1, bottom = Height() - 1;
        if (frame < Items_.size()) {
            const ScreenItem& box = Items_[frame].Item;
            if (box.X1 < 0 || box.Y1 < 0 || box.X2 > Width() - 1 || box.Y2 > Height() - 1)
                faults.push_back(ItemName(Items_[frame], frame) + ", the frame, reaches (" +
                                 std::to_string(box.X1) + "," + std::to_string(box.Y1) + ")-(" +
                                 std::to_string(box.X2) + "," + std::to_string(box.Y2) +
                                 "), outside the dialog's " + std::to_string(Width()) + "x" +
                                 std::to_string(Height()));
            left = box.X1 + 1;
            top = box.Y1 + 1;
            right = box.X2 - 1;
            bottom = box.Y2 - 1;
        }
        const std::string inside =
            (frame < Items_.size() ? "the frame's inside, " : "the dialog, ") +
            Columns(left, right) + " of rows " + std::to_string(top) + " to " +
            std::to_string(bottom);
        for (size_t i = 0; i < Items_.size(); ++i) {
            const Prepared& p = Items_[i];
            if (i == frame || (p.Item.Flags & DIF_HIDDEN) != 0)
                continue;
            if (!p.Drawn) {
                faults.push_back(ItemName(p, i) + " is of a type this host does not draw");
                continue;
            }
            const bool separator = IsSeparator(p.Item);
            for (const Span& span : p.Spans) {
                const int first = separator && frame < Items_.size() ? left - 1 : left;
                const int last = separator && frame < Items_.size() ? right + 1 : right;
                if (span.Row < top || span.Row > bottom || span.First < first || span.Last > last) {
                    faults.push_back(ItemName(p, i) + " covers " + Columns(span.First, span.Last) +
                                     " of row " + std::to_string(span.Row) + ", outside " + inside);
                    break;
                }
            }
        }
        for (size_t i = 0; i < Items_.size(); ++i)
            for (size_t j = i + 1; j < Items_.size(); ++j) {
                if (i == frame || j == frame)
                    continue;
                if (const std::string where = Overlap(Items_[i], Items_[j]); !where.empty())
                    faults.push_back(ItemName(Items_[i], i) + " and " + ItemName(Items_[j], j) +
                                     " overlap on " + where);
            }
        return faults;
    }

    static std::string Overlap(const Prepared& a, const Prepared& b) {
        if ((a.Item.Flags & DIF_HIDDEN) != 0 || (b.Item.Flags & DIF_HIDDEN) != 0)
            return "";
        for (const Span& s : a.Spans)
            for (const Span& t : b.Spans)
                if (s.Row == t.Row && s.First <= t.Last && t.First <= s.Last)
                    return "row " + std::to_string(s.Row) + ", " +
                           Columns(std::max(s.First, t.First), std::min(s.Last, t.Last));
        return "";
    }

    bool Small_;
    int X1_ = 0, Y1_ = 0, X2_ = 0, Y2_ = 0;
    std::vector<Prepared> Items_;
    long Focused_ = -1;
};

Drawing PaintDialog(int x1, int y1, int x2, int y2, DWORD flags,
                    const std::vector<ScreenItem>& items, bool checkLayout) {
    DialogPainter painter(x1, y1, x2, y2, flags, items);
    painter.ChooseFocus();
    return painter.Paint(checkLayout);
}

int Clamped(int value) {
    return std::clamp(value, -CoordinateLimit, CoordinateLimit);
}

} // namespace

std::vector<ScreenItem> ScreenItems(const FarDialogItem* items, int count,
                                    const TextShower& shower) {
    std::vector<ScreenItem> screen;
    for (int i = 0; i < count; ++i) {
        const FarDialogItem& item = items[i];
        ScreenItem s;
        s.Type = item.Type;
        s.X1 = Clamped(item.X1);
        s.Y1 = Clamped(item.Y1);
        s.X2 = Clamped(item.X2);
        s.Y2 = Clamped(item.Y2);
        s.Focus = item.Focus != 0;
        s.Selected = item.Selected;
        s.Flags = item.Flags;
        s.DefaultButton = item.DefaultButton != 0;
        s.Text = shower.Plain(std::string(item.Data, strnlen(item.Data, sizeof item.Data)));
        screen.push_back(std::move(s));
    }
    return screen;
}

Drawing DrawDialog(int x1, int y1, int x2, int y2, DWORD dialogFlags,
                   const std::vector<ScreenItem>& items) {
    return PaintDialog(x1 == -1 ? -1 : Clamped(x1), y1 == -1 ? -1 : Clamped(y1), Clamped(x2),
                       Clamped(y2), dialogFlags, items, true);
}

Drawing DrawMessage(DWORD flags, const std::vector<std::string>& titleAndLines,
                    const std::vector<std::string>& buttons) {
    const std::string rawTitle = titleAndLines.empty() ? "" : titleAndLines.front();
    const std::u32string title = FromCodePage(rawTitle);
    std::vector<std::string> rawLines;
    if (!titleAndLines.empty())
        rawLines.assign(titleAndLines.begin() + 1, titleAndLines.end());
    // A box taller than the screen loses its first lines.
    while (!rawLines.empty() && ScrY - static_cast<int>(rawLines.size()) < MessageRowsFree)
        rawLines.erase(rawLines.begin());
    std::vector<std::u32string> lines;
    for (const std::string& line : rawLines)
        lines.push_back(FromCodePage(line));

    // As wide as the widest line, the buttons in a row, or the title with a
    // blank each side, up to the limit.
    int buttonsWidth = 0;
    for (const std::string& label : buttons)
        buttonsWidth += Cells(WithoutHotKeyMark(FromCodePage(label))) + 5;
    int width = std::max(0, buttonsWidth - 1);
    for (const std::u32string& line : lines)
        width = std::max(width, Cells(line));
    if (!title.empty())
        width = std::max(width, Cells(title) + 2);
    width = std::min(width, MessageWidthLimit);
    if (lines.empty()) {
        lines.emplace_back();
        rawLines.emplace_back();
    }
    const int count = static_cast<int>(lines.size());
    const int x1 = (ScrX - width) / 2 - 4;
    const int x2 = x1 + width + 9;
    const int y1 = std::max(0, (ScrY - count - 1) / 2 - 2);
    int y2 = y1 + count + 3;

    if (!buttons.empty()) {
        // A dialog of the host's making: the frame, the lines centred (one too
        // long for the box becomes a read-only field that shows its start), a
        // separator and the buttons centred under it, the first the default.
        y2 += 2;
        std::vector<ScreenItem> items;
        ScreenItem frame;
        frame.Type = DI_DOUBLEBOX;
        frame.X1 = 3;
        frame.Y1 = 1;
        frame.X2 = x2 - x1 - 3;
        frame.Y2 = y2 - y1 - 1;
        frame.Text = rawTitle;
        items.push_back(frame);
        for (int i = 0; i < count; ++i) {
            ScreenItem text;
            text.Type = DI_TEXT;
            text.X1 = -1;
            text.Y1 = i + 2;
            text.Flags = DIF_SHOWAMPERSAND;
            text.Text = rawLines[static_cast<size_t>(i)];
            if (Cells(lines[static_cast<size_t>(i)]) > x2 - x1 - 9) {
                text.Type = DI_EDIT;
                text.Flags |= DIF_READONLY;
                text.X1 = 5;
                text.X2 = x2 - x1 - 5;
            }
            items.push_back(text);
        }
        ScreenItem separator;
        separator.Flags = DIF_SEPARATOR;
        separator.Y1 = count + 2;
        items.push_back(separator);
        for (size_t i = 0; i < buttons.size(); ++i) {
            ScreenItem button;
            button.Type = DI_BUTTON;
            button.Y1 = count + 3;
            button.Flags = DIF_CENTERGROUP;
            button.Focus = i == 0;
            button.DefaultButton = i == 0;
            button.Text = buttons[i];
            items.push_back(button);
        }
        Drawing drawing = PaintDialog(x1, y1, x2, y2,
                                      (flags & FMSG_WARNING) != 0 ? FDLG_WARNING : 0, items, false);
        drawing.Legend.clear();
        return drawing;
    }

    // Without buttons the host draws at once: the frame, the title in it, and
    // every line centred, cut at a fixed width.
    Canvas canvas;
    for (int y = y1; y <= y2; ++y)
        canvas.Repeat(x1, y, U' ', x2 - x1 + 1);
    canvas.Frame(x1 + 3, y1 + 1, x2 - 3, y2 - 1, true);
    if (!title.empty()) {
        const std::u32string shown = Cut(title, width);
        canvas.Put(x1 + (x2 - x1 - 1 - Cells(shown)) / 2, y1 + 1, U" " + shown + U" ");
    }
    for (int i = 0; i < count; ++i) {
        const std::u32string line = Cut(lines[static_cast<size_t>(i)], ProgressLineLimit);
        const int boxWidth = x2 - x1 + 1;
        canvas.Put(x1 + (boxWidth - Cells(line)) / 2, y1 + i + 2, line);
    }
    Drawing drawing;
    drawing.Left = x1;
    drawing.Top = y1;
    drawing.Width = x2 - x1 + 1;
    drawing.Height = y2 - y1 + 1;
    drawing.Rows = canvas.Rows(y1, y2);
    return drawing;
}

std::vector<std::string> DrawPanels(const PanelView& active, const PanelView& passive) {
    constexpr int PanelWidth = ScreenColumns / 2;
    constexpr int NameCells = 25;
    constexpr int SizeCells = 10;
    const int rows = static_cast<int>(std::max(active.Rows.size(), passive.Rows.size()));
    const int bottom = std::min(ScrY, rows + 1);
    Canvas canvas;
    int x1 = 0;
    for (const PanelView* panel : {&active, &passive}) {
        canvas.Frame(x1, 0, x1 + PanelWidth - 1, bottom, true);
        const std::u32string title = U" " + Cut(FromCodePage(panel->Title), PanelWidth - 4) + U" ";
        canvas.Put(x1 + (PanelWidth - Cells(title)) / 2, 0, title);
        for (int i = 0; i < bottom - 1 && i < static_cast<int>(panel->Rows.size()); ++i) {
            const PanelView::Row& row = panel->Rows[static_cast<size_t>(i)];
            std::u32string name = FromCodePage(row.Name);
            if (Cells(name) > NameCells) // the host marks a name cut short with '}'
                name = Cut(name, NameCells - 1) + U"}";
            const std::string size = row.Parent      ? "Up"
                                     : row.Directory ? "Folder"
                                                     : std::to_string(row.Size);
            canvas.Put(x1 + 1, i + 1, std::u32string(1, row.Cursor ? U'\u25BA' : U' '));
            canvas.Put(x1 + 2, i + 1, std::u32string(1, row.Selected ? U'\u221A' : U' '));
            canvas.Put(x1 + 3, i + 1, name);
            canvas.Put(x1 + 3 + NameCells + SizeCells - static_cast<int>(size.size()), i + 1,
                       FromCodePage(size));
        }
        x1 += PanelWidth;
    }
    std::vector<std::string> drawn = canvas.Rows(0, bottom);
    drawn.push_back(Utf8(U"  \u25BA the cursor   \u221A selected   left: the active panel, "
                         U"right: the other one"));
    return drawn;
}

// --- The screen transcript ---------------------------------------------------

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string Header(const std::string& what, const Drawing& drawing, bool warning) {
    std::string header = what + " at (" + std::to_string(drawing.Left) + "," +
                         std::to_string(drawing.Top) + "), " + std::to_string(drawing.Width) + "x" +
                         std::to_string(drawing.Height);
    if (warning)
        header += ", in warning colours";
    if (!drawing.Legend.empty())
        header += "; " + drawing.Legend;
    return header;
}

// The story names files as the user sees them in the panels: below the
// sandbox, without its path.
std::string WithoutSandbox(const std::string& text) {
    static const std::string sandbox = "$SANDBOX";
    std::string shown;
    size_t from = 0;
    for (size_t at = text.find(sandbox); at != std::string::npos; at = text.find(sandbox, from)) {
        shown.append(text, from, at - from);
        from = at + sandbox.size();
        if (from < text.size() && text[from] == '/')
            ++from;
        else
            shown += '.';
    }
    return shown.append(text, from, std::string::npos);
}

// The text of the quoted string that starts at At (its quote), escapes
// undone; At moves past its closing quote.
std::string Unquoted(const std::string& line, size_t& at) {
    std::string text;
    if (at >= line.size() || line[at] != '"')
        return text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] != '\\' || at + 1 >= line.size()) {
            text += line[at];
            continue;
        }
        const char escaped = line[++at];
        if (escaped == 'x' && at + 2 < line.size()) {
            text += static_cast<char>(std::strtol(line.substr(at + 1, 2).c_str(), nullptr, 16));
            at += 2;
        } else {
            text += escaped == 'r' ? '\r' : escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
        }
    }
    ++at;
    return text;
}

// The quoted strings of a line, joined by Separator.
std::string QuotedNames(const std::string& line, size_t at, const char* separator) {
    std::string names;
    for (at = line.find('"', at); at != std::string::npos; at = line.find('"', at))
        names += (names.empty() ? "" : separator) + Unquoted(line, at);
    return names;
}

// An item's text as the user reads it: the hot-key mark left out.
std::string Label(std::string text) {
    const size_t mark = text.find('&');
    if (mark != std::string::npos)
        text.erase(mark, 1);
    return text;
}

} // namespace

void ScreenTranscript::Line(int depth, const std::string& line) {
    if (Story_) {
        StoryLine(depth, line);
        return;
    }
    // What the user and other programs do, and the faults, at any depth.
    static const char* const doings[] = {"user: ", "key ", "!! ", "another program ", "no answer "};
    bool kept = std::any_of(std::begin(doings), std::end(doings),
                            [&](const char* prefix) { return StartsWith(line, prefix); });
    if (depth == 0) {
        // Between the calls everything but the start-up and the entry points'
        // results; the plug-in's menu entries as the host lists them.
        static const char* const setup[] = {"language ", "GetMinFarVersion ", "SetStartupInfo ",
                                            "registry ", "-> "};
        InPluginInfo_ = StartsWith(line, "== GetPluginInfo");
        kept = kept || std::none_of(std::begin(setup), std::end(setup),
                                    [&](const char* prefix) { return StartsWith(line, prefix); });
    } else if (InPluginInfo_) {
        kept = !StartsWith(line, "GetMsg ");
    }
    if (!kept)
        return;
    FlushProgress();
    // Texts are quoted with their bytes escaped, but for the button labels.
    Out_ += std::string(static_cast<size_t>(depth) * 2, ' ') + Utf8(FromCodePage(line)) + "\n";
}

void ScreenTranscript::Put(int depth, const std::string& header, const Drawing& drawing) {
    Out_ += std::string(static_cast<size_t>(depth) * 2, ' ') + header + "\n";
    for (const std::string& row : drawing.Rows)
        Out_ += row + "\n";
}

void ScreenTranscript::Message(int depth, DWORD flags,
                               const std::vector<std::string>& titleAndLines,
                               const std::vector<std::string>& buttons, int progressBox) {
    if (Story_) {
        if (progressBox > 0 && ProgressShown_)
            return;
        std::vector<std::string> shown;
        for (const std::string& text : titleAndLines)
            shown.push_back(WithoutSandbox(text));
        FlushDialog();
        if (progressBox > 0)
            Out_ += "\nWhile a file is read, a box shows its name and how much of it is done\n"
                    "(shown here once, for the first file):\n";
        ProgressShown_ = ProgressShown_ || progressBox > 0;
        Out_ += StoryDrawing(DrawMessage(flags, shown, buttons));
        return;
    }
    const Drawing drawing = DrawMessage(flags, titleAndLines, buttons);
    const bool warning = (flags & FMSG_WARNING) != 0;
    if (progressBox > 0) {
        // Only the last box before the screen under it comes back is kept.
        const std::string saved = Out_;
        Out_.clear();
        Put(depth,
            Header("Message, progress box #" + std::to_string(progressBox), drawing, warning),
            drawing);
        PendingProgress_ = Out_;
        Out_ = saved;
        return;
    }
    FlushProgress();
    Put(depth, Header("Message", drawing, warning), drawing);
}

std::vector<std::string> ScreenTranscript::Dialog(int depth, const std::string& name, int x1,
                                                  int y1, int x2, int y2, DWORD dialogFlags,
                                                  const std::vector<ScreenItem>& items) {
    if (Story_) {
        // Drawn once, as the user leaves it: the drawing waits for the
        // user's answer, and a changed one takes its place.
        std::vector<ScreenItem> shown = items;
        for (ScreenItem& item : shown)
            item.Text = WithoutSandbox(item.Text);
        const Drawing drawing = DrawDialog(x1, y1, x2, y2, dialogFlags, shown);
        if (name.find("(as the user leaves it)") == std::string::npos)
            FlushDialog();
        DialogItems_ = shown;
        PendingDialog_.clear();
        for (const std::string& row : drawing.Rows)
            PendingDialog_ += row + "\n";
        return drawing.Faults;
    }
    FlushProgress();
    const Drawing drawing = DrawDialog(x1, y1, x2, y2, dialogFlags, items);
    Put(depth, Header(name, drawing, (dialogFlags & FDLG_WARNING) != 0), drawing);
    return drawing.Faults;
}

void ScreenTranscript::ScreenRestored() {
    FlushProgress();
}

void ScreenTranscript::FlushProgress() {
    Out_ += PendingProgress_;
    PendingProgress_.clear();
}

std::string ScreenTranscript::Text() {
    FlushProgress();
    FlushDialog();
    return Out_;
}

void ScreenTranscript::Panels(const PanelView& active, const PanelView& passive) {
    if (!Story_)
        return;
    FlushDialog();
    PanelView shown[] = {active, passive};
    for (PanelView& panel : shown)
        panel.Title = WithoutSandbox(panel.Title);
    Out_ += "\n";
    std::vector<std::string> rows = DrawPanels(shown[0], shown[1]);
    // The legend the first time only.
    if (LegendShown_)
        rows.pop_back();
    LegendShown_ = true;
    for (const std::string& row : rows)
        Out_ += row + "\n";
}

std::string ScreenTranscript::StoryDrawing(const Drawing& drawing) {
    std::string rows;
    for (const std::string& row : drawing.Rows)
        rows += row + "\n";
    if (!Drawn_.insert(rows).second)
        return "(the same box as above)\n";
    return rows;
}

void ScreenTranscript::FlushDialog() {
    if (PendingDialog_.empty())
        return;
    std::string once = PendingDialog_;
    PendingDialog_.clear();
    Out_ += Drawn_.insert(once).second ? once : "(the same dialog as above)\n";
}

void ScreenTranscript::StoryLine(int depth, const std::string& line) {
    const std::string text = WithoutSandbox(line);
    // A line of words; one that starts a part of the story has a blank line before it.
    auto say = [&](const std::string& words, bool part = false) {
        Out_ += (part ? "\n" : "") + Utf8(FromCodePage(words)) + "\n";
    };
    // What the user does, under the box it is done to.
    auto tell = [&](const std::string& words) {
        Out_ += "\u2192 " + Utf8(FromCodePage(words)) + "\n";
    };
    auto after = [&](const char* prefix) {
        return StartsWith(text, prefix) ? std::strlen(prefix) : std::string::npos;
    };
    // What the user does to a dialog is told once it is closed, under it.
    auto closed = [&](const std::string& how) {
        FlushDialog();
        std::string done;
        for (const std::string& action : PendingActions_)
            done += action + ", then ";
        PendingActions_.clear();
        tell("The user " + done + how + ".");
    };
    size_t at = 0;
    if (StartsWith(text, "!! ") || StartsWith(text, "no answer ")) {
        FlushDialog();
        say(text);
        return;
    }
    if (depth > 0) {
        const size_t item = text.find('[');
        const int index = item == std::string::npos ? -1 : std::atoi(text.c_str() + item + 1);
        const std::string label = index >= 0 && index < static_cast<int>(DialogItems_.size())
                                      ? Label(DialogItems_[static_cast<size_t>(index)].Text)
                                      : "item " + std::to_string(index);
        if (StartsWith(text, "user: radio "))
            PendingActions_.push_back("turns on \"" + label + "\"");
        else if (StartsWith(text, "user: check "))
            PendingActions_.push_back((text.back() == 'n' ? "ticks \"" : "clears \"") + label +
                                      "\"");
        else if ((at = after("user: edit ")) != std::string::npos)
            PendingActions_.push_back("types \"" + Unquoted(text, at = text.find('"', at)) + "\"");
        else if (StartsWith(text, "user: close "))
            closed("presses " + label);
        else if (text == "user: Esc")
            closed("presses Esc");
        else if (StartsWith(text, "user: "))
            tell("The user presses " + Label(text.substr(item + 1, text.rfind(']') - item - 1)) +
                 ".");
        else if ((at = after("key ")) != std::string::npos)
            tell("The user presses " + text.substr(at, text.rfind(" pressed") - at) +
                 " while a file is read.");
        else if ((at = after("another program unlocks ")) != std::string::npos)
            say("Another program lets " + Unquoted(text, at) + " go.");
        return;
    }
    if (StartsWith(text, "== ")) {
        FlushDialog();
        Section_ = text == "== panels"            ? Section::Panels
                   : StartsWith(text, "== file ") ? Section::File
                                                  : Section::Other;
    }
    if (Section_ == Section::Panels)
        return;
    if ((at = after("== step ")) != std::string::npos) {
        const std::string title = Unquoted(text, at);
        say(title, true);
        std::string rule;
        for (size_t i = 0; i < title.size(); ++i)
            rule += "\u2500";
        Out_ += rule + "\n";
    } else if ((at = after("== file ")) != std::string::npos) {
        const std::string name = Unquoted(text, at);
        say(name + (text.compare(at, std::string::npos, ": missing") == 0 ? " is missing."
                                                                          : " now holds:"),
            true);
    } else if (Section_ == Section::File && (at = after("  |")) != std::string::npos) {
        // The bytes as a viewer shows them, line ends not spelt out.
        std::string bytes = text.substr(at);
        for (const char* end : {"\\n", "\\r"})
            if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, end) == 0)
                bytes.erase(bytes.size() - 2);
        say("    " + bytes);
    } else if (text == "== OpenPlugin OPEN_PLUGINSMENU") {
        say("The user presses F11 and chooses Hashkeep in the plug-ins menu:", true);
    } else if ((at = after("== OpenPlugin OPEN_COMMANDLINE ")) != std::string::npos) {
        say("The user types the plug-in's prefix and " + Unquoted(text, at) +
                " on the command line:",
            true);
    } else if (StartsWith(text, "== Configure ")) {
        say("The user opens Options, Plugins configuration, Hashkeep:", true);
    } else if ((at = after("== another program writes ")) != std::string::npos) {
        say("Another program changes " + Unquoted(text, at) + ".", true);
    } else if ((at = after("== the user moves the cursor of the ")) != std::string::npos) {
        const bool other = StartsWith(text.substr(at), "passive");
        say("The user moves the cursor" + std::string(other ? " of the other panel" : "") + " to " +
            QuotedNames(text, at, "") + ".");
    } else if ((at = after("== the user clears the selection of the ")) != std::string::npos) {
        say("The user clears the selection" +
            std::string(StartsWith(text.substr(at), "passive") ? " of the other panel." : "."));
    } else if ((at = after("== the user selects on the ")) != std::string::npos) {
        say("The user selects " + QuotedNames(text, at, ", ") +
            (StartsWith(text.substr(at), "passive") ? " on the other panel." : "."));
    } else if ((at = after("another program locks ")) != std::string::npos) {
        say("Another program holds " + Unquoted(text, at) + " open, so it cannot be read.");
    }
}

} // namespace HkHost
