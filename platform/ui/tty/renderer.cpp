// The terminal renderer (module ovtb-ui-tty.so): dialogs drawn with curses in cells, a dialog
// unit a quarter of a cell wide and an eighth of a cell high, the keyboard of a Windows dialog
// and the mouse where the terminal reports it. It reads the control model and feeds the
// person's input back through platform/ui/input.h only. See docs/tty.md.
#include <curses.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/device_context.h"
#include "platform/ui/input.h"
#include "platform/ui/renderer.h"
#include "platform/ui/tty/layout.h"
#include "platform/ui/tty/session.h"
#include "platform/ui/tty/text.h"
#include "platform/ui/ui.h"
#include "platform/ui/winuser.h"

namespace ovtb::ui::tty {

namespace {

// Pixels of this renderer: one per dialog unit, so a cell is 4 pixels wide and 8 high.
constexpr int kCellWidth = 4;
constexpr int kCellHeight = 8;

int PxToCol(long px) {
    return static_cast<int>(px >= 0 ? (px + 2) / kCellWidth : -((-px + 1) / kCellWidth));
}

// ---------------------------------------------------------------------------------------------
// Drawing on the screen, clipped to it.

void PutCell(int row, int col, wchar_t c, attr_t attr) {
    if (row < 0 || row >= LINES || col < 0 || col >= COLS) {
        return;
    }
    if (c < 0x20 || c == 0x7F) {
        c = L'?';
    }
    wchar_t s[2] = {c, 0};
    cchar_t cc;
    setcchar(&cc, s, attr, 0, nullptr);
    mvadd_wch(row, col, &cc);
}

void PutSpecial(int row, int col, const cchar_t* glyph, attr_t attr) {
    if (row < 0 || row >= LINES || col < 0 || col >= COLS) {
        return;
    }
    cchar_t cc = *glyph;
    cc.attr |= attr;
    mvadd_wch(row, col, &cc);
}

// Text from `col`, shown only within [clipLeft, clipRight) and the screen. Returns the column
// after the text.
int PutText(int row, int col, std::wstring_view text, attr_t attr, int clipLeft = 0,
            int clipRight = 1 << 20, int underlineIndex = -1) {
    clipRight = std::min(clipRight, COLS);
    clipLeft = std::max(clipLeft, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        int w = CharCells(c);
        if (w == 0) {
            continue;
        }
        attr_t a = attr | (static_cast<int>(i) == underlineIndex ? A_UNDERLINE : 0);
        if (col >= clipLeft && col + w <= clipRight) {
            PutCell(row, col, c, a);
        } else if (col >= clipLeft && col < clipRight) {
            PutCell(row, col, L' ', a);  // a wide character cut by the edge
        }
        col += w;
    }
    return col;
}

void FillCells(int row, int col, int count, attr_t attr, wchar_t c = L' ') {
    for (int i = 0; i < count; ++i) {
        PutCell(row, col + i, c, attr);
    }
}

void Frame(int top, int left, int rows, int cols, attr_t attr) {
    if (rows < 2 || cols < 2) {
        return;
    }
    int bottom = top + rows - 1, right = left + cols - 1;
    PutSpecial(top, left, WACS_ULCORNER, attr);
    PutSpecial(top, right, WACS_URCORNER, attr);
    PutSpecial(bottom, left, WACS_LLCORNER, attr);
    PutSpecial(bottom, right, WACS_LRCORNER, attr);
    for (int c = left + 1; c < right; ++c) {
        PutSpecial(top, c, WACS_HLINE, attr);
        PutSpecial(bottom, c, WACS_HLINE, attr);
    }
    for (int r = top + 1; r < bottom; ++r) {
        PutSpecial(r, left, WACS_VLINE, attr);
        PutSpecial(r, right, WACS_VLINE, attr);
    }
}

int Luminance(COLORREF c) {
    return (299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c)) / 1000;
}

// ---------------------------------------------------------------------------------------------
// The device context of an owner-drawn row: one terminal line. Pixels map to cells (4 pixels a
// cell); the row's vertical extent is the line. A dark fill or light text on a dark background
// is reverse video; the focus rectangle is a marker beside the row.

class RowDC : public DeviceContext {
  public:
    RowDC(int line, int originCol, int clipLeft, int clipRight, int markerCol)
        : line_(line),
          origin_(originCol),
          clipLeft_(clipLeft),
          clipRight_(clipRight),
          marker_(markerCol),
          dark_(static_cast<size_t>(std::max(0, clipRight - clipLeft)), false) {
        hdc_ = AttachDC(this);
        font = FontSpec{};
    }
    ~RowDC() override { DetachDC(hdc_); }
    HDC handle() const { return hdc_; }

    void Fill(const RECT& rect, COLORREF colour) override {
        bool dark = Luminance(colour) < 128;
        int a = std::max(Col(rect.left), clipLeft_), b = std::min(Col(rect.right), clipRight_);
        for (int c = a; c < b; ++c) {
            dark_[static_cast<size_t>(c - clipLeft_)] = dark;
            PutCell(line_, c, L' ', dark ? A_REVERSE : A_NORMAL);
        }
    }
    void FocusRect(const RECT&) override {
        PutSpecial(line_, marker_, WACS_RARROW, A_BOLD);
        focused = true;
    }
    void Text(std::string_view text, const RECT& rect, UINT format) override {
        std::wstring t = (format & DT_NOPREFIX) ? Decode(text) : ParseCaption(text).text;
        auto nl = t.find(L'\n');
        if (nl != std::wstring::npos) {
            t.resize(nl);
        }
        int a = Col(rect.left), b = Col(rect.right);
        if (format & DT_END_ELLIPSIS) {
            t = Ellipsize(t, std::max(0, b - a), L"...");
        }
        int width = Cells(t);
        int start = a;
        if (format & DT_CENTER) {
            start = a + (b - a - width) / 2;
        } else if (format & DT_RIGHT) {
            start = b - width;
        }
        int left = (format & DT_NOCLIP) ? clipLeft_ : std::max(a, clipLeft_);
        int right = (format & DT_NOCLIP) ? clipRight_ : std::min(b, clipRight_);
        Draw(start, t, left, right);
    }
    void TextAt(int x, int, UINT options, const RECT* rect, std::string_view text) override {
        int left = clipLeft_, right = clipRight_;
        if (rect && (options & ETO_OPAQUE)) {
            Fill(*rect, bkColor);
        }
        if (rect && (options & ETO_CLIPPED)) {
            left = std::max(left, Col(rect->left));
            right = std::min(right, Col(rect->right));
        }
        Draw(Col(x), Decode(text), left, right);
    }
    SIZE Measure(std::string_view text) override {
        return {Cells(Decode(text)) * kCellWidth, kCellHeight};
    }

    bool focused = false;

  private:
    int Col(long px) const { return origin_ + PxToCol(px); }
    void Draw(int col, std::wstring_view t, int left, int right) {
        int c = col;
        for (wchar_t ch : t) {
            int w = CharCells(ch);
            if (w == 0) {
                continue;
            }
            if (c >= left && c + w <= right) {
                bool cellDark = dark_[static_cast<size_t>(c - clipLeft_)];
                COLORREF background = bkMode == OPAQUE ? bkColor
                                      : cellDark       ? RGB(0, 0, 0)
                                                       : RGB(255, 255, 255);
                bool reverse = Luminance(textColor) > Luminance(background);
                for (int k = 0; k < w; ++k) {
                    dark_[static_cast<size_t>(c + k - clipLeft_)] =
                        bkMode == OPAQUE ? Luminance(bkColor) < 128 : cellDark;
                }
                PutCell(line_, c, ch, reverse ? A_REVERSE : A_NORMAL);
            }
            c += w;
        }
    }

