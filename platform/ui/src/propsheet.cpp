// Property sheets: pages described by PROPSHEETPAGEA, a sheet window with OK, Cancel and Apply,
// and the page notifications PSN_SETACTIVE, PSN_KILLACTIVE, PSN_APPLY and PSN_RESET.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>

#include "platform/ui/script.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;
using namespace ovtb::ui::detail;

namespace {

struct PageRecord {
    PROPSHEETPAGEA desc{};
    const DialogTemplate* tmpl = nullptr;
    bool inSheet = false;
};

std::map<HPROPSHEETPAGE, std::unique_ptr<PageRecord>>& Pages() {
    static std::map<HPROPSHEETPAGE, std::unique_ptr<PageRecord>> pages;
    return pages;
}

// The page records of each open sheet, by sheet window.
std::map<HWND, std::vector<PageRecord*>>& SheetPages() {
    static std::map<HWND, std::vector<PageRecord*>> sheets;
    return sheets;
}

void Release(HPROPSHEETPAGE page) {
    auto it = Pages().find(page);
    if (it == Pages().end()) {
        return;
    }
    PageRecord& r = *it->second;
    if ((r.desc.dwFlags & PSP_USECALLBACK) && r.desc.pfnCallback) {
        r.desc.pfnCallback(nullptr, PSPCB_RELEASE, &r.desc);
    }
    Pages().erase(it);
}

LRESULT NotifyPage(HWND page, UINT code) {
    Window* p = Mut(page);
    if (!p) {
        return 0;
    }
    PSHNOTIFY nm{};
    nm.hdr.hwndFrom = p->parent;
    nm.hdr.idFrom = 0;
    nm.hdr.code = code;
    return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
}

HWND CreatePage(Window& sheet, int index) {
    auto& records = SheetPages()[sheet.handle];
    if (index < 0 || index >= static_cast<int>(records.size())) {
        return nullptr;
    }
    if (sheet.pages[index]) {
        return sheet.pages[index];
    }
    PageRecord& r = *records[index];
    if ((r.desc.dwFlags & PSP_USECALLBACK) && r.desc.pfnCallback) {
        r.desc.pfnCallback(nullptr, PSPCB_CREATE, &r.desc);
    }
    HWND sheetHandle = sheet.handle;
    HWND page = CreateDialogFromTemplate(r.desc.hInstance, *r.tmpl, nullptr, sheetHandle,
                                         r.desc.pfnDlgProc);
    Window* p = Mut(page);
    p->style |= WS_CHILD;
    // The page sits below the tabs, inside the sheet's margin.
    Window* s = Mut(sheetHandle);
    int dx = (7 * s->baseUnits.cx + 2) / 4;
    int dy = (7 * s->baseUnits.cy + 4) / 8 + s->baseUnits.cy + 6;
    p->rect = {dx, dy, dx + p->rect.right, dy + p->rect.bottom};
    s->pages[index] = page;
    Notify(*s, Change::Created);
    SendMessageA(page, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&r.desc));
    return page;
}

void Activate(Window& sheet, int index) {
    HWND h = sheet.handle;
    HWND page = CreatePage(sheet, index);
    Window* s = Mut(h);
    if (!page || !s) {
        return;
    }
    for (HWND other : s->pages) {
        if (Window* o = Mut(other)) {
            o->visible = other == page;
            Notify(*o, Change::State);
        }
    }
    s->activePage = index;
    NotifyPage(page, PSN_SETACTIVE);
    if (Window* s2 = Mut(h)) {
        Notify(*s2, Change::State);
    }
}

HWND ActivePage(const Window& sheet) {
    if (sheet.activePage < 0 || sheet.activePage >= static_cast<int>(sheet.pages.size())) {
        return nullptr;
    }
    return sheet.pages[sheet.activePage];
}

// The active page may be left: PSN_KILLACTIVE answered FALSE (DWL_MSGRESULT) by the page.
bool KillActive(Window& sheet) {
    HWND page = ActivePage(sheet);
    return !page || NotifyPage(page, PSN_KILLACTIVE) == 0;
}

bool ApplyAll(HWND sheetHandle) {
    Window* sheet = Mut(sheetHandle);
    if (!sheet) {
        return false;
    }
    std::vector<HWND> pages = sheet->pages;
    for (HWND page : pages) {
        if (Mut(page) && NotifyPage(page, PSN_APPLY) != PSNRET_NOERROR) {
            return false;
        }
    }
    return true;
}

