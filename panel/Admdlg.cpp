#include "panel/Admdlg.h"

#include <algorithm>
#include <array>

#include "catalog/board_catalog.h"
#include "panel/config_check.h"
#include "panel/resource.h"
#include "panel/row_painters.h"
#include "panel/settings_store.h"
#include "panel/string_table.h"
#include "platform/ui/wingdi.h"

namespace ovtb::panel {

namespace {

// The year of the About box's notice line.
constexpr const char* kNoticeYear = "2000";

}  // namespace

bool LoadBrandNames(DWORD productId, std::string* shortName, std::string* longName) {
    shortName->clear();
    longName->clear();
    if (productId >= PanelBrands.size()) {
        return false;
    }
    *shortName = LoadPanelString(PanelBrands[productId].shortNameId);
    *longName = LoadPanelString(PanelBrands[productId].longNameId);
    return true;
}

std::string PanelTitle(const std::string& shortBrand) {
    return shortBrand + FAMILY_NAME_TEXT + LoadPanelString(AFX_IDS_APP_TITLE);
}

// ---- AboutDialog ----

AboutDialog::AboutDialog(CWnd* parent, DWORD productId) : CDialog(IDD_ABOUTBOX, parent) {
    std::string shortName, longName;
    if (!LoadBrandNames(productId, &shortName, &longName)) {
        PanelMessageBox(nullptr, MISSING_COMPANY_TEXT, MB_OK | MB_ICONEXCLAMATION);
    }
    m_title = PanelTitle(shortName);
    m_notice = std::string("Copyright (C) ") + kNoticeYear + " " + longName;
}

BOOL AboutDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemTextA(GetSafeHwnd(), IDC_ABOUT_TITLE, m_title.c_str());
    SetDlgItemTextA(GetSafeHwnd(), IDC_ABOUT_NOTICE, m_notice.c_str());
    return TRUE;
}

// ---- BoardListDialog ----

BoardListDialog::BoardListDialog(const catalog::BoardSettingBlock& isaBlock,
                                 const catalog::BoardSettingBlock& pciBlock,
                                 const catalog::BoardSettingBlock& offeredBlock, CWnd* parent,
                                 DWORD productId)
    : CDialog(IDD_BOARD_LIST, parent),
      m_isaBlock(isaBlock),
      m_pciBlock(pciBlock),
      m_offeredBlock(offeredBlock) {
    m_boardList.SetRowPainter(PaintBoardRow);
    m_icon = LoadIconA(PanelInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    std::string longName;
    if (!LoadBrandNames(productId, &m_brandName, &longName)) {
        PanelMessageBox(nullptr, MISSING_BRAND_TEXT, MB_OK | MB_ICONEXCLAMATION);
    }
}

BoardListDialog::~BoardListDialog() {
    DeleteBoards();
}

void BoardListDialog::DeleteBoards() {
    m_configuredBoards.clear();
    m_offeredBoards.clear();
}

void BoardListDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_BOARD_LIST, m_boardList);
}

void BoardListDialog::EnableButton(int id, bool enable) {
    ::EnableWindow(::GetDlgItem(GetSafeHwnd(), id), enable ? TRUE : FALSE);
}

void BoardListDialog::FocusButton(int id) {
    ::SetFocus(::GetDlgItem(GetSafeHwnd(), id));
}

void BoardListDialog::DropOfferedMatch(const BoardConfig& configured) {
    auto match = std::find_if(m_offeredBoards.begin(), m_offeredBoards.end(),
                              [&](const std::unique_ptr<BoardConfig>& offered) {
                                  return offered->typeCode == configured.typeCode &&
                                         offered->pciBus == configured.pciBus &&
                                         offered->pciDevice == configured.pciDevice;
                              });
    if (match != m_offeredBoards.end()) {
        m_offeredBoards.erase(match);
    }
}

BOOL BoardListDialog::OnInitDialog() {
    SetWindowTextA(GetSafeHwnd(), PanelTitle(m_brandName).c_str());

    for (std::size_t i = 0; i < m_offeredBlock.ValidCount(); ++i) {
        auto board = std::make_unique<BoardConfig>();
        board->LoadFromBlock(m_offeredBlock, i);
        m_offeredBoards.push_back(std::move(board));
    }
    for (std::size_t i = 0; i < m_isaBlock.ValidCount(); ++i) {
        if (m_configuredBoards.size() >= catalog::MAX_BOARDS) {
            break;
        }
        auto board = std::make_unique<BoardConfig>();
        board->LoadFromBlock(m_isaBlock, i);
        m_configuredBoards.push_back(std::move(board));
    }
    for (std::size_t i = 0; i < m_pciBlock.ValidCount(); ++i) {
        if (m_configuredBoards.size() >= catalog::MAX_BOARDS) {
            break;
        }
        auto board = std::make_unique<BoardConfig>();
        board->LoadFromBlock(m_pciBlock, i);
        DropOfferedMatch(*board);
        m_configuredBoards.push_back(std::move(board));
    }

    // Binds control 1000 to the board list.
    CDialog::OnInitDialog();

    InitBoardColumns();
    FillBoardList();

    if (m_configuredBoards.size() >= catalog::MAX_BOARDS) {
        EnableButton(IDC_ADD, false);
    }
    if (m_configuredBoards.empty()) {
        EnableButton(IDC_REMOVE, false);
    }

    std::string aboutItem = LoadPanelString(IDS_ABOUTBOX);
    if (!aboutItem.empty()) {
        HMENU menu = ::GetSystemMenu(GetSafeHwnd(), FALSE);
        if (menu) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, ABOUT_COMMAND_ID, aboutItem.c_str());
        }
    }
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    return TRUE;
}

