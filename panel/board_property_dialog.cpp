#include "panel/board_property_dialog.h"

#include <cstdio>

#include "catalog/board_catalog.h"
#include "panel/port_settings_dialog.h"
#include "panel/resource.h"
#include "panel/row_painters.h"

namespace ovtb::panel {

namespace {

// Fields 1006 and 1012 take at most this many characters.
constexpr int kAddressTextLimit = 6;

// The defaults an ISA board gets when it takes over from a PCI board.
constexpr std::uint16_t kIsaIoBase = 0x180;
constexpr std::uint16_t kIsaVectorAddress = 0x1C0;
constexpr std::int32_t kIsaDefaultIrq = 10;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

}  // namespace

BoardPropertyDialog::BoardPropertyDialog(Mode mode, const BoardConfig& board,
                                         const BoardList& offered, CWnd* parent)
    : CDialog(IDD_BOARD_PROPERTY, parent), m_addMode(mode == Mode::Add), m_offered(offered) {
    m_portList.SetRowPainter(PaintPortRow);
    m_board.CopyFrom(board);
}

void BoardPropertyDialog::GetResult(BoardConfig& board) const {
    board.CopyFrom(m_board);
}

void BoardPropertyDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PORT_LIST, m_portList);
    DDX_CBIndex(dx, IDC_BOARD_TYPE, m_boardTypeSelection);
    DDX_CBIndex(dx, IDC_INTERRUPT, m_irqSelection);
    DDX_Check(dx, IDC_VECTOR_CHECK, m_vectorEnabled);
    DDX_Text(dx, IDC_VECTOR, m_vectorText);
    DDV_MaxChars(dx, m_vectorText, kAddressTextLimit);
    DDX_Text(dx, IDC_IO_ADDRESS, m_ioText);
    DDV_MaxChars(dx, m_ioText, kAddressTextLimit);
}

void BoardPropertyDialog::EnableControl(int id, bool enable) {
    ::EnableWindow(::GetDlgItem(GetSafeHwnd(), id), enable ? TRUE : FALSE);
}

void BoardPropertyDialog::RefreshControls() {
    HWND dialog = GetSafeHwnd();
    bool pci = m_board.busKind == catalog::BUS_PCI;
    SendDlgItemMessageA(dialog, IDC_INTERRUPT, CB_RESETCONTENT, 0, 0);
    if (pci) {
        std::string irq = std::to_string(m_board.irq);
        SendDlgItemMessageA(dialog, IDC_INTERRUPT, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(irq.c_str()));
        m_irqSelection = 0;
    } else {
        for (const auto& choice : catalog::IrqChoices) {
            SendDlgItemMessageA(dialog, IDC_INTERRUPT, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(choice.text));
        }
        // An interrupt that is not among the choices keeps the previous selection (none when
        // the dialog opens on such a board).
        if (auto row = catalog::irqChoiceIndex(m_board.irq)) {
            m_irqSelection = *row;
        }
    }
    EnableControl(IDC_INTERRUPT, !pci);

    if (pci) {
        EnableControl(IDC_VECTOR, false);
        EnableControl(IDC_VECTOR_CHECK, false);
        m_vectorText = Hex(m_board.vectorAddress);
        m_vectorEnabled = TRUE;
    } else {
        if (m_board.vectorAddress == 0) {
            EnableControl(IDC_VECTOR, false);
            m_vectorEnabled = FALSE;
        } else {
            EnableControl(IDC_VECTOR, true);
            m_vectorText = Hex(m_board.vectorAddress);
            m_vectorEnabled = TRUE;
        }
        EnableControl(IDC_VECTOR_CHECK, true);
    }
    m_ioText = Hex(m_board.ioAddress[0]);
    EnableControl(IDC_IO_ADDRESS, !pci);
    UpdateData(FALSE);
}

BOOL BoardPropertyDialog::OnInitDialog() {
    // Binds the port list and writes the start values.
    CDialog::OnInitDialog();
    RefreshControls();

    HWND dialog = GetSafeHwnd();
    SendDlgItemMessageA(dialog, IDC_BOARD_TYPE, CB_RESETCONTENT, 0, 0);
    if (m_addMode) {
        for (const auto& offered : m_offered) {
            std::string name = offered->GetDisplayName();
            SendDlgItemMessageA(dialog, IDC_BOARD_TYPE, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(name.c_str()));
        }
        for (const auto& row : catalog::IsaBoardTable) {
            SendDlgItemMessageA(dialog, IDC_BOARD_TYPE, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(row.longName));
        }
    } else {
        std::string name = m_board.GetDisplayName();
        SendDlgItemMessageA(dialog, IDC_BOARD_TYPE, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(name.c_str()));
    }
    m_boardTypeSelection = 0;
    EnableControl(IDC_BOARD_TYPE, m_addMode);
    UpdateData(FALSE);

    static const char* const kColumns[] = {"Port", "COM No.", "Rx FIFO Trig.", "Tx FIFO Size"};
    for (int c = 0; c < 4; ++c) {
        m_portList.InsertColumn(c, kColumns[c], LVCFMT_LEFT);
    }
    for (int c = 0; c < 4; ++c) {
        m_portList.SetColumnWidth(c, LVSCW_AUTOSIZE_USEHEADER);
    }
    FillPortList();
    m_portList.SelectRow(0);
    return TRUE;
}