void EndSheet(HWND sheetHandle, INT_PTR result) {
    if (Window* s = Mut(sheetHandle)) {
        s->ended = true;
        s->result = result;
        Notify(*s, Change::State);
    }
}

}  // namespace

namespace ovtb::ui::detail {

LRESULT SheetMessage(Window& sheet, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = sheet.handle;
    switch (message) {
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if (HIWORD(wParam) != BN_CLICKED) {
                return 0;
            }
            if (id == IDOK || id == ID_PSAPPLY) {
                if (!KillActive(sheet) || !ApplyAll(h)) {
                    return 0;
                }
                if (Window* s = Mut(h)) {
                    s->user = 1;  // something was applied
                    if (HWND apply = GetDlgItem(h, ID_PSAPPLY)) {
                        EnableWindow(apply, FALSE);
                    }
                }
                if (id == IDOK) {
                    EndSheet(h, 1);
                }
            } else if (id == IDCANCEL) {
                std::vector<HWND> pages = sheet.pages;
                for (HWND page : pages) {
                    NotifyPage(page, PSN_RESET);
                }
                Window* s = Mut(h);
                EndSheet(h, s && s->user ? 1 : 0);
            }
            return 0;
        }
        case PSM_SETCURSEL: {
            int index = static_cast<int>(wParam);
            if (index == sheet.activePage) {
                return TRUE;
            }
            if (index < 0 || index >= static_cast<int>(sheet.pages.size()) || !KillActive(sheet)) {
                return FALSE;
            }
            if (Window* s = Mut(h)) {
                Activate(*s, index);
            }
            return TRUE;
        }
        case PSM_CHANGED:
            if (HWND apply = GetDlgItem(h, ID_PSAPPLY)) {
                EnableWindow(apply, TRUE);
            }
            return 0;
        case PSM_GETCURRENTPAGEHWND:
            return reinterpret_cast<LRESULT>(ActivePage(sheet));
        case WM_CLOSE:
            SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                SendMessageA(h, WM_CLOSE, 0, 0);
            }
            return 0;
        case DM_GETDEFID:
            return MAKELONG(IDOK, DC_HASDEFID);
        case WM_SETTEXT:
            sheet.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            Notify(sheet, Change::Text);
            return TRUE;
        case WM_GETTEXT: {
            auto* buf = reinterpret_cast<char*>(lParam);
            if (!buf || wParam == 0) {
                return 0;
            }
            size_t n = std::min(sheet.text.size(), static_cast<size_t>(wParam - 1));
            sheet.text.copy(buf, n);
            buf[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(sheet.text.size());
        default:
            return 0;
    }
}

}  // namespace ovtb::ui::detail

void InitCommonControls() {}

HPROPSHEETPAGE CreatePropertySheetPageA(LPCPROPSHEETPAGEA page) {
    if (!page || page->dwSize < PROPSHEETPAGEA_V1_SIZE) {
        return nullptr;
    }
    auto r = std::make_unique<PageRecord>();
    // Every version holds the fields up to the header titles; only the later one holds those.
    std::memcpy(&r->desc, page, offsetof(PROPSHEETPAGEA, pszHeaderTitle));
    bool titles = page->dwSize == PROPSHEETPAGEA_V2_SIZE || page->dwSize >= sizeof(PROPSHEETPAGEA);
    if (!titles) {
        r->desc.pszHeaderTitle = nullptr;
        r->desc.pszHeaderSubTitle = nullptr;
    } else {
        r->desc.pszHeaderTitle = page->pszHeaderTitle;
        r->desc.pszHeaderSubTitle = page->pszHeaderSubTitle;
    }
    if (page->dwFlags & PSP_DLGINDIRECT) {
        r->tmpl = page->pResource;
    } else if (IS_INTRESOURCE(page->pszTemplate)) {
        r->tmpl = FindDialogTemplate(
            page->hInstance, static_cast<int>(reinterpret_cast<ULONG_PTR>(page->pszTemplate)));
    }
    if (!r->tmpl) {
        return nullptr;
    }
    static ULONG_PTR next = 0xB000;
    auto handle = reinterpret_cast<HPROPSHEETPAGE>(next += 4);
    Pages()[handle] = std::move(r);
    return handle;
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) {
    auto it = Pages().find(page);
    if (it == Pages().end() || it->second->inSheet) {
        return FALSE;
    }
    Release(page);
    return TRUE;
}