void BoardListDialog::InitBoardColumns() {
    static const char* const kColumns[] = {
        "Board Type             ", "I/O address", "INT vector", "IRQ", "Bus", "Dev", "COM Number",
    };
    for (int c = 0; c < 7; ++c) {
        m_boardList.InsertColumn(c, kColumns[c], LVCFMT_LEFT);
    }
    for (int c = 0; c < 7; ++c) {
        m_boardList.SetColumnWidth(c, LVSCW_AUTOSIZE_USEHEADER);
    }
}

void BoardListDialog::FillBoardList() {
    m_boardList.DeleteAllItems();
    for (const auto& board : m_configuredBoards) {
        m_boardList.AddRow(board.get());
    }
    m_boardList.SelectRow(0);
}

void BoardListDialog::RebuildOfferedBoards() {
    m_offeredBoards.clear();
    for (std::size_t i = 0; i < m_offeredBlock.ValidCount(); ++i) {
        auto board = std::make_unique<BoardConfig>();
        board->LoadFromBlock(m_offeredBlock, i);
        m_offeredBoards.push_back(std::move(board));
    }
    for (const auto& configured : m_configuredBoards) {
        if (configured->busKind == catalog::BUS_PCI) {
            DropOfferedMatch(*configured);
        }
    }
}

void BoardListDialog::OnAdd() {
    // Add is disabled with four boards; a list never holds more.
    if (m_configuredBoards.size() >= catalog::MAX_BOARDS) {
        return;
    }
    auto board = std::make_unique<BoardConfig>();
    if (!m_offeredBoards.empty()) {
        board->CopyFrom(*m_offeredBoards.front());
    }
    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Add, *board, m_offeredBoards, this);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    BoardConfig* added = board.get();
    m_configuredBoards.push_back(std::move(board));
    dialog.GetResult(*added);
    m_boardList.AddRow(added);
    m_boardList.SelectRow(static_cast<int>(m_configuredBoards.size()) - 1);
    RebuildOfferedBoards();
    EnableButton(IDC_REMOVE, true);
    EnableButton(IDC_PROPERTY, true);
    if (m_configuredBoards.size() >= catalog::MAX_BOARDS) {
        FocusButton(IDC_REMOVE);
        EnableButton(IDC_ADD, false);
    } else {
        EnableButton(IDC_ADD, true);
    }
}

void BoardListDialog::OnRemove() {
    if (PanelMessageBox(GetSafeHwnd(), REMOVE_BOARD_QUESTION, MB_YESNO | MB_ICONQUESTION) !=
        IDYES) {
        return;
    }
    const int row = m_boardList.GetSelectedRow();
    if (row >= 0 && row < static_cast<int>(m_configuredBoards.size())) {
        m_boardList.DeleteItem(row);
        auto board = std::move(m_configuredBoards[static_cast<std::size_t>(row)]);
        m_configuredBoards.erase(m_configuredBoards.begin() + row);
        // A removed PCI board is offered again, with the settings it had.
        if (board->busKind == catalog::BUS_PCI) {
            m_offeredBoards.push_back(std::move(board));
        }
    }
    const int n = static_cast<int>(m_configuredBoards.size());
    if (n < static_cast<int>(catalog::MAX_BOARDS)) {
        EnableButton(IDC_ADD, true);
    }
    if (n == 0) {
        FocusButton(IDC_ADD);
        EnableButton(IDC_REMOVE, false);
        EnableButton(IDC_PROPERTY, false);
    } else {
        EnableButton(IDC_REMOVE, true);
        EnableButton(IDC_PROPERTY, true);
    }
    m_boardList.SelectRow(n - 1);
}

void BoardListDialog::OnProperty() {
    const int row = m_boardList.GetSelectedRow();
    if (row < 0 || row >= static_cast<int>(m_configuredBoards.size())) {
        return;
    }
    BoardConfig* board = m_configuredBoards[static_cast<std::size_t>(row)].get();
    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Edit, *board, m_offeredBoards, this);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    dialog.GetResult(*board);
    m_boardList.DeleteItem(row);
    m_boardList.InsertRow(row, board);
    m_boardList.SelectRow(row);
    RebuildOfferedBoards();
}

void BoardListDialog::OnOK() {
    // The checks, then the save and the registration; a conflict keeps the dialog open.
    if (!SaveOnOk(m_configuredBoards, GetSafeHwnd())) {
        return;
    }
    CDialog::OnOK();
}

BOOL BoardListDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_ADD:
                OnAdd();
                return TRUE;
            case IDC_REMOVE:
                OnRemove();
                return TRUE;
            case IDC_PROPERTY:
                OnProperty();
                return TRUE;
            default:
                break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL BoardListDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->idFrom == IDC_BOARD_LIST && header->code == NM_DBLCLK) {
        OnProperty();
        *result = 0;
        return TRUE;
    }
    return CDialog::OnNotify(wParam, lParam, result);
}

BOOL BoardListDialog::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == ABOUT_COMMAND_ID) {
        AboutDialog about(this);
        about.DoModal();
        return TRUE;
    }
    return CDialog::OnSysCommand(id, lParam);
}

BOOL BoardListDialog::OnPaint() {
    if (!IsIconic()) {
        return CDialog::OnPaint();
    }
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(GetSafeHwnd(), &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(&client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(GetSafeHwnd(), &paint);
    return TRUE;
}

HICON BoardListDialog::OnQueryDragIcon() {
    return m_icon;
}

void BoardListDialog::OnDestroy() {
    WinHelpA(GetSafeHwnd(), nullptr, HELP_QUIT, 0);
    CDialog::OnDestroy();
    DeleteBoards();
}

}  // namespace ovtb::panel
