// The comctl32 subset: report-view list views and property sheets.
#pragma once

#include "platform/ui/winuser.h"

void InitCommonControls();

// Notifications (WM_NOTIFY: wParam is the control id, lParam an NMHDR or a larger record that
// begins with one).
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;
constexpr UINT NM_FIRST = 0u;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;

// List view styles.
constexpr DWORD LVS_ICON = 0x0000;
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_TYPEMASK = 0x0003;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_NOLABELWRAP = 0x0080;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;

// List view messages.
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_GETITEMA = LVM_FIRST + 5;
constexpr UINT LVM_SETITEMA = LVM_FIRST + 6;
constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
constexpr UINT LVM_GETSTRINGWIDTHA = LVM_FIRST + 17;
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_REDRAWITEMS = LVM_FIRST + 21;
constexpr UINT LVM_GETCOLUMNA = LVM_FIRST + 25;
constexpr UINT LVM_SETCOLUMNA = LVM_FIRST + 26;
constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27;
constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;
constexpr UINT LVM_SETITEMTEXTA = LVM_FIRST + 46;
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
constexpr UINT LVM_GETSUBITEMRECT = LVM_FIRST + 56;

// Item masks and states.
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIS_CUT = 0x0004;
constexpr UINT LVIS_DROPHILITED = 0x0008;
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr int LVIR_BOUNDS = 0;
constexpr int LVIR_LABEL = 2;

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
using LPLVITEMA = LVITEMA*;

// Columns.
constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVCF_SUBITEM = 0x0008;
constexpr int LVCFMT_LEFT = 0x0000;
constexpr int LVCFMT_RIGHT = 0x0001;
constexpr int LVCFMT_CENTER = 0x0002;
constexpr int LVCFMT_JUSTIFYMASK = 0x0003;
constexpr int LVSCW_AUTOSIZE = -1;
constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
};
using LPLVCOLUMNA = LVCOLUMNA*;

// List view notifications.
constexpr UINT LVN_FIRST = 0u - 100u;
constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0;
constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
constexpr UINT LVN_KEYDOWN = LVN_FIRST - 55;
constexpr UINT LVIF_DI_SETITEM = 0x1000;

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};

// Property sheets.
struct HPROPSHEETPAGE__;
using HPROPSHEETPAGE = HPROPSHEETPAGE__*;
struct PROPSHEETPAGEA;
using LPFNPSPCALLBACKA = UINT(CALLBACK*)(HWND, UINT, PROPSHEETPAGEA*);
using LPFNADDPROPSHEETPAGE = BOOL(CALLBACK*)(HPROPSHEETPAGE, LPARAM);

constexpr DWORD PSP_DEFAULT = 0x0000;
constexpr DWORD PSP_DLGINDIRECT = 0x0001;
constexpr DWORD PSP_USETITLE = 0x0008;
constexpr DWORD PSP_USECALLBACK = 0x0080;
constexpr UINT PSPCB_RELEASE = 1;
constexpr UINT PSPCB_CREATE = 2;

struct PROPSHEETPAGEA {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCSTR pszTemplate;
        LPCDLGTEMPLATEA pResource;
    };
    union {
        HICON hIcon;
        LPCSTR pszIcon;
    };
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
    LPCSTR pszHeaderTitle;
    LPCSTR pszHeaderSubTitle;
};
using LPCPROPSHEETPAGEA = const PROPSHEETPAGEA*;
// dwSize names the version of the record, by its size in the 32-bit layout that the
// deliverables were written for: 40 without the header title fields, 48 with them. The sizes
// of this build's layout (offsetof(PROPSHEETPAGEA, pszHeaderTitle), sizeof(PROPSHEETPAGEA))
// are taken as the same versions. A smaller dwSize is refused.
constexpr DWORD PROPSHEETPAGEA_V1_SIZE = 40;
constexpr DWORD PROPSHEETPAGEA_V2_SIZE = 48;

constexpr DWORD PSH_DEFAULT = 0x0000;
constexpr DWORD PSH_PROPTITLE = 0x0001;
constexpr DWORD PSH_NOAPPLYNOW = 0x0080;

struct PROPSHEETHEADERA {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    HICON hIcon;
    LPCSTR pszCaption;
    UINT nPages;
    UINT nStartPage;
    HPROPSHEETPAGE* phpage;
};

// Property sheet notifications (WM_NOTIFY to each page) and results (DWL_MSGRESULT).
constexpr UINT PSN_FIRST = 0u - 200u;
constexpr UINT PSN_SETACTIVE = PSN_FIRST - 0;
constexpr UINT PSN_KILLACTIVE = PSN_FIRST - 1;
constexpr UINT PSN_APPLY = PSN_FIRST - 2;
constexpr UINT PSN_RESET = PSN_FIRST - 3;
constexpr LONG PSNRET_NOERROR = 0;
constexpr LONG PSNRET_INVALID = 1;
constexpr LONG PSNRET_INVALID_NOCHANGEPAGE = 2;
struct PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
};

// Sheet messages and the ids of its own buttons.
constexpr UINT PSM_SETCURSEL = WM_USER + 101;
constexpr UINT PSM_CHANGED = WM_USER + 104;
constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
constexpr int ID_PSAPPLY = 0x3021;

// Copies the description; the page's window is created when the sheet first shows it. Returns
// nullptr for a null description, a dwSize below PROPSHEETPAGEA_V1_SIZE or a missing template.
// The header title fields are read only when dwSize says the record has them.
HPROPSHEETPAGE CreatePropertySheetPageA(LPCPROPSHEETPAGEA page);
// Destroys a page that was not handed to a sheet (a sheet destroys its own pages).
BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
// Runs the sheet modally. Returns 1 after OK (or Apply then close), 0 after Cancel, -1 on error.
INT_PTR PropertySheetA(const PROPSHEETHEADERA* header);
