// GDI: system colours, brushes and fonts, the HDC table and the drawing calls over
// DeviceContext, and the recording DC of the headless renderer.
#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/ui/device_context.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;

namespace {

struct GdiObject {
    enum class Kind { Brush, Font } kind;
    COLORREF colour = 0;
    FontSpec font;
    bool stock = false;
};

std::map<HGDIOBJ, GdiObject>& Objects() {
    static std::map<HGDIOBJ, GdiObject> objects;
    return objects;
}

HGDIOBJ NewObject(GdiObject object) {
    static ULONG_PTR next = 0x9000;
    auto h = reinterpret_cast<HGDIOBJ>(next += 4);
    Objects()[h] = std::move(object);
    return h;
}

std::map<HDC, DeviceContext*>& Contexts() {
    static std::map<HDC, DeviceContext*> contexts;
    return contexts;
}

// The classic colour scheme.
constexpr COLORREF kSysColors[] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
};

std::string_view Slice(LPCSTR text, int length) {
    if (!text) {
        return {};
    }
    return length < 0 ? std::string_view(text)
                      : std::string_view(text, static_cast<size_t>(length));
}

}  // namespace

namespace ovtb::ui {

DeviceContext::~DeviceContext() = default;

HDC AttachDC(DeviceContext* dc) {
    static ULONG_PTR next = 0xD000;
    auto h = reinterpret_cast<HDC>(next += 4);
    Contexts()[h] = dc;
    return h;
}

void DetachDC(HDC dc) {
    Contexts().erase(dc);
}

DeviceContext* DeviceContextOf(HDC dc) {
    auto it = Contexts().find(dc);
    return it == Contexts().end() ? nullptr : it->second;
}

SIZE HeadlessTextExtent(std::string_view text) {
    return {static_cast<LONG>(text.size()) * kHeadlessCharWidth, kHeadlessLineHeight};
}

RecordingDC::RecordingDC() : hdc_(AttachDC(this)) {}
RecordingDC::~RecordingDC() {
    DetachDC(hdc_);
}

void RecordingDC::Fill(const RECT& rect, COLORREF colour) {
    calls.push_back({DrawCall::Op::Fill, rect, {}, 0, 0, 0, colour, textColor, bkColor, font});
}
void RecordingDC::FocusRect(const RECT& rect) {
    calls.push_back({DrawCall::Op::FocusRect, rect, {}, 0, 0, 0, 0, textColor, bkColor, font});
}
void RecordingDC::Text(std::string_view text, const RECT& rect, UINT format) {
    calls.push_back(
        {DrawCall::Op::Text, rect, std::string(text), format, 0, 0, 0, textColor, bkColor, font});
}
void RecordingDC::TextAt(int x, int y, UINT options, const RECT* rect, std::string_view text) {
    calls.push_back({DrawCall::Op::TextAt, rect ? *rect : RECT{}, std::string(text), options, x, y,
                     0, textColor, bkColor, font});
}
void RecordingDC::Icon(int x, int y, int iconId) {
    calls.push_back(
        {DrawCall::Op::Icon, {}, {}, static_cast<UINT>(iconId), x, y, 0, textColor, bkColor, font});
}
SIZE RecordingDC::Measure(std::string_view text) {
    return HeadlessTextExtent(text);
}

std::vector<std::string> RecordingDC::Texts() const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
        if (c.op == DrawCall::Op::Text || c.op == DrawCall::Op::TextAt) {
            out.push_back(c.text);
        }
    }
    return out;
}

}  // namespace ovtb::ui

namespace ovtb::ui::detail {

HFONT FontHandle(const FontSpec& font) {
    for (auto& [h, o] : Objects()) {
        if (o.kind == GdiObject::Kind::Font && o.stock && o.font == font) {
            return h;
        }
    }
    GdiObject o{GdiObject::Kind::Font, 0, font, true};
    return NewObject(std::move(o));
}

const FontSpec* FontOf(HFONT font) {
    auto it = Objects().find(font);
    if (it == Objects().end() || it->second.kind != GdiObject::Kind::Font) {
        return nullptr;
    }
    return &it->second.font;
}

}  // namespace ovtb::ui::detail

DWORD GetSysColor(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kSysColors))) {
        return 0;
    }
    return kSysColors[index];
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    return NewObject({GdiObject::Kind::Brush, colour, {}, false});
}

HBRUSH GetSysColorBrush(int index) {
    static std::map<int, HBRUSH> brushes;
    auto& b = brushes[index];
    if (!b) {
        b = NewObject({GdiObject::Kind::Brush, GetSysColor(index), {}, true});
    }
    return b;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto it = Objects().find(object);
    if (it == Objects().end()) {
        return FALSE;
    }
    if (!it->second.stock) {
        Objects().erase(it);
    }
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d) {
        return nullptr;
    }
    const FontSpec* font = detail::FontOf(object);
    if (!font) {
        return Objects().count(object) ? object : nullptr;
    }
    HFONT previous = detail::FontHandle(d->font);
    d->font = *font;
    return previous;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    DeviceContext* d = DeviceContextOf(dc);
    auto it = Objects().find(brush);
    if (!d || !rect || it == Objects().end() || it->second.kind != GdiObject::Kind::Brush) {
        return 0;
    }
    d->Fill(*rect, it->second.colour);
    return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d || !rect) {
        return FALSE;
    }
    d->FocusRect(*rect);
    return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d) {
        return CLR_INVALID;
    }
    return std::exchange(d->textColor, colour);
}

COLORREF GetTextColor(HDC dc) {
    DeviceContext* d = DeviceContextOf(dc);
    return d ? d->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d) {
        return CLR_INVALID;
    }
    return std::exchange(d->bkColor, colour);
}

COLORREF GetBkColor(HDC dc) {
    DeviceContext* d = DeviceContextOf(dc);
    return d ? d->bkColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    return std::exchange(d->bkMode, mode);
}

int GetBkMode(HDC dc) {
    DeviceContext* d = DeviceContextOf(dc);
    return d ? d->bkMode : 0;
}

int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d || !rect) {
        return 0;
    }
    std::string_view s = Slice(text, length);
    SIZE extent = d->Measure(s);
    if (format & DT_CALCRECT) {
        rect->right = rect->left + extent.cx;
        rect->bottom = rect->top + extent.cy;
        return extent.cy;
    }
    d->Text(s, *rect, format);
    return extent.cy;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length,
                 const INT*) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d) {
        return FALSE;
    }
    d->TextAt(x, y, options, rect, text ? std::string_view(text, length) : std::string_view());
    return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(std::max(length, 0)), nullptr);
}

BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int length, LPSIZE size) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d || !size || length < 0 || (!text && length > 0)) {
        return FALSE;
    }
    *size =
        d->Measure(text ? std::string_view(text, static_cast<size_t>(length)) : std::string_view());
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size) {
    return GetTextExtentPointA(dc, text, length, size);
}
