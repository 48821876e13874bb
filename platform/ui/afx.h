// A thin class layer for the panel's dialog code, in the manner of the Windows C++ class
// library the panel was written for: an application object, windows, a modal dialog class with
// data exchange, a list control with an owner-draw hook, and a device context wrapper. There are
// no message maps: a dialog overrides the virtual handlers below, and OnCommand / OnNotify see
// the raw WPARAM and LPARAM.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/ui/commctrl.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/wingdi.h"

// The application title's string id, loaded as the application name when none is given.
constexpr UINT AFX_IDS_APP_TITLE = 57344;

class CDC {
  public:
    explicit CDC(HDC dc = nullptr) : m_hDC(dc) {}
    HDC GetSafeHdc() const { return m_hDC; }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    void FillRect(const RECT* rect, HBRUSH brush) { ::FillRect(m_hDC, rect, brush); }
    void DrawFocusRect(const RECT* rect) { ::DrawFocusRect(m_hDC, rect); }
    int DrawText(const std::string& text, RECT* rect, UINT format) {
        return ::DrawTextA(m_hDC, text.c_str(), static_cast<int>(text.size()), rect, format);
    }
    BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const std::string& text) {
        return ::ExtTextOutA(m_hDC, x, y, options, rect, text.c_str(),
                             static_cast<UINT>(text.size()), nullptr);
    }
    SIZE GetTextExtent(const std::string& text) const {
        SIZE size{};
        ::GetTextExtentPointA(m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
        return size;
    }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC;
};

// A solid brush, deleted with the object.
class CBrush {
  public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) : m_hObject(::CreateSolidBrush(colour)) {}
    ~CBrush() {
        if (m_hObject) {
            ::DeleteObject(m_hObject);
        }
    }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;
    BOOL CreateSolidBrush(COLORREF colour);
    operator HBRUSH() const { return m_hObject; }
    HBRUSH m_hObject = nullptr;
};

class CMenu {
  public:
    explicit CMenu(HMENU menu = nullptr) : m_hMenu(menu) {}
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr) {
        return ::AppendMenuA(m_hMenu, flags, id, text);
    }
    HMENU m_hMenu;
};

class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object attached to the window, or a temporary one that lives as long as the window.
    static CWnd* FromHandle(HWND window);
    BOOL Attach(HWND window);
    HWND Detach();
    // Attaches this object to control `id` of the parent.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    CWnd* GetDlgItem(int id) const;
    CWnd* GetParent() const;
    void SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetWindowText() const;
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CMenu* GetSystemMenu(BOOL revert);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    HICON SetIcon(HICON icon, BOOL big) {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    // A message that a control's parent reflects to it (WM_DRAWITEM); TRUE when handled.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    HWND m_hWnd = nullptr;

  private:
    std::unique_ptr<CMenu> systemMenu_;
};

class CListCtrl : public CWnd {
  public:
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1,
                     int subItem = -1);
    BOOL SetColumnWidth(int column, int width) {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                                             MAKELPARAM(static_cast<WORD>(width), 0)));
    }
    int GetColumnWidth(int column) const {
        return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    }
    BOOL GetColumn(int column, LVCOLUMNA* col) const {
        return static_cast<BOOL>(SendMessage(LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                                             reinterpret_cast<LPARAM>(col)));
    }
    int InsertItem(const LVITEMA* item) {
        return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(item)));
    }
    int InsertItem(int index, const char* text);
    BOOL DeleteItem(int index) {
        return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index)));
    }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start),
                                            MAKELPARAM(static_cast<WORD>(flags), 0)));
    }
    BOOL SetItemState(int index, UINT state, UINT mask);
    BOOL GetItem(LVITEMA* item) const {
        return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)));
    }
    ULONG_PTR GetItemData(int index) const;
    BOOL SetItemData(int index, ULONG_PTR data);
    BOOL GetItemRect(int index, RECT* rect, UINT code) const;
    int GetStringWidth(const char* text) const {
        return static_cast<int>(
            SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
    }
    BOOL RedrawItems(int first, int last) {
        return static_cast<BOOL>(SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last));
    }

    // The owner-draw hook: called for each row to be painted (WM_DRAWITEM reflected by the
    // dialog). Does nothing unless overridden.
    virtual void DrawItem(LPDRAWITEMSTRUCT draw);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CDataExchange {
  public:
    CDataExchange(CWnd* dialog, BOOL save) : m_bSaveAndValidate(save), m_pDlgWnd(dialog) {}
    HWND PrepareCtrl(int id) {
        m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
        return m_hWndLastControl;
    }
    // Ends the exchange: UpdateData returns FALSE.
    [[noreturn]] void Fail();
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, std::string& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_Check(CDataExchange* dx, int id, int& value);
// After DDX_Text: loading limits that field to `count` characters; saving fails (with a message) on
// a longer text.
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int count);

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CDialog(const ovtb::ui::DialogTemplate* dialogTemplate, CWnd* parent = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();  // UpdateData(FALSE); TRUE (the focus goes to the first control)
    virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();      // EndDialog(IDCANCEL)
    virtual void DoDataExchange(CDataExchange* dx) { (void)dx; }
    BOOL UpdateData(BOOL save = TRUE);
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

    // Handlers; TRUE when handled. OnCommand's default sends IDOK to OnOK and IDCANCEL to
    // OnCancel. OnNotify sets *result, which becomes DWL_MSGRESULT.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual BOOL OnSysCommand(UINT id, LPARAM lParam);
    virtual BOOL OnPaint();
    virtual HICON OnQueryDragIcon();
    virtual void OnDestroy() {}
    // Any other message.
    virtual INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    CWnd* m_pParentWnd;

  private:
    friend INT_PTR CALLBACK AfxDialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    UINT templateId_ = 0;
    const ovtb::ui::DialogTemplate* template_ = nullptr;
};

class CWinApp {
  public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // No message loop of its own: modal dialogs run their own. Returns ExitInstance().
    virtual int Run() { return ExitInstance(); }
    void Enable3dControls() {}

    HINSTANCE m_hInstance = nullptr;
    std::string m_pszAppName;
    std::string m_lpCmdLine;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);
// A message box captioned with the application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = 0);
// Runs the application: sets its instance (the resource handle) and command line, takes the
// application name from string AFX_IDS_APP_TITLE when none was given, then InitInstance; FALSE
// ends with ExitInstance(), TRUE with Run().
int AfxWinMain(CWinApp& app, const std::string& commandLine);
