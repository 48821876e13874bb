// The drawing subset (gdi32 and the user32 text and rectangle helpers) that owner-drawn rows use.
// An HDC is a drawing surface supplied by the renderer: the headless renderer records every call
// with deterministic font metrics, the Qt renderer paints (platform/ui/device_context.h).
//
// Error contract: a call on a null or unknown HDC returns 0/FALSE (CLR_INVALID for the colour
// setters) and draws nothing.
#pragma once

#include "platform/ui/winuser.h"

using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;

// System colours (the classic scheme; GetSysColor).
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
// Returns 0 for an index outside the table.
DWORD GetSysColor(int index);

// Brushes and objects. A solid brush lives until DeleteObject; FillRect does not take it over.
HBRUSH CreateSolidBrush(COLORREF colour);
HBRUSH GetSysColorBrush(int index);
BOOL DeleteObject(HGDIOBJ object);
// Selecting a font returns the previous font; other objects are accepted and returned as is.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DrawFocusRect(HDC dc, const RECT* rect);

// Colours and background mode; the setters return the previous value.
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF GetBkColor(HDC dc);
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);

// DrawText flags.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Draws the text (length -1: up to its zero) in the rectangle; returns the text's height, or 0
// on failure. With DT_CALCRECT it only measures, setting the rectangle's right and bottom.
int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format);

// ExtTextOut options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length,
                 const INT* dx);
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);

// Measures the text in the DC's current font; FALSE for a null size pointer or an unknown DC.
BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int length, LPSIZE size);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size);