    int line_, origin_, clipLeft_, clipRight_, marker_;
    std::vector<bool> dark_;
    HDC hdc_;
};

// ---------------------------------------------------------------------------------------------
// What the renderer keeps per open dialog, beside the model.

struct Slot {
    HWND handle = nullptr;  // nullptr: the tab row of a property sheet
    ItemKind kind = ItemKind::Static;
};

struct ListState {
    int top = 0;      // first row shown
    int hscroll = 0;  // cells scrolled to the left
    int lastFocus = -1;
};

struct Popup {
    enum class Kind { None, Combo, SystemMenu } kind = Kind::None;
    HWND combo = nullptr;
    std::vector<std::wstring> items;
    std::vector<UINT_PTR> ids;  // system menu commands
    int highlight = 0;
    int top = 0;
    int row = 0, col = 0, rows = 0, cols = 0;  // on screen, frame included
};

struct View {
    HWND dialog = nullptr;
    std::vector<Slot> slots;
    std::vector<LayoutItem> items;
    Layout layout;
    int frameRows = 0, frameCols = 0;
    int top = 0, left = 0;  // the frame on screen
    int scrollRow = 0, scrollCol = 0;
    HWND lastFocus = nullptr;
    std::wstring tabs;
    Popup popup;
    // Screen cells of the frame's system menu and close boxes (-1: none).
    int menuCol = -1, closeCol = -1;

    CellRect Screen(const CellRect& c) const {
        return {top + 1 + c.row, left + 1 + c.col, c.rows, c.cols};
    }
};

struct MessageView {
    const MessageBoxRequest* box;
    std::vector<int> buttons;
    int focus = 0;
    int top = 0, left = 0, rows = 0, cols = 0;
    int buttonRow = 0;
    std::vector<int> buttonCols;
};

const wchar_t* ButtonName(int id) {
    switch (id) {
        case IDOK:
            return L"&OK";
        case IDCANCEL:
            return L"&Cancel";
        case IDABORT:
            return L"&Abort";
        case IDRETRY:
            return L"&Retry";
        case IDIGNORE:
            return L"&Ignore";
        case IDYES:
            return L"&Yes";
        case IDNO:
            return L"&No";
        default:
            return L"?";
    }
}

std::wstring Plain(const wchar_t* name) {
    std::wstring s;
    for (const wchar_t* p = name; *p; ++p) {
        if (*p != L'&') {
            s.push_back(*p);
        }
    }
    return s;
}

bool Focusable(const Window* w) {
    if (!w || !w->enabled || !w->visible) {
        return false;
    }
    switch (w->kind) {
        case WindowKind::Static:
        case WindowKind::GroupBox:
        case WindowKind::Icon:
        case WindowKind::Dialog:
        case WindowKind::Sheet:
            return false;
        default:
            return true;
    }
}

ItemKind KindOf(const Window& w) {
    switch (w.kind) {
        case WindowKind::GroupBox:
            return ItemKind::GroupBox;
        case WindowKind::Button:
            return ItemKind::Button;
        case WindowKind::CheckBox:
            return ItemKind::CheckBox;
        case WindowKind::ComboBox:
            return ItemKind::ComboBox;
        case WindowKind::Edit:
            return ItemKind::Edit;
        case WindowKind::ListView:
            return ItemKind::ListView;
        case WindowKind::Icon:
            return ItemKind::Icon;
        default:
            return ItemKind::Static;
    }
}

Caption CaptionOf(const Window& w) {
    bool prefix = !(w.kind == WindowKind::Static && (w.style & SS_NOPREFIX));
    return ParseCaption(w.text, prefix);
}

class TtyRenderer : public Renderer {
  public:
    TtyRenderer() {
        const char* ctype = std::setlocale(LC_CTYPE, nullptr);
        if (!ctype || std::strcmp(ctype, "C") == 0) {
            std::setlocale(LC_CTYPE, "");
        }
    }
    ~TtyRenderer() override { Session::Restore(); }

    const char* Name() const override { return "tty"; }
    SIZE BaseUnits(const FontSpec&) override { return {kCellWidth, kCellHeight}; }
    SIZE TextExtent(const FontSpec&, std::string_view text) override {
        return {Cells(Decode(text)) * kCellWidth, kCellHeight};
    }

    // A row and the header are a line each, the frame is a cell (4 pixels across; the layer
    // takes one number for both sides), and autosized columns get 3 cells of padding: the cell
    // routine of owner-drawn rows keeps 2 of them, so a text as wide as its header is shown
    // whole with a blank cell before the next column.
    ListMetrics ListViewMetrics(const FontSpec&) override {
        return {kCellHeight, kCellHeight, 3 * kCellWidth, kCellWidth};
    }

    void RunModal(HWND dialog, ScriptedUser* user) override {
        if (user) {
            // A script answers: nothing to show on the terminal.
            while (const Window* d = Lookup(dialog)) {
                if (d->ended) {
                    return;
                }
                user->Step(dialog);
                input::DeliverPosted();
            }
            return;
        }
        SessionGuard session;
        views_[dialog].dialog = dialog;
        struct Forget {
            TtyRenderer* r;
            HWND d;
            ~Forget() { r->views_.erase(d); }
        } forget{this, dialog};
        while (const Window* d = Lookup(dialog)) {
            if (d->ended) {
                break;
            }
            Draw();
            HandleEvent(views_[dialog], ReadEvent());
            input::DeliverPosted();
        }
    }

    int RunMessageBox(const MessageBoxRequest& box, int scripted) override {
        if (scripted) {
            return scripted;
        }
        SessionGuard session;
        MessageView mv;
        mv.box = &box;
        mv.buttons = MessageBoxButtons(box.type);
        int def = MessageBoxDefault(box.type);
        for (size_t i = 0; i < mv.buttons.size(); ++i) {
            if (mv.buttons[i] == def) {
                mv.focus = static_cast<int>(i);
            }
        }
        boxes_.push_back(&mv);
        struct Pop {
            std::vector<MessageView*>& v;
            ~Pop() { v.pop_back(); }
        } pop{boxes_};
        for (;;) {
            Draw();
            Event ev = ReadEvent();
            int answer = MessageKey(mv, ev);
            if (answer) {
                return answer;
            }
        }
    }

    void Destroying(HWND window) override {
        lists_.erase(window);
        edits_.erase(window);
    }

  private:
    struct SessionGuard {
        SessionGuard() {
            std::string why;
            if (!Session::Begin(&why)) {
                FailRun(why);
            }
        }
        ~SessionGuard() { Session::End(); }
    };

    struct Event {
        enum class Type { None, Key, Char, Alt, Mouse, Resize } type = Type::None;
        int key = 0;
        wchar_t ch = 0;
        MEVENT mouse{};
    };

    // -----------------------------------------------------------------------------------------
    // Input.

    Event ReadEvent() {
        Event ev;
        wint_t wch = 0;
        timeout(-1);
        int r = get_wch(&wch);
        if (r == ERR) {
            return ev;
        }
        if (r == KEY_CODE_YES) {
            if (wch == KEY_RESIZE) {
                ev.type = Event::Type::Resize;
            } else if (wch == KEY_MOUSE) {
                if (getmouse(&ev.mouse) == OK) {
                    ev.type = Event::Type::Mouse;
                }
            } else {
                ev.type = Event::Type::Key;
                ev.key = static_cast<int>(wch);
                // Alt+Down, Alt+Up where the terminal's description names them.
                const char* name = keyname(static_cast<int>(wch));
                if (name && (std::strcmp(name, "kDN3") == 0 || std::strcmp(name, "kUP3") == 0)) {
                    ev.key = KEY_F(4);
                }
            }
            return ev;
        }
        if (wch == 27) {
            // Escape alone, or Alt with a key: the terminal sends ESC and the key at once.
            timeout(30);
            wint_t next = 0;
            int r2 = get_wch(&next);
            timeout(-1);
            if (r2 == OK && (next == L'[' || next == L'O')) {
                return EscapeSequence(next);
            }
            if (r2 == OK && next != 27) {
                ev.type = Event::Type::Alt;
                ev.ch = static_cast<wchar_t>(next);
                return ev;
            }
            if (r2 == KEY_CODE_YES) {
                // Alt with a function key: Alt+Down and Alt+Up open and close a drop-down
                // list, as F4 does; other keys count as if Alt were not held.
                ev.type = Event::Type::Key;
                ev.key = (next == KEY_DOWN || next == KEY_UP) ? KEY_F(4) : static_cast<int>(next);
                return ev;
            }
            ev.type = Event::Type::Key;
            ev.key = 27;
            return ev;
        }
        ev.type = Event::Type::Char;
        ev.ch = static_cast<wchar_t>(wch);
        return ev;
    }

