// PortSettingsDialog: the small modal dialog in which the user sets one port's COM number,
// receive FIFO trigger and transmit FIFO size, and whether the change spreads: consecutive COM
// numbers for the following ports, the same FIFO settings for every port. It reads its start
// values from the property dialog's working board and, after OK, Apply writes the result back
// into that board. Its only check is that the COM numbers it would assign stay within COM1 to
// COM256; collisions are the whole-configuration checks' business.
#pragma once

#include "panel/board_config.h"
#include "platform/ui/afx.h"

namespace ovtb::panel {

inline constexpr int MAX_COM_NUMBER = 256;

class PortSettingsDialog : public CDialog {
  public:
    explicit PortSettingsDialog(CWnd* parent = nullptr);

    // Takes the start values from port `portIndex` (0-based) of the board; the three check
    // boxes start set every time.
    void Prepare(const BoardConfig& board, int portIndex);

    // After OK: writes the dialog's result into port `portIndex` of the board, and into the
    // following ports (COM numbers) or every port (FIFO settings) as the check boxes say.
    // A combo box left without a selection (a stored value outside its list) changes nothing.
    void Apply(BoardConfig& board, int portIndex) const;

    // Dialog data.
    int m_portIndex = 0;
    int m_portNumber = 1;     // shown in the caption
    int m_comSelection = -1;  // row of combo 1001; row r is COM r + 1
    BOOL m_autoEnumerate = TRUE;
    int m_rxSelection = -1;  // row of combo 1012: a RxTriggerChoices position
    BOOL m_rxToAllPorts = TRUE;
    int m_txSelection = -1;  // row of combo 1009: a TxFifoChoices position
    BOOL m_txToAllPorts = TRUE;

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

  private:
    // The number of ports of the board being edited (its meaningful slots).
    int m_portSlots = 0;
};

}  // namespace ovtb::panel