void BoardPropertyDialog::FillPortList() {
    m_portList.DeleteAllItems();
    for (std::size_t i = 0; i < m_board.PortSlots(); ++i) {
        m_portList.AddRow(&m_board);
    }
}

void BoardPropertyDialog::OnBoardTypeChanged() {
    const std::int32_t oldCount = m_board.portCount;
    const std::int32_t oldBus = m_board.busKind;
    UpdateData(TRUE);
    const int offeredCount = static_cast<int>(m_offered.size());
    const int selection = m_boardTypeSelection;
    if (selection < 0) {
        return;
    }
    if (selection >= offeredCount) {
        const catalog::BoardType* row = catalog::isaBoardAt(selection - offeredCount);
        if (!row) {
            return;
        }
        m_board.busKind = catalog::BUS_ISA;
        m_board.typeCode = static_cast<std::int32_t>(row->typeCode);
        m_board.portCount = row->portCount;
        m_board.irq = kIsaDefaultIrq;
        const std::uint16_t base = oldBus == catalog::BUS_PCI ? kIsaIoBase : m_board.ioAddress[0];
        for (std::size_t i = 0; i < BOARD_PORT_SLOTS; ++i) {
            m_board.ioAddress[i] = static_cast<std::uint16_t>(base + 8 * i);
        }
        if (oldBus == catalog::BUS_PCI) {
            m_board.vectorAddress = kIsaVectorAddress;
        }
    } else {
        m_board = *m_offered[static_cast<std::size_t>(selection)];
    }
    RefreshControls();

    // New ports continue the numbering and take the FIFO settings of the old last port.
    const std::int32_t newCount = m_board.portCount;
    const std::int32_t slots = static_cast<std::int32_t>(BOARD_PORT_SLOTS);
    if (oldCount >= 1 && oldCount <= slots && newCount > oldCount) {
        const std::size_t last = static_cast<std::size_t>(oldCount - 1);
        for (std::int32_t i = oldCount; i < newCount && i < slots; ++i) {
            const auto port = static_cast<std::size_t>(i);
            m_board.comNumber[port] = m_board.comNumber[last] + (i - oldCount + 1);
            m_board.rxTriggerIndex[port] = m_board.rxTriggerIndex[last];
            m_board.txFifoIndex[port] = m_board.txFifoIndex[last];
        }
    }
    FillPortList();
    m_portList.SelectRow(0);
    UpdateData(FALSE);
}

void BoardPropertyDialog::OnVectorCheckChanged() {
    UpdateData(TRUE);
    EnableControl(IDC_VECTOR, m_vectorEnabled != FALSE);
}

void BoardPropertyDialog::OnPortSetting() {
    const int row = m_portList.GetSelectedRow();
    if (row < 0) {
        return;
    }
    PortSettingsDialog dialog(this);
    dialog.Prepare(m_board, row);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    dialog.Apply(m_board, row);
    FillPortList();
    m_portList.SelectRow(row);
    m_portList.SetFocus();
}

BOOL BoardPropertyDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == IDC_BOARD_TYPE && code == CBN_SELCHANGE) {
        OnBoardTypeChanged();
        return TRUE;
    }
    if (id == IDC_VECTOR_CHECK && code == BN_CLICKED) {
        OnVectorCheckChanged();
        return TRUE;
    }
    if (id == IDC_PORT_SETTING && code == BN_CLICKED) {
        OnPortSetting();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL BoardPropertyDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->idFrom == IDC_PORT_LIST) {
        if (header->code == NM_DBLCLK) {
            OnPortSetting();
        }
        EnableControl(IDC_PORT_SETTING, m_portList.GetSelectedRow() >= 0);
    }
    return CDialog::OnNotify(wParam, lParam, result);
}

void BoardPropertyDialog::OnOK() {
    UpdateData(TRUE);
    // A PCI board's resources come from its BIOS and are never taken from the dialog.
    if (m_board.busKind != catalog::BUS_PCI) {
        m_board.vectorAddress = m_vectorEnabled ? ParseHexAddress(m_vectorText) : 0;
        const std::uint16_t base = ParseHexAddress(m_ioText);
        for (std::size_t i = 0; i < m_board.PortSlots(); ++i) {
            m_board.ioAddress[i] = static_cast<std::uint16_t>(base + 8 * i);
        }
        // With no interrupt chosen (a stored interrupt outside the choices, left alone by the
        // user) the board keeps the interrupt it had.
        if (const catalog::IrqChoice* choice = catalog::irqChoiceAt(m_irqSelection)) {
            m_board.irq = choice->irq;
        }
        m_board.pciBus = 0;
        m_board.pciDevice = 0;
    }
    EndDialog(IDOK);
}

}  // namespace ovtb::panel