    // The rest of an escape sequence that curses did not know (the terminal's description
    // lacks it), read to its end so that none of its bytes counts as a typed letter. Alt+Down
    // and Alt+Up in the xterm form (ESC [ 1 ; 3 B) open and close a drop-down list.
    Event EscapeSequence(wint_t introducer) {
        std::wstring body;
        timeout(30);
        for (int n = 0; n < 32; ++n) {
            wint_t c = 0;
            if (get_wch(&c) != OK) {
                break;
            }
            body.push_back(static_cast<wchar_t>(c));
            if (c >= 0x40 && c <= 0x7E) {
                break;  // the final byte
            }
        }
        timeout(-1);
        Event ev;
        if (introducer == L'[' && (body == L"1;3B" || body == L"1;3A")) {
            ev.type = Event::Type::Key;
            ev.key = KEY_F(4);
        }
        return ev;
    }

    static bool IsEnter(const Event& ev) {
        return (ev.type == Event::Type::Key && ev.key == KEY_ENTER) ||
               (ev.type == Event::Type::Char && (ev.ch == L'\r' || ev.ch == L'\n'));
    }
    static bool IsEscape(const Event& ev) { return ev.type == Event::Type::Key && ev.key == 27; }
    static bool IsKey(const Event& ev, int key) {
        return ev.type == Event::Type::Key && ev.key == key;
    }
    static bool IsChar(const Event& ev, wchar_t c) {
        return ev.type == Event::Type::Char && ev.ch == c;
    }

    HWND FocusIn(View& v) {
        HWND f = GetFocus();
        for (const Slot& s : v.slots) {
            if (s.handle && s.handle == f) {
                return f;
            }
        }
        return nullptr;
    }

    // The focusable controls in tab order.
    std::vector<HWND> TabStops(View& v, bool tabStopOnly) {
        std::vector<HWND> out;
        for (const Slot& s : v.slots) {
            const Window* w = Lookup(s.handle);
            if (Focusable(w) && (!tabStopOnly || (w->style & WS_TABSTOP))) {
                out.push_back(s.handle);
            }
        }
        return out;
    }

    void MoveFocus(View& v, int step) {
        std::vector<HWND> stops = TabStops(v, true);
        if (stops.empty()) {
            return;
        }
        HWND f = FocusIn(v);
        auto it = std::find(stops.begin(), stops.end(), f);
        int n = static_cast<int>(stops.size());
        int i = it == stops.end() ? (step > 0 ? -1 : 0) : static_cast<int>(it - stops.begin());
        input::Focus(stops[static_cast<size_t>(((i + step) % n + n) % n)]);
    }

    bool Mnemonic(View& v, wchar_t ch) {
        wchar_t want = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
        for (size_t i = 0; i < v.slots.size(); ++i) {
            const Window* w = Lookup(v.slots[i].handle);
            if (!w || !w->visible || !w->enabled) {
                continue;
            }
            Caption cap = CaptionOf(*w);
            if (cap.mnemonic < 0 ||
                std::towlower(static_cast<wint_t>(cap.text[static_cast<size_t>(cap.mnemonic)])) !=
                    static_cast<wint_t>(want)) {
                continue;
            }
            HWND h = v.slots[i].handle;
            switch (w->kind) {
                case WindowKind::Static:
                case WindowKind::GroupBox:
                    // A label gives the focus to the control after it.
                    for (size_t j = i + 1; j < v.slots.size(); ++j) {
                        if (Focusable(Lookup(v.slots[j].handle))) {
                            input::Focus(v.slots[j].handle);
                            return true;
                        }
                    }
                    return true;
                case WindowKind::Button:
                case WindowKind::CheckBox:
                    input::Focus(h);
                    input::Click(h);
                    return true;
                default:
                    input::Focus(h);
                    return true;
            }
        }
        return false;
    }

    void HandleEvent(View& v, const Event& ev) {
        const Window* d = Lookup(v.dialog);
        if (!d) {
            return;
        }
        if (ev.type == Event::Type::Resize) {
            v.popup = Popup{};  // placed for the old size: closed, as a move closes it on Windows
            return;
        }
        if (ev.type == Event::Type::None) {
            return;
        }
        if (v.popup.kind != Popup::Kind::None) {
            PopupEvent(v, ev);
            return;
        }
        if (ev.type == Event::Type::Mouse) {
            Mouse(v, ev.mouse);
            return;
        }
        HWND f = FocusIn(v);
        const Window* fw = Lookup(f);
        if (IsKey(ev, 9) || IsChar(ev, L'\t')) {
            MoveFocus(v, 1);
            return;
        }
        if (IsKey(ev, KEY_BTAB)) {
            MoveFocus(v, -1);
            return;
        }
        if (IsEnter(ev)) {
            if (fw && fw->kind == WindowKind::Button) {
                input::Click(f);
            } else {
                input::Enter(v.dialog);
                // Enter presses the default button without taking the focus there (the layer
                // clicks it, which moves the focus): give it back unless the program moved it.
                const Window* now = Lookup(v.dialog);
                const Window* to = Lookup(GetFocus());
                if (now && !now->ended && f && Focusable(Lookup(f)) && to && to->handle != f &&
                    to->kind == WindowKind::Button && to->isDefault) {
                    input::Focus(f);
                }
            }
            return;
        }
        if (IsEscape(ev)) {
            input::Escape(v.dialog);
            return;
        }
        if (ev.type == Event::Type::Alt) {
            if (ev.ch == L' ') {
                OpenSystemMenu(v);
            } else if (!Mnemonic(v, ev.ch)) {
                beep();
            }
            return;
        }
        if (d->kind == WindowKind::Sheet && (IsKey(ev, KEY_F(6)))) {
            int pages = static_cast<int>(d->pages.size());
            if (pages > 1) {
                SendMessageA(v.dialog, PSM_SETCURSEL,
                             static_cast<WPARAM>((d->activePage + 1) % pages), 0);
            }
            return;
        }
        if (fw) {
            switch (fw->kind) {
                case WindowKind::ComboBox:
                    if (ComboKey(v, f, ev)) {
                        return;
                    }
                    break;
                case WindowKind::Edit:
                    if (EditKey(f, ev)) {
                        return;
                    }
                    break;
                case WindowKind::ListView:
                    if (ListKey(v, f, ev)) {
                        return;
                    }
                    break;
                case WindowKind::Button:
                case WindowKind::CheckBox:
                    if (IsChar(ev, L' ')) {
                        input::Click(f);
                        return;
                    }
                    break;
                default:
                    break;
            }
        }
        if (IsKey(ev, KEY_DOWN) || IsKey(ev, KEY_RIGHT)) {
            MoveFocus(v, 1);
        } else if (IsKey(ev, KEY_UP) || IsKey(ev, KEY_LEFT)) {
            MoveFocus(v, -1);
        } else if (ev.type == Event::Type::Char && std::iswgraph(static_cast<wint_t>(ev.ch))) {
            if (!Mnemonic(v, ev.ch)) {
                beep();
            }
        }
    }

    bool ComboKey(View& v, HWND combo, const Event& ev) {
        const Window* w = Lookup(combo);
        int n = static_cast<int>(w->items.size());
        int cur = w->curSel;
        int to = cur;
        if (IsKey(ev, KEY_F(4)) || IsChar(ev, L' ')) {
            OpenCombo(v, combo);
            return true;
        }
        if (IsKey(ev, KEY_DOWN) || IsKey(ev, KEY_RIGHT)) {
            to = std::min(cur + 1, n - 1);
        } else if (IsKey(ev, KEY_UP) || IsKey(ev, KEY_LEFT)) {
            to = cur < 0 ? 0 : std::max(cur - 1, 0);
        } else if (IsKey(ev, KEY_HOME)) {
            to = 0;
        } else if (IsKey(ev, KEY_END)) {
            to = n - 1;
        } else if (IsKey(ev, KEY_NPAGE)) {
            to = std::min(std::max(cur, 0) + 8, n - 1);
        } else if (IsKey(ev, KEY_PPAGE)) {
            to = std::max(cur - 8, 0);
        } else if (ev.type == Event::Type::Char && std::iswgraph(static_cast<wint_t>(ev.ch))) {
            to = FindByLetter(w->items, cur, ev.ch);
            if (to < 0) {
                beep();
                return true;
            }
        } else {
            return false;
        }
        if (n > 0 && to >= 0 && to != cur) {
            input::SelectComboRow(combo, to);
        }
        return true;
    }

