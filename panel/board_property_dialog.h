// BoardPropertyDialog: the modal dialog in which the user picks the model of a board being added
// (an offered PCI board or any ISA model), sets an ISA board's interrupt, interrupt vector
// register address and base I/O address, and reaches the port settings dialog for each port.
// It works on its own copy of the board; the caller takes it back with GetResult after OK, and
// Cancel leaves the caller's board untouched. It checks nothing against other boards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "panel/address_text.h"
#include "panel/board_config.h"
#include "panel/report_list.h"
#include "platform/ui/afx.h"

namespace ovtb::panel {

// A list of boards that its holder owns: the main dialog's configured and offered boards.
using BoardList = std::vector<std::unique_ptr<BoardConfig>>;

class BoardPropertyDialog : public CDialog {
  public:
    enum class Mode { Add, Edit };

    // The board is copied into the working board; the offered boards are read, never changed,
    // and must outlive the dialog.
    BoardPropertyDialog(Mode mode, const BoardConfig& board, const BoardList& offered,
                        CWnd* parent = nullptr);

    // Copies the working board into `board` (every field, the ports up to its portCount). Call
    // it after OK only.
    void GetResult(BoardConfig& board) const;

    // The working board, as the dialog holds it now.
    const BoardConfig& WorkingBoard() const { return m_board; }

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnOK() override;

  private:
    void RefreshControls();
    void FillPortList();
    void OnBoardTypeChanged();
    void OnVectorCheckChanged();
    void OnPortSetting();
    void EnableControl(int id, bool enable);

    BoardConfig m_board;
    bool m_addMode;
    const BoardList& m_offered;
    ReportListCtrl m_portList;

    // Dialog data.
    int m_boardTypeSelection = 0;
    // No row until a refresh finds the board's interrupt among the choices.
    int m_irqSelection = -1;
    BOOL m_vectorEnabled = TRUE;
    std::string m_vectorText;
    std::string m_ioText;
};

}  // namespace ovtb::panel
