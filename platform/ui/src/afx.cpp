#include "platform/ui/afx.h"

#include <cstdio>
#include <map>
#include <vector>

#include "platform/ui/src/state.h"

namespace {

struct AfxState {
    std::map<HWND, CWnd*> permanent;
    std::map<HWND, std::unique_ptr<CWnd>> temporary;
    bool hooked = false;
    CWinApp* app = nullptr;
    HINSTANCE resources = nullptr;
};

AfxState& A() {
    static AfxState state;
    return state;
}

void HookDestroy() {
    if (A().hooked) {
        return;
    }
    A().hooked = true;
    ovtb::ui::detail::S().destroyHooks.push_back([](HWND h) {
        auto& a = A();
        if (auto it = a.permanent.find(h); it != a.permanent.end()) {
            it->second->m_hWnd = nullptr;
            a.permanent.erase(it);
        }
        a.temporary.erase(h);
    });
}

struct DataExchangeFailed {};

}  // namespace

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
    if (m_hObject) {
        ::DeleteObject(m_hObject);
    }
    m_hObject = ::CreateSolidBrush(colour);
    return m_hObject != nullptr;
}

CWnd::~CWnd() {
    Detach();
}

CWnd* CWnd::FromHandle(HWND window) {
    if (!::IsWindow(window)) {
        return nullptr;
    }
    auto& a = A();
    if (auto it = a.permanent.find(window); it != a.permanent.end()) {
        return it->second;
    }
    HookDestroy();
    auto& temp = a.temporary[window];
    if (!temp) {
        temp = std::make_unique<CWnd>();
        temp->m_hWnd = window;
    }
    return temp.get();
}

BOOL CWnd::Attach(HWND window) {
    if (!::IsWindow(window) || m_hWnd) {
        return FALSE;
    }
    HookDestroy();
    m_hWnd = window;
    A().permanent[window] = this;
    A().temporary.erase(window);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        auto& a = A();
        if (auto it = a.permanent.find(h); it != a.permanent.end() && it->second == this) {
            a.permanent.erase(it);
        }
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent ? Attach(::GetDlgItem(parent->m_hWnd, static_cast<int>(id))) : FALSE;
}

CWnd* CWnd::GetDlgItem(int id) const {
    return FromHandle(::GetDlgItem(m_hWnd, id));
}
CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}

std::string CWnd::GetWindowText() const {
    int n = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    int got = ::GetWindowTextA(m_hWnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(got));
    return text;
}

CMenu* CWnd::GetSystemMenu(BOOL revert) {
    HMENU menu = ::GetSystemMenu(m_hWnd, revert);
    if (!menu) {
        return nullptr;
    }
    systemMenu_ = std::make_unique<CMenu>(menu);
    return systemMenu_.get();
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    std::string title = caption ? caption : (AfxGetApp() ? AfxGetApp()->m_pszAppName : "");
    return ::MessageBoxA(m_hWnd, text, title.c_str(), type);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

// ---- CListCtrl

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem) {
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_TEXT;
    col.fmt = format;
    col.pszText = const_cast<char*>(heading ? heading : "");
    if (width != -1) {
        col.mask |= LVCF_WIDTH;
        col.cx = width;
    }
    if (subItem != -1) {
        col.mask |= LVCF_SUBITEM;
        col.iSubItem = subItem;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                                        reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int index, const char* text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

ULONG_PTR CListCtrl::GetItemData(int index) const {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return GetItem(&item) ? static_cast<ULONG_PTR>(item.lParam) : 0;
}

BOOL CListCtrl::SetItemData(int index, ULONG_PTR data) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::GetItemRect(int index, RECT* rect, UINT code) const {
    if (!rect) {
        return FALSE;
    }
    rect->left = static_cast<LONG>(code);
    return static_cast<BOOL>(
        SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
}

void CListCtrl::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CListCtrl::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_DRAWITEM) {
        return FALSE;
    }
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (result) {
        *result = TRUE;
    }
    return TRUE;
}

// ---- data exchange

void CDataExchange::Fail() {
    throw DataExchangeFailed{};
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!control.m_hWnd) {
        control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
    }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = CWnd::FromHandle(h) ? CWnd::FromHandle(h)->GetWindowText() : std::string();
    } else {
        ::SetWindowTextA(h, value.c_str());
    }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        index = static_cast<int>(::SendMessageA(h, CB_GETCURSEL, 0, 0));
    } else {
        ::SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(h, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageA(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int count) {
    if (!dx->m_bSaveAndValidate) {
        ::SendMessageA(dx->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(count), 0);
        return;
    }
    if (static_cast<int>(value.size()) > count) {
        char text[64];
        std::snprintf(text, sizeof text, "Enter no more than %d characters.", count);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        dx->Fail();
    }
}

// ---- CDialog

INT_PTR CALLBACK AfxDialogProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog) {
            return FALSE;
        }
        dialog->Attach(h);
        return dialog->OnInitDialog();
    }
    auto it = A().permanent.find(h);
    auto* dialog = it == A().permanent.end() ? nullptr : dynamic_cast<CDialog*>(it->second);
    return dialog ? dialog->Dispatch(message, wParam, lParam) : FALSE;
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_pParentWnd(parent), templateId_(templateId) {}
CDialog::CDialog(const ovtb::ui::DialogTemplate* dialogTemplate, CWnd* parent)
    : m_pParentWnd(parent), template_(dialogTemplate) {}
CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (template_) {
        return ::DialogBoxIndirectParamA(AfxGetResourceHandle(), template_, owner, AfxDialogProc,
                                         reinterpret_cast<LPARAM>(this));
    }
    return ::DialogBoxParamA(AfxGetResourceHandle(),
                             MAKEINTRESOURCEA(static_cast<WORD>(templateId_)), owner, AfxDialogProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL save) {
    CDataExchange dx(this, save);
    try {
        DoDataExchange(&dx);
    } catch (const DataExchangeFailed&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CDialog::OnNotify(WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}
BOOL CDialog::OnSysCommand(UINT, LPARAM) {
    return FALSE;
}
BOOL CDialog::OnPaint() {
    return FALSE;
}
HICON CDialog::OnQueryDragIcon() {
    return nullptr;
}
INT_PTR CDialog::WindowProc(UINT, WPARAM, LPARAM) {
    return FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (OnNotify(wParam, lParam, &result)) {
                ::SetWindowLongPtrA(m_hWnd, DWL_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
        case WM_DRAWITEM: {
            auto* draw = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
            auto it = draw ? A().permanent.find(draw->hwndItem) : A().permanent.end();
            LRESULT result = 0;
            if (it != A().permanent.end() &&
                it->second->OnChildNotify(message, wParam, lParam, &result)) {
                return TRUE;
            }
            return WindowProc(message, wParam, lParam);
        }
        case WM_SYSCOMMAND:
            return OnSysCommand(static_cast<UINT>(wParam), lParam);
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return WindowProc(message, wParam, lParam);
    }
}

// ---- application

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName ? appName : "") {
    A().app = this;
}
CWinApp::~CWinApp() {
    if (A().app == this) {
        A().app = nullptr;
    }
}

CWinApp* AfxGetApp() {
    return A().app;
}
HINSTANCE AfxGetInstanceHandle() {
    return A().app ? A().app->m_hInstance : A().resources;
}
HINSTANCE AfxGetResourceHandle() {
    return A().resources;
}
void AfxSetResourceHandle(HINSTANCE instance) {
    A().resources = instance;
}

int AfxMessageBox(const char* text, UINT type, UINT) {
    std::string caption = A().app ? A().app->m_pszAppName : "";
    HWND owner = A().app && A().app->m_pMainWnd ? A().app->m_pMainWnd->m_hWnd : nullptr;
    return ::MessageBoxA(owner, text, caption.c_str(), type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
    char text[1024];
    ::LoadStringA(AfxGetResourceHandle(), stringId, text, sizeof text);
    return AfxMessageBox(text, type, helpId);
}

int AfxWinMain(CWinApp& app, const std::string& commandLine) {
    if (!app.m_hInstance) {
        app.m_hInstance = AfxGetResourceHandle();
    }
    app.m_lpCmdLine = commandLine;
    if (app.m_pszAppName.empty()) {
        char title[256];
        if (::LoadStringA(AfxGetResourceHandle(), AFX_IDS_APP_TITLE, title, sizeof title) > 0) {
            app.m_pszAppName = title;
        }
    }
    if (!app.InitInstance()) {
        return app.ExitInstance();
    }
    return app.Run();
}