INT_PTR PropertySheetA(const PROPSHEETHEADERA* header) {
    if (!header || !header->phpage || header->nPages == 0) {
        return -1;
    }
    std::vector<HPROPSHEETPAGE> handles;
    std::vector<PageRecord*> records;
    for (UINT i = 0; i < header->nPages; ++i) {
        auto it = Pages().find(header->phpage[i]);
        if (it == Pages().end() || it->second->inSheet) {
            return -1;
        }
        handles.push_back(header->phpage[i]);
        records.push_back(it->second.get());
    }
    Window& sheet = CreateWindowRecord(WindowKind::Sheet, nullptr);
    HWND h = sheet.handle;
    sheet.owner = header->hwndParent;
    std::string caption = header->pszCaption ? header->pszCaption : "";
    sheet.text = (header->dwFlags & PSH_PROPTITLE) ? "Properties for " + caption : caption;
    const DialogTemplate* first = records.front()->tmpl;
    sheet.font = {first->fontName, first->pointSize};
    sheet.baseUnits = ActiveRenderer().BaseUnits(sheet.font);
    int cx = 0, cy = 0;
    for (PageRecord* r : records) {
        r->inSheet = true;
        cx = std::max(cx, r->tmpl->cx);
        cy = std::max(cy, r->tmpl->cy);
    }
    // Margins of 7 units, the tab row, then the buttons below the pages.
    int width = cx + 14;
    int height = cy + 14 + 12 + 21;
    sheet.units = {0, 0, width, height};
    auto mx = [&](int v) { return static_cast<LONG>((v * sheet.baseUnits.cx + 2) / 4); };
    auto my = [&](int v) { return static_cast<LONG>((v * sheet.baseUnits.cy + 4) / 8); };
    sheet.rect = {0, 0, mx(width), my(height) + sheet.baseUnits.cy + 6};
    sheet.pages.assign(records.size(), nullptr);
    SheetPages()[h] = records;

    struct Button {
        int id;
        const char* text;
        bool def;
    };
    std::vector<Button> buttons = {{IDOK, "OK", true}, {IDCANCEL, "Cancel", false}};
    if (!(header->dwFlags & PSH_NOAPPLYNOW)) {
        buttons.push_back({ID_PSAPPLY, "&Apply", false});
    }
    int x = width - 7 - static_cast<int>(buttons.size()) * 54 + 4;
    for (const Button& b : buttons) {
        Window& w = CreateWindowRecord(WindowKind::Button, h);
        w.id = b.id;
        w.text = b.text;
        w.isDefault = b.def;
        w.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (b.def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        w.enabled = b.id != ID_PSAPPLY;
        w.font = Mut(h)->font;
        w.units = {x, height - 21, x + 50, height - 7};
        LONG extra = Mut(h)->baseUnits.cy + 6;
        w.rect = {mx(x), my(height - 21) + extra, mx(x + 50), my(height - 7) + extra};
        x += 54;
    }

    Window* o = Mut(header->hwndParent);
    bool ownerEnabled = o && o->enabled;
    if (ownerEnabled) {
        o->enabled = false;
        Notify(*o, Change::State);
    }
    S().modal.push_back(h);
    struct Cleanup {
        HWND sheet;
        HWND owner;
        bool ownerEnabled;
        std::vector<HPROPSHEETPAGE> handles;
        ~Cleanup() {
            if (Window* s = Mut(sheet)) {
                std::vector<HWND> pages = s->pages;
                for (HWND page : pages) {
                    if (std::uncaught_exceptions() == 0 && Mut(page)) {
                        SendMessageA(page, WM_DESTROY, 0, 0);
                    }
                }
            }
            DestroyWindowRecord(sheet);
            SheetPages().erase(sheet);
            std::erase(S().modal, sheet);
            for (HPROPSHEETPAGE p : handles) {
                Release(p);
            }
            if (Window* o = Mut(owner); o && ownerEnabled) {
                o->enabled = true;
                Notify(*o, Change::State);
            }
        }
    } cleanup{h, header->hwndParent, ownerEnabled, handles};

    int start = header->nStartPage < header->nPages ? static_cast<int>(header->nStartPage) : 0;
    Activate(*Mut(h), start);
    if (Window* s = Mut(h)) {
        S().dialogs.push_back({0, s->text});
    }
    return RunCreatedModal(h);
}