    static int FindByLetter(const std::vector<ComboItem>& items, int from, wchar_t ch) {
        int n = static_cast<int>(items.size());
        wint_t want = std::towlower(static_cast<wint_t>(ch));
        for (int k = 1; k <= n; ++k) {
            int i = ((from < 0 ? -1 : from) + k) % n;
            std::wstring t = Decode(items[static_cast<size_t>(i)].text);
            if (!t.empty() && std::towlower(static_cast<wint_t>(t[0])) == want) {
                return i;
            }
        }
        return -1;
    }

    bool EditKey(HWND edit, const Event& ev) {
        const Window* w = Lookup(edit);
        std::wstring text = Decode(w->text);
        int& cursor = edits_[edit];
        cursor = std::clamp(cursor, 0, static_cast<int>(text.size()));
        bool readOnly = w->style & ES_READONLY;
        std::wstring changed = text;
        if (IsKey(ev, KEY_LEFT)) {
            cursor = std::max(cursor - 1, 0);
        } else if (IsKey(ev, KEY_RIGHT)) {
            cursor = std::min(cursor + 1, static_cast<int>(text.size()));
        } else if (IsKey(ev, KEY_HOME)) {
            cursor = 0;
        } else if (IsKey(ev, KEY_END)) {
            cursor = static_cast<int>(text.size());
        } else if (IsKey(ev, KEY_BACKSPACE) || IsChar(ev, 127) || IsChar(ev, 8)) {
            if (cursor > 0 && !readOnly) {
                changed.erase(static_cast<size_t>(cursor - 1), 1);
                --cursor;
            }
        } else if (IsKey(ev, KEY_DC)) {
            if (cursor < static_cast<int>(text.size()) && !readOnly) {
                changed.erase(static_cast<size_t>(cursor), 1);
            }
        } else if (ev.type == Event::Type::Char && std::iswprint(static_cast<wint_t>(ev.ch))) {
            if (readOnly) {
                beep();
                return true;
            }
            if (text.size() >= w->limit) {
                beep();  // the field takes no more characters than its limit
                return true;
            }
            wchar_t c = ev.ch;
            if (w->style & ES_UPPERCASE) {
                c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
            }
            changed.insert(static_cast<size_t>(cursor), 1, c);
            ++cursor;
        } else {
            return false;
        }
        if (changed != text) {
            input::TypeText(edit, EncodeAnsi(changed));
        }
        return true;
    }

    bool ListKey(View& v, HWND list, const Event& ev) {
        const Window* w = Lookup(list);
        int n = static_cast<int>(w->rows.size());
        int cur = FocusedRow(*w);
        ListState& ls = lists_[list];
        int page = std::max(1, ListVisibleRows(v, list) - 1);
        int to = cur;
        if (IsKey(ev, KEY_DOWN)) {
            to = std::min(cur + 1, n - 1);
        } else if (IsKey(ev, KEY_UP)) {
            to = cur < 0 ? 0 : std::max(cur - 1, 0);
        } else if (IsKey(ev, KEY_HOME)) {
            to = 0;
        } else if (IsKey(ev, KEY_END)) {
            to = n - 1;
        } else if (IsKey(ev, KEY_NPAGE)) {
            to = std::min(std::max(cur, 0) + page, n - 1);
        } else if (IsKey(ev, KEY_PPAGE)) {
            to = std::max(cur - page, 0);
        } else if (IsKey(ev, KEY_LEFT)) {
            ls.hscroll = std::max(0, ls.hscroll - 4);
            return true;
        } else if (IsKey(ev, KEY_RIGHT)) {
            ls.hscroll += 4;  // clamped when drawn
            return true;
        } else if (IsChar(ev, L' ')) {
            to = cur < 0 ? 0 : cur;
            if (n > 0) {
                input::SelectListRow(list, to);
            }
            return true;
        } else {
            return false;
        }
        if (n > 0 && to >= 0 &&
            (to != cur || !(w->rows[static_cast<size_t>(to)].state & LVIS_SELECTED))) {
            input::SelectListRow(list, to);
        }
        return true;
    }

    static int FocusedRow(const Window& list) {
        int selected = -1;
        for (size_t i = 0; i < list.rows.size(); ++i) {
            if (list.rows[i].state & LVIS_FOCUSED) {
                return static_cast<int>(i);
            }
            if (selected < 0 && (list.rows[i].state & LVIS_SELECTED)) {
                selected = static_cast<int>(i);
            }
        }
        return selected;
    }

    static std::string EncodeAnsi(std::wstring_view text) {
        // The dialogs speak the ANSI code page: Latin-1 and the Windows-1252 extras pass, the
        // rest becomes '?'.
        std::string out;
        for (wchar_t c : text) {
            if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
                out.push_back(static_cast<char>(c));
                continue;
            }
            char byte = '?';
            for (int b = 0x80; b < 0xA0; ++b) {
                std::string one(1, static_cast<char>(b));
                if (Decode(one) == std::wstring(1, c)) {
                    byte = static_cast<char>(b);
                }
            }
            out.push_back(byte);
        }
        return out;
    }

    // -----------------------------------------------------------------------------------------
    // Pop-ups: the open list of a combo box and the system menu.

    void OpenCombo(View& v, HWND combo) {
        const Window* w = Lookup(combo);
        if (!w || w->items.empty()) {
            beep();
            return;
        }
        Popup p;
        p.kind = Popup::Kind::Combo;
        p.combo = combo;
        for (const auto& item : w->items) {
            p.items.push_back(Decode(item.text));
        }
        p.highlight = std::max(0, w->curSel);
        // As many rows as the template's dropped height gives, within the screen.
        int dropped = static_cast<int>((w->units.bottom - w->units.top) / kCellHeight) - 1;
        int want = std::clamp(dropped, 1, static_cast<int>(p.items.size()));
        CellRect field;
        for (size_t i = 0; i < v.slots.size(); ++i) {
            if (v.slots[i].handle == combo) {
                field = v.Screen(v.layout.cells[i]);
            }
        }
        int below = LINES - (field.row + 1) - 2;
        int above = field.row - 2;
        int rows = std::min(want, std::max(below, above));
        rows = std::max(rows, 1);
        p.rows = rows + 2;
        p.cols = field.cols;
        p.col = field.col;
        p.row = (rows <= below || below >= above) ? field.row + 1 : field.row - p.rows;
        p.top = std::clamp(p.highlight - rows / 2, 0,
                           std::max(0, static_cast<int>(p.items.size()) - rows));
        v.popup = p;
    }

    void OpenSystemMenu(View& v) {
        const Window* d = Lookup(v.dialog);
        if (!d || !(d->style & WS_SYSMENU)) {
            beep();
            return;
        }
        Popup p;
        p.kind = Popup::Kind::SystemMenu;
        p.items.push_back(L"Close");
        p.ids.push_back(SC_CLOSE);
        for (const MenuItem& m : d->systemMenu) {
            if (m.flags & MF_SEPARATOR) {
                continue;
            }
            p.items.push_back(ParseCaption(m.text).text);
            p.ids.push_back(m.id);
        }
        int width = 0;
        for (const auto& s : p.items) {
            width = std::max(width, Cells(s));
        }
        p.rows = static_cast<int>(p.items.size()) + 2;
        p.cols = width + 4;
        p.row = std::max(0, v.top + 1);
        p.col = std::max(0, v.left + 1);
        v.popup = p;
    }

    int PopupVisibleRows(const Popup& p) const { return std::max(1, p.rows - 2); }

