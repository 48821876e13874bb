#include "panel/port_settings_dialog.h"

#include <cstdio>

#include "catalog/board_catalog.h"
#include "catalog/config_messages.h"
#include "panel/resource.h"
#include "panel/string_table.h"

namespace ovtb::panel {

PortSettingsDialog::PortSettingsDialog(CWnd* parent) : CDialog(IDD_PORT_SETTINGS, parent) {}

void PortSettingsDialog::Prepare(const BoardConfig& board, int portIndex) {
    m_portSlots = static_cast<int>(board.PortSlots());
    m_portIndex = portIndex;
    m_portNumber = portIndex + 1;
    bool valid = portIndex >= 0 && portIndex < static_cast<int>(BOARD_PORT_SLOTS);
    m_comSelection = valid ? board.comNumber[portIndex] - 1 : -1;
    m_rxSelection = valid ? board.rxTriggerIndex[portIndex] : -1;
    m_txSelection = valid ? board.txFifoIndex[portIndex] : -1;
    m_autoEnumerate = TRUE;
    m_rxToAllPorts = TRUE;
    m_txToAllPorts = TRUE;
}

void PortSettingsDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_CBIndex(dx, IDC_COM_NUMBER, m_comSelection);
    DDX_Check(dx, IDC_AUTO_ENUMERATE, m_autoEnumerate);
    DDX_CBIndex(dx, IDC_RX_TRIGGER, m_rxSelection);
    DDX_Check(dx, IDC_RX_TRIGGER_ALL, m_rxToAllPorts);
    DDX_CBIndex(dx, IDC_TX_FIFO, m_txSelection);
    DDX_Check(dx, IDC_TX_FIFO_ALL, m_txToAllPorts);
}

BOOL PortSettingsDialog::OnInitDialog() {
    HWND dialog = GetSafeHwnd();
    char text[16];
    for (int com = 1; com <= MAX_COM_NUMBER; ++com) {
        std::snprintf(text, sizeof text, "COM%d", com);
        SendDlgItemMessageA(dialog, IDC_COM_NUMBER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text));
    }
    for (const auto& choice : catalog::RxTriggerChoices) {
        SendDlgItemMessageA(dialog, IDC_RX_TRIGGER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(choice.text));
    }
    for (const auto& choice : catalog::TxFifoChoices) {
        SendDlgItemMessageA(dialog, IDC_TX_FIFO, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(choice.text));
    }
    std::snprintf(text, sizeof text, "Port %d", m_portNumber);
    SetWindowTextA(dialog, text);
    // Writes the start values; a value outside a combo box's rows leaves it without a selection.
    return CDialog::OnInitDialog();
}

void PortSettingsDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    if (m_autoEnumerate) {
        for (int i = m_portIndex; i < m_portSlots; ++i) {
            int com = m_comSelection + 1 + (i - m_portIndex);
            if (com < 1 || com > MAX_COM_NUMBER) {
                PanelMessageBox(GetSafeHwnd(),
                                catalog::ConfigMessagesA[catalog::MSG_PORTS_EXCEED_MAX],
                                MB_OK | MB_ICONEXCLAMATION);
                return;
            }
        }
    }
    EndDialog(IDOK);
}

void PortSettingsDialog::Apply(BoardConfig& board, int p) const {
    if (p < 0 || p >= static_cast<int>(BOARD_PORT_SLOTS)) {
        return;
    }
    int slots = static_cast<int>(board.PortSlots());
    if (m_comSelection >= 0) {
        board.comNumber[p] = m_comSelection + 1;
        if (m_autoEnumerate) {
            for (int i = p; i < slots; ++i) {
                board.comNumber[i] = m_comSelection + 1 + (i - p);
            }
        }
    }
    if (m_rxSelection >= 0) {
        board.rxTriggerIndex[p] = m_rxSelection;
        if (m_rxToAllPorts) {
            for (int i = 0; i < slots; ++i) {
                board.rxTriggerIndex[i] = m_rxSelection;
            }
        }
    }
    if (m_txSelection >= 0) {
        board.txFifoIndex[p] = m_txSelection;
        if (m_txToAllPorts) {
            for (int i = 0; i < slots; ++i) {
                board.txFifoIndex[i] = m_txSelection;
            }
        }
    }
}

}  // namespace ovtb::panel