    void PopupEvent(View& v, const Event& ev) {
        Popup& p = v.popup;
        int n = static_cast<int>(p.items.size());
        int rows = PopupVisibleRows(p);
        auto commit = [&](int index) {
            Popup done = p;
            v.popup = Popup{};
            if (done.kind == Popup::Kind::Combo) {
                const Window* w = Lookup(done.combo);
                if (w && index != w->curSel) {
                    input::SelectComboRow(done.combo, index);
                }
            } else if (done.kind == Popup::Kind::SystemMenu) {
                input::SysCommand(v.dialog,
                                  static_cast<UINT>(done.ids[static_cast<size_t>(index)]));
            }
        };
        if (ev.type == Event::Type::Mouse) {
            const MEVENT& m = ev.mouse;
            if (m.bstate & (BUTTON4_PRESSED | BUTTON5_PRESSED)) {
                p.top = std::clamp(p.top + ((m.bstate & BUTTON4_PRESSED) ? -3 : 3), 0,
                                   std::max(0, n - rows));
                return;
            }
            if (!(m.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED | BUTTON1_DOUBLE_CLICKED))) {
                return;
            }
            int i = p.top + (m.y - p.row - 1);
            if (m.x > p.col && m.x < p.col + p.cols - 1 && m.y > p.row &&
                m.y < p.row + p.rows - 1 && i < n) {
                commit(i);
            } else {
                v.popup = Popup{};
            }
            return;
        }
        if (IsEscape(ev) || (ev.type == Event::Type::Alt && ev.ch == L' ')) {
            v.popup = Popup{};
            return;
        }
        if (IsEnter(ev) || IsChar(ev, L' ') || IsKey(ev, KEY_F(4))) {
            commit(p.highlight);
            return;
        }
        if (IsKey(ev, 9) || IsChar(ev, L'\t') || IsKey(ev, KEY_BTAB)) {
            bool combo = p.kind == Popup::Kind::Combo;
            if (combo) {
                commit(p.highlight);
                MoveFocus(v, IsKey(ev, KEY_BTAB) ? -1 : 1);
            } else {
                v.popup = Popup{};
            }
            return;
        }
        int h = p.highlight;
        if (IsKey(ev, KEY_DOWN)) {
            h = std::min(h + 1, n - 1);
        } else if (IsKey(ev, KEY_UP)) {
            h = std::max(h - 1, 0);
        } else if (IsKey(ev, KEY_NPAGE)) {
            h = std::min(h + rows, n - 1);
        } else if (IsKey(ev, KEY_PPAGE)) {
            h = std::max(h - rows, 0);
        } else if (IsKey(ev, KEY_HOME)) {
            h = 0;
        } else if (IsKey(ev, KEY_END)) {
            h = n - 1;
        } else if (ev.type == Event::Type::Char && std::iswgraph(static_cast<wint_t>(ev.ch))) {
            wint_t want = std::towlower(static_cast<wint_t>(ev.ch));
            for (int k = 1; k <= n; ++k) {
                int i = (h + k) % n;
                const std::wstring& t = p.items[static_cast<size_t>(i)];
                if (!t.empty() && std::towlower(static_cast<wint_t>(t[0])) == want) {
                    h = i;
                    break;
                }
            }
        }
        p.highlight = h;
        if (h < p.top) {
            p.top = h;
        } else if (h >= p.top + rows) {
            p.top = h - rows + 1;
        }
    }

    // -----------------------------------------------------------------------------------------
    // The mouse.

    void Mouse(View& v, const MEVENT& m) {
        bool click = m.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED);
        bool dbl = m.bstate & BUTTON1_DOUBLE_CLICKED;
        bool wheel = m.bstate & (BUTTON4_PRESSED | BUTTON5_PRESSED);
        int step = (m.bstate & BUTTON4_PRESSED) ? -3 : 3;
        if (m.y == v.top && (click || dbl)) {
            if (v.menuCol >= 0 && m.x >= v.menuCol && m.x < v.menuCol + 3) {
                OpenSystemMenu(v);
                return;
            }
            if (v.closeCol >= 0 && m.x >= v.closeCol && m.x < v.closeCol + 3) {
                input::Close(v.dialog);
                return;
            }
        }
        // Controls, the innermost first (group boxes last: they only frame others).
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < v.slots.size(); ++i) {
                const Window* w = Lookup(v.slots[i].handle);
                if (!w || !w->visible || (pass == 0) == (w->kind == WindowKind::GroupBox)) {
                    continue;
                }
                CellRect r = v.Screen(v.layout.cells[i]);
                if (m.y < r.row || m.y >= r.bottom() || m.x < r.col || m.x >= r.right()) {
                    continue;
                }
                HWND h = v.slots[i].handle;
                if (wheel) {
                    if (w->kind == WindowKind::ListView) {
                        ListState& ls = lists_[h];
                        ls.top = std::max(0, ls.top + step);
                        return;
                    }
                    break;
                }
                if (!w->enabled) {
                    beep();
                    return;
                }
                switch (w->kind) {
                    case WindowKind::Button:
                    case WindowKind::CheckBox:
                        input::Focus(h);
                        input::Click(h);
                        return;
                    case WindowKind::ComboBox:
                        input::Focus(h);
                        OpenCombo(v, h);
                        return;
                    case WindowKind::Edit: {
                        input::Focus(h);
                        edits_[h] = EditScroll(h, r.cols) + (m.x - r.col);
                        return;
                    }
                    case WindowKind::ListView: {
                        input::Focus(h);
                        int row = ListRowAt(v, i, m.y);
                        if (row == -2) {
                            return;  // the header or the frame
                        }
                        if (dbl) {
                            input::DoubleClickListRow(h, row);
                        } else {
                            input::ClickListRow(h, row);
                        }
                        return;
                    }
                    default:
                        return;
                }
            }
        }
        if (wheel) {
            v.scrollRow = std::max(0, v.scrollRow + step);
        }
    }

    // -----------------------------------------------------------------------------------------
    // Views: the cells of a dialog's controls, worked out from the model each time it is drawn
    // (cheap, and a caption set at run time is shown whole).

    void BuildView(View& v) {
        const Window* d = Lookup(v.dialog);
        v.slots.clear();
        v.items.clear();
        v.tabs.clear();
        auto add = [&](const Window& w, int dx, int dy) {
            LayoutItem it = ControlItem(KindOf(w), static_cast<int>(w.units.left) + dx,
                                        static_cast<int>(w.units.top) + dy,
                                        static_cast<int>(w.units.right - w.units.left),
                                        static_cast<int>(w.units.bottom - w.units.top), w.text,
                                        !(w.kind == WindowKind::Static && (w.style & SS_NOPREFIX)));
            v.slots.push_back({w.handle, it.kind});
            v.items.push_back(it);
        };
        if (d->kind == WindowKind::Sheet) {
            // The tab row, the active page below it, then the sheet's buttons.
            for (size_t i = 0; i < d->pages.size(); ++i) {
                const Window* page = Lookup(d->pages[i]);
                // A page's caption is known once the sheet has created it.
                std::wstring name =
                    page ? ParseCaption(page->text).text : L"Page " + std::to_wstring(i + 1);
                bool active = static_cast<int>(i) == d->activePage;
                v.tabs += (active ? L"[ " : L"  ") + name + (active ? L" ]" : L"  ");
            }
            LayoutItem tab;
            tab.kind = ItemKind::Static;
            tab.x = 7;
            tab.y = 7;
            tab.cx = static_cast<int>(d->units.right) - 14;
            tab.cy = 8;
            tab.caption = v.tabs;
            v.slots.push_back({nullptr, ItemKind::Static});
            v.items.push_back(tab);
            if (const Window* page =
                    Lookup(d->activePage >= 0 && d->activePage < static_cast<int>(d->pages.size())
                               ? d->pages[static_cast<size_t>(d->activePage)]
                               : nullptr)) {
                for (HWND c : page->children) {
                    if (const Window* w = Lookup(c)) {
                        add(*w, 7, 19);
                    }
                }
            }
            for (HWND c : d->children) {
                const Window* w = Lookup(c);
                if (w && w->kind != WindowKind::Dialog) {
                    add(*w, 0, 0);
                }
            }
        } else {
            for (HWND c : d->children) {
                if (const Window* w = Lookup(c)) {
                    add(*w, 0, 0);
                }
            }
        }
        v.layout = LayOut(static_cast<int>(d->units.right - d->units.left),
                          static_cast<int>(d->units.bottom - d->units.top), v.items);
        std::wstring title = ParseCaption(d->text, false).text;
        int titleCells = Cells(title) + 4 + ((d->style & WS_SYSMENU) ? 8 : 0);
        v.frameCols = std::max(v.layout.cols, std::min(titleCells, 76)) + 2;
        v.frameRows = v.layout.rows + 2;
    }

    void Place(View& v, bool innermost) {
        int hint = 0;
        if (v.frameRows > LINES || v.frameCols > COLS) {
            hint = innermost ? 1 : 0;
        }
        int viewRows = LINES - hint;
        int maxScrollRow = std::max(0, v.frameRows - viewRows);
        int maxScrollCol = std::max(0, v.frameCols - COLS);
        if (innermost) {
            // Follow the focus when it moves.
            HWND f = FocusIn(v);
            if (f && f != v.lastFocus) {
                for (size_t i = 0; i < v.slots.size(); ++i) {
                    if (v.slots[i].handle != f) {
                        continue;
                    }
                    const CellRect& c = v.layout.cells[i];
                    int top = c.row + 1, bottom = c.bottom() + 1;
                    if (top < v.scrollRow) {
                        v.scrollRow = top - 1;
                    } else if (bottom > v.scrollRow + viewRows) {
                        v.scrollRow = bottom - viewRows + 1;
                    }
                    int left = c.col + 1, right = c.right() + 1;
                    if (left < v.scrollCol) {
                        v.scrollCol = left - 1;
                    } else if (right > v.scrollCol + COLS) {
                        v.scrollCol = right - COLS + 1;
                    }
                }
                v.lastFocus = f;
            }
        }
        v.scrollRow = std::clamp(v.scrollRow, 0, maxScrollRow);
        v.scrollCol = std::clamp(v.scrollCol, 0, maxScrollCol);
        v.top = v.frameRows <= viewRows ? (viewRows - v.frameRows) / 2 : -v.scrollRow;
        v.left = v.frameCols <= COLS ? (COLS - v.frameCols) / 2 : -v.scrollCol;
        if (v.frameRows <= viewRows) {
            v.scrollRow = 0;
        }
        if (v.frameCols <= COLS) {
            v.scrollCol = 0;
        }
    }

    // -----------------------------------------------------------------------------------------
    // Drawing.

    void Draw() {
        erase();
        curs_set(0);
        cursorRow_ = cursorCol_ = -1;
        if (LINES < 4 || COLS < 16) {
            std::wstring msg = L"Terminal too small: enlarge it";
            PutText(0, 0, FitCells(msg, COLS), A_BOLD);
            refresh();
            return;
        }
        std::vector<HWND> stack;
        for (HWND h : ModalStack()) {
            if (views_.count(h)) {
                stack.push_back(h);
            }
        }
        for (size_t k = 0; k < stack.size(); ++k) {
            View& v = views_[stack[k]];
            bool innermost = k + 1 == stack.size() && boxes_.empty();
            BuildView(v);
            if (innermost && !FocusIn(v)) {
                // An active dialog always has a focused control: the first tab stop when the
                // program gave the focus to none (a property sheet's new page).
                std::vector<HWND> stops = TabStops(v, true);
                if (!stops.empty()) {
                    input::Focus(stops.front());
                }
            }
            Place(v, innermost);
            DrawDialog(v, innermost);
            if (innermost && (v.frameRows > LINES || v.frameCols > COLS)) {
                std::wstring hint = L" The dialog is larger than the terminal (" +
                                    std::to_wstring(v.frameCols) + L"x" +
                                    std::to_wstring(v.frameRows) +
                                    L"): the view follows the focus; the mouse wheel scrolls ";
                FillCells(LINES - 1, 0, COLS, A_REVERSE);
                PutText(LINES - 1, 0, FitCells(hint, COLS), A_REVERSE);
            }
            if (innermost && v.popup.kind != Popup::Kind::None) {
                DrawPopup(v.popup);
            }
        }
        for (MessageView* mv : boxes_) {
            DrawMessage(*mv);
        }
        if (cursorRow_ >= 0) {
            move(cursorRow_, cursorCol_);
            curs_set(1);
        }
        refresh();
    }

    void DrawDialog(View& v, bool active) {
        const Window* d = Lookup(v.dialog);
        for (int r = 0; r < v.frameRows; ++r) {
            FillCells(v.top + r, v.left, v.frameCols, A_NORMAL);
        }
        attr_t frameAttr = active ? A_BOLD : A_DIM;
        Frame(v.top, v.left, v.frameRows, v.frameCols, frameAttr);
        std::wstring title = ParseCaption(d->text, false).text;
        int titleCol = v.left + 2;
        v.menuCol = v.closeCol = -1;
        if (d->style & WS_SYSMENU) {
            v.menuCol = v.left + 1;
            PutText(v.top, v.menuCol, L"[-]", frameAttr);
            titleCol = v.left + 5;
            v.closeCol = v.left + v.frameCols - 4;
            PutText(v.top, v.closeCol, L"[x]", frameAttr);
        }
        int room = v.frameCols - (titleCol - v.left) - ((d->style & WS_SYSMENU) ? 5 : 2);
        if (!title.empty() && room > 2) {
            std::wstring shown = L" " + Ellipsize(title, room - 2, L"...") + L" ";
            PutText(v.top, titleCol, shown, active ? A_BOLD | A_REVERSE : A_NORMAL);
        }
        HWND focus = active ? FocusIn(v) : nullptr;
        int clipTop = v.top + 1, clipBottom = v.top + v.frameRows - 1;
        (void)clipTop;
        (void)clipBottom;
        // Group boxes first: the controls they hold are drawn over their insides.
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < v.slots.size(); ++i) {
                bool box = v.slots[i].kind == ItemKind::GroupBox;
                if ((pass == 0) != box) {
                    continue;
                }
                CellRect r = v.Screen(v.layout.cells[i]);
                if (!v.slots[i].handle) {
                    PutText(r.row, r.col, FitCells(v.tabs, r.cols), A_BOLD);
                    continue;
                }
                const Window* w = Lookup(v.slots[i].handle);
                if (!w || !w->visible) {
                    continue;
                }
                DrawControl(v, i, *w, r, w->handle == focus, active);
            }
        }
    }

    void DrawControl(View& v, size_t index, const Window& w, const CellRect& r, bool focused,
                     bool active) {
        attr_t dim = w.enabled ? A_NORMAL : A_DIM;
        Caption cap = CaptionOf(w);
        switch (w.kind) {
            case WindowKind::Static: {
                auto lines = Wrap(cap.text, r.cols);
                int offset = 0;
                for (int k = 0; k < static_cast<int>(lines.size()) && k < r.rows; ++k) {
                    const std::wstring& line = lines[static_cast<size_t>(k)];
                    int width = Cells(line);
                    int col = r.col;
                    if ((w.style & 0x3) == SS_CENTER) {
                        col += (r.cols - width) / 2;
                    } else if ((w.style & 0x3) == SS_RIGHT) {
                        col += r.cols - width;
                    }
                    PutText(r.row + k, col, line, dim, r.col, r.right(),
                            w.enabled && cap.mnemonic >= offset ? cap.mnemonic - offset : -1);
                    offset += static_cast<int>(line.size()) + 1;
                }
                break;
            }
            case WindowKind::GroupBox:
                Frame(r.row, r.col, r.rows, r.cols, dim);
                if (!cap.text.empty()) {
                    PutText(r.row, r.col + 1, L" " + FitCells(cap.text, r.cols - 4) + L" ", dim,
                            r.col, r.right() - 1, w.enabled ? cap.mnemonic + 1 : -1);
                }
                break;
            case WindowKind::Button: {
                bool def = w.isDefault;
                std::wstring text = Ellipsize(cap.text, std::max(0, r.cols - 2), L"..");
                int width = Cells(text);
                attr_t a = dim | (def && active ? A_BOLD : 0) | (focused ? A_REVERSE : 0);
                FillCells(r.row, r.col, r.cols, a);
                PutCell(r.row, r.col, def ? L'<' : L'[', a);
                PutCell(r.row, r.right() - 1, def ? L'>' : L']', a);
                int start = r.col + (r.cols - width) / 2;
                PutText(r.row, start, text, a, r.col + 1, r.right() - 1,
                        w.enabled ? cap.mnemonic : -1);
                if (focused) {
                    cursorRow_ = r.row, cursorCol_ = start;
                }
                break;
            }
            case WindowKind::CheckBox: {
                wchar_t mark = w.check == BST_CHECKED         ? L'x'
                               : w.check == BST_INDETERMINATE ? L'-'
                                                              : L' ';
                PutText(r.row, r.col, std::wstring(L"[") + mark + L"]", dim);
                PutText(r.row, r.col + 4, FitCells(cap.text, r.cols - 4),
                        dim | (focused ? A_REVERSE : 0), r.col + 4, r.right(),
                        w.enabled ? cap.mnemonic : -1);
                if (focused) {
                    cursorRow_ = r.row, cursorCol_ = r.col + 1;
                }
                break;
            }
            case WindowKind::ComboBox: {
                attr_t a = dim | (focused ? A_REVERSE : A_UNDERLINE);
                FillCells(r.row, r.col, r.cols, a);
                std::wstring text = Decode(ComboText(w));
                PutText(r.row, r.col, Ellipsize(text, r.cols - 2, L".."), a, r.col, r.right() - 1);
                PutSpecial(r.row, r.right() - 1, WACS_DARROW, dim);
                break;
            }
            case WindowKind::Edit: {
                attr_t a = dim | A_UNDERLINE | (focused ? A_BOLD : 0);
                FillCells(r.row, r.col, r.cols, a);
                std::wstring text = Decode(w.text);
                int scroll = EditScroll(w.handle, r.cols);
                std::wstring shown =
                    text.substr(std::min(static_cast<size_t>(scroll), text.size()));
                PutText(r.row, r.col, FitCells(shown, r.cols), a, r.col, r.right());
                if (focused) {
                    int cursor = std::clamp(edits_[w.handle], 0, static_cast<int>(text.size()));
                    cursorRow_ = r.row;
                    cursorCol_ = r.col + Cells(std::wstring_view(text).substr(
                                             static_cast<size_t>(scroll),
                                             static_cast<size_t>(std::max(0, cursor - scroll))));
                }
                break;
            }
            case WindowKind::ListView:
                DrawList(v, index, w, r, focused);
                break;
            case WindowKind::Icon:
                for (int k = 0; k < r.rows; ++k) {
                    for (int c = 0; c < r.cols; ++c) {
                        PutSpecial(r.row + k, r.col + c, WACS_CKBOARD, A_DIM);
                    }
                }
                break;
            default:
                break;
        }
    }

    // The first character of an edit's text that is shown, keeping the cursor in view.
    int EditScroll(HWND edit, int cols) {
        const Window* w = Lookup(edit);
        if (!w) {
            return 0;
        }
        std::wstring text = Decode(w->text);
        int cursor = std::clamp(edits_.count(edit) ? edits_[edit] : static_cast<int>(text.size()),
                                0, static_cast<int>(text.size()));
        edits_[edit] = cursor;
        int scroll = 0;
        while (scroll < cursor &&
               Cells(std::wstring_view(text).substr(
                   static_cast<size_t>(scroll), static_cast<size_t>(cursor - scroll))) >= cols) {
            ++scroll;
        }
        return scroll;
    }

    struct ListGeometry {
        CellRect inner;  // inside the border
        int header = 0;  // rows of the header (0 or 1)
        int rows = 0;    // rows shown
        bool border = false;
    };

    static ListGeometry ListGeom(const Window& w, const CellRect& r) {
        ListGeometry g;
        g.border = (w.style & WS_BORDER) || (w.exStyle & WS_EX_CLIENTEDGE);
        g.inner = r;
        if (g.border && r.rows >= 3 && r.cols >= 3) {
            g.inner = {r.row + 1, r.col + 1, r.rows - 2, r.cols - 2};
        } else {
            g.border = false;
        }
        g.header = (w.style & LVS_NOCOLUMNHEADER) ? 0 : 1;
        g.rows = std::max(0, g.inner.rows - g.header);
        return g;
    }

    int ListVisibleRows(View& v, HWND list) {
        for (size_t i = 0; i < v.slots.size(); ++i) {
            if (v.slots[i].handle == list) {
                return ListGeom(*Lookup(list), v.layout.cells[i]).rows;
            }
        }
        return 1;
    }

    // The row under a screen line of the list: a row index, -1 below the rows, -2 elsewhere.
    int ListRowAt(View& v, size_t index, int y) {
        const Window* w = Lookup(v.slots[index].handle);
        CellRect r = v.Screen(v.layout.cells[index]);
        ListGeometry g = ListGeom(*w, r);
        int first = g.inner.row + g.header;
        if (y < first || y >= g.inner.bottom()) {
            return -2;
        }
        int row = lists_[w->handle].top + (y - first);
        return row < static_cast<int>(w->rows.size()) ? row : -1;
    }

    void DrawList(View&, size_t, const Window& w, const CellRect& r, bool focused) {
        ListGeometry g = ListGeom(w, r);
        attr_t dim = w.enabled ? A_NORMAL : A_DIM;
        if (g.border) {
            Frame(r.row, r.col, r.rows, r.cols, dim | (focused ? A_BOLD : 0));
        }
        ListState& ls = lists_[w.handle];
        int total = 0;
        for (const auto& c : w.columns) {
            total += c.width;
        }
        int totalCells = PxToCol(total);
        int maxScroll = std::max(0, totalCells - g.inner.cols);
        ls.hscroll = std::clamp(ls.hscroll, 0, maxScroll);
        int n = static_cast<int>(w.rows.size());
        int focusRow = FocusedRow(w);
        if (focusRow != ls.lastFocus && focusRow >= 0) {
            if (focusRow < ls.top) {
                ls.top = focusRow;
            } else if (focusRow >= ls.top + g.rows) {
                ls.top = focusRow - g.rows + 1;
            }
            ls.lastFocus = focusRow;
        }
        ls.top = std::clamp(ls.top, 0, std::max(0, n - g.rows));
        int origin = g.inner.col - ls.hscroll;
        int clipL = g.inner.col, clipR = g.inner.right();
        if (g.header) {
            int x = 0;
            FillCells(g.inner.row, g.inner.col, g.inner.cols, dim | A_UNDERLINE);
            for (const auto& c : w.columns) {
                int a = origin + PxToCol(x), b = origin + PxToCol(x + c.width);
                std::wstring t = Decode(c.text);
                int width = std::max(0, b - a - 1);
                int fmt = c.fmt & LVCFMT_JUSTIFYMASK;
                int start = a + 1;
                if (fmt == LVCFMT_RIGHT) {
                    start = b - 1 - std::min(Cells(t), width);
                } else if (fmt == LVCFMT_CENTER) {
                    start = a + 1 + (width - std::min(Cells(t), width)) / 2;
                }
                PutText(g.inner.row, start, FitCells(t, width), dim | A_UNDERLINE | A_BOLD,
                        std::max(clipL, a), std::min(clipR, b));
                if (b - 1 >= clipL && b - 1 < clipR && b < origin + totalCells) {
                    PutSpecial(g.inner.row, b - 1, WACS_VLINE, dim);
                }
                x += c.width;
            }
        }
        int markerCol = g.border ? g.inner.col - 1 : g.inner.col;
        bool ownerDrawn = w.style & LVS_OWNERDRAWFIXED;
        for (int k = 0; k < g.rows; ++k) {
            int row = ls.top + k;
            int line = g.inner.row + g.header + k;
            if (row >= n) {
                break;
            }
            const ListRow& lr = w.rows[static_cast<size_t>(row)];
            bool selected = lr.state & LVIS_SELECTED;
            if (ownerDrawn) {
                RowDC dc(line, origin, clipL, clipR, markerCol);
                dc.textColor = GetSysColor(COLOR_WINDOWTEXT);
                dc.bkColor = GetSysColor(COLOR_WINDOW);
                input::PaintListRow(w.handle, row, dc.handle(), {0, 0});
                if (!Lookup(w.handle)) {
                    return;  // the painter destroyed its list: nothing more to draw
                }
            } else {
                attr_t a = dim | (selected ? A_REVERSE : 0);
                FillCells(line, clipL, clipR - clipL, a);
                int x = 0;
                for (size_t c = 0; c < w.columns.size(); ++c) {
                    int a0 = origin + PxToCol(x), b0 = origin + PxToCol(x + w.columns[c].width);
                    std::wstring t = c < lr.texts.size() ? Decode(lr.texts[c]) : L"";
                    PutText(line, a0 + 1, Ellipsize(t, std::max(0, b0 - a0 - 1), L"..."), a,
                            std::max(clipL, a0), std::min(clipR, b0));
                    x += w.columns[c].width;
                }
                if ((lr.state & LVIS_FOCUSED) && focused) {
                    PutSpecial(line, markerCol, WACS_RARROW, A_BOLD);
                }
            }
        }
        if (g.border) {
            if (ls.top > 0) {
                PutSpecial(g.inner.row + g.header, r.right() - 1, WACS_UARROW, A_BOLD);
            }
            if (ls.top + g.rows < n) {
                PutSpecial(g.inner.bottom() - 1, r.right() - 1, WACS_DARROW, A_BOLD);
            }
            if (ls.hscroll > 0) {
                PutSpecial(r.bottom() - 1, r.col + 1, WACS_LARROW, A_BOLD);
            }
            if (ls.hscroll < maxScroll) {
                PutSpecial(r.bottom() - 1, r.right() - 2, WACS_RARROW, A_BOLD);
            }
        }
    }

    void DrawPopup(const Popup& p) {
        for (int r = 0; r < p.rows; ++r) {
            FillCells(p.row + r, p.col, p.cols, A_NORMAL);
        }
        Frame(p.row, p.col, p.rows, p.cols, A_BOLD);
        int rows = PopupVisibleRows(p);
        for (int k = 0; k < rows; ++k) {
            int i = p.top + k;
            if (i >= static_cast<int>(p.items.size())) {
                break;
            }
            attr_t a = i == p.highlight ? A_REVERSE : A_NORMAL;
            FillCells(p.row + 1 + k, p.col + 1, p.cols - 2, a);
            PutText(p.row + 1 + k, p.col + 1,
                    Ellipsize(p.items[static_cast<size_t>(i)], p.cols - 2, L".."), a);
        }
        if (p.top > 0) {
            PutSpecial(p.row + 1, p.col + p.cols - 1, WACS_UARROW, A_BOLD);
        }
        if (p.top + rows < static_cast<int>(p.items.size())) {
            PutSpecial(p.row + p.rows - 2, p.col + p.cols - 1, WACS_DARROW, A_BOLD);
        }
    }

    // -----------------------------------------------------------------------------------------
    // Message boxes.

    static const wchar_t* IconMark(UINT type) {
        switch (type & MB_ICONMASK) {
            case MB_ICONHAND:
                return L"(X)";
            case MB_ICONQUESTION:
                return L"(?)";
            case MB_ICONEXCLAMATION:
                return L"(!)";
            case MB_ICONASTERISK:
                return L"(i)";
            default:
                return nullptr;
        }
    }

    void LayoutMessage(MessageView& mv, std::vector<std::wstring>* lines) {
        const wchar_t* icon = IconMark(mv.box->type);
        int iconCells = icon ? 4 : 0;
        int maxText = std::max(10, std::min(COLS - 6 - iconCells, 70));
        *lines = Wrap(Decode(mv.box->text), maxText);
        while (lines->size() > 1 && lines->back().empty()) {
            lines->pop_back();  // a closing line break shows nothing
        }
        int width = 0;
        for (const auto& l : *lines) {
            width = std::max(width, Cells(l));
        }
        int buttonsWidth = 0;
        for (int id : mv.buttons) {
            buttonsWidth += Cells(Plain(ButtonName(id))) + 4 + 2;
        }
        buttonsWidth -= 2;
        int captionWidth = Cells(Decode(mv.box->caption)) + 4;
        mv.cols = std::min(COLS, std::max({width + iconCells, buttonsWidth, captionWidth}) + 4);
        int maxLines = std::max(1, LINES - 6);
        if (static_cast<int>(lines->size()) > maxLines) {
            lines->resize(static_cast<size_t>(maxLines));
        }
        mv.rows = static_cast<int>(lines->size()) + 5;
        mv.top = std::max(0, (LINES - mv.rows) / 2);
        mv.left = std::max(0, (COLS - mv.cols) / 2);
        mv.buttonRow = mv.top + mv.rows - 2;
        mv.buttonCols.clear();
        int col = mv.left + (mv.cols - buttonsWidth) / 2;
        for (int id : mv.buttons) {
            mv.buttonCols.push_back(col);
            col += Cells(Plain(ButtonName(id))) + 4 + 2;
        }
    }

    void DrawMessage(MessageView& mv) {
        std::vector<std::wstring> lines;
        LayoutMessage(mv, &lines);
        for (int r = 0; r < mv.rows; ++r) {
            FillCells(mv.top + r, mv.left, mv.cols, A_NORMAL);
        }
        Frame(mv.top, mv.left, mv.rows, mv.cols, A_BOLD);
        std::wstring caption = Decode(mv.box->caption);
        PutText(mv.top, mv.left + 2, L" " + Ellipsize(caption, mv.cols - 6, L"...") + L" ",
                A_BOLD | A_REVERSE);
        const wchar_t* icon = IconMark(mv.box->type);
        int textCol = mv.left + 2;
        if (icon) {
            PutText(mv.top + 2, textCol, icon, A_BOLD);
            textCol += 4;
        }
        for (size_t k = 0; k < lines.size(); ++k) {
            PutText(mv.top + 2 + static_cast<int>(k), textCol, lines[k], A_NORMAL, mv.left + 1,
                    mv.left + mv.cols - 1);
        }
        for (size_t i = 0; i < mv.buttons.size(); ++i) {
            Caption cap = ParseCaption(EncodeUtf8(ButtonName(mv.buttons[i])));
            bool focus = static_cast<int>(i) == mv.focus;
            attr_t a = focus ? A_REVERSE | A_BOLD : A_NORMAL;
            int col = mv.buttonCols[i];
            std::wstring shown = L"[ " + cap.text + L" ]";
            PutText(mv.buttonRow, col, shown, a, 0, 1 << 20, cap.mnemonic + 2);
            if (focus) {
                cursorRow_ = mv.buttonRow, cursorCol_ = col + 2;
            }
        }
    }

    // The answer the event gives, or 0.
    int MessageKey(MessageView& mv, const Event& ev) {
        int n = static_cast<int>(mv.buttons.size());
        auto has = [&](int id) {
            return std::find(mv.buttons.begin(), mv.buttons.end(), id) != mv.buttons.end();
        };
        if (IsEnter(ev) || IsChar(ev, L' ')) {
            return mv.buttons[static_cast<size_t>(mv.focus)];
        }
        if (IsEscape(ev)) {
            // Escape answers Cancel, or OK when that is the only button.
            if (has(IDCANCEL)) {
                return IDCANCEL;
            }
            if (n == 1 && mv.buttons[0] == IDOK) {
                return IDOK;
            }
            beep();
            return 0;
        }
        if (IsKey(ev, KEY_RIGHT) || IsKey(ev, 9) || IsChar(ev, L'\t') || IsKey(ev, KEY_DOWN)) {
            mv.focus = (mv.focus + 1) % n;
            return 0;
        }
        if (IsKey(ev, KEY_LEFT) || IsKey(ev, KEY_BTAB) || IsKey(ev, KEY_UP)) {
            mv.focus = (mv.focus + n - 1) % n;
            return 0;
        }
        if (ev.type == Event::Type::Char || ev.type == Event::Type::Alt) {
            wint_t want = std::towlower(static_cast<wint_t>(ev.ch));
            for (int id : mv.buttons) {
                Caption cap = ParseCaption(EncodeUtf8(ButtonName(id)));
                if (cap.mnemonic >= 0 &&
                    std::towlower(
                        static_cast<wint_t>(cap.text[static_cast<size_t>(cap.mnemonic)])) == want) {
                    return id;
                }
            }
            beep();
            return 0;
        }
        if (ev.type == Event::Type::Mouse &&
            (ev.mouse.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED))) {
            if (ev.mouse.y == mv.buttonRow) {
                for (size_t i = 0; i < mv.buttons.size(); ++i) {
                    int width = Cells(Plain(ButtonName(mv.buttons[i]))) + 4;
                    if (ev.mouse.x >= mv.buttonCols[i] && ev.mouse.x < mv.buttonCols[i] + width) {
                        return mv.buttons[i];
                    }
                }
            }
        }
        return 0;
    }

    std::map<HWND, View> views_;
    std::vector<MessageView*> boxes_;
    std::map<HWND, ListState> lists_;
    std::map<HWND, int> edits_;  // cursor positions, in characters
    int cursorRow_ = -1, cursorCol_ = -1;
};

}  // namespace

}  // namespace ovtb::ui::tty

extern "C" __attribute__((visibility("default"))) ovtb::ui::Renderer* ovtb_ui_create_renderer(
    int abiVersion) {
    if (abiVersion != ovtb::ui::kRendererAbiVersion) {
        return nullptr;
    }
    return new ovtb::ui::tty::TtyRenderer();
}
