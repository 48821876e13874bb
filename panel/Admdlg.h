// The panel's main dialog, BoardListDialog, and its About box. The main dialog lists the
// configured boards (at most four), adds, removes and edits them through the property dialog,
// and on OK checks and saves the whole configuration; Cancel stores nothing. It owns every board
// of its two lists.
#pragma once

#include <string>

#include "catalog/board_setting_record.h"
#include "panel/board_config.h"
#include "panel/board_property_dialog.h"
#include "panel/report_list.h"
#include "panel/settings_store.h"
#include "platform/ui/afx.h"

namespace ovtb::panel {

// The short and long brand names for a product id (0 to 3), from the panel's string table.
// False, with both names empty, for any other id.
bool LoadBrandNames(DWORD productId, std::string* shortName, std::string* longName);

// "<short brand> Talvex/Brinor Configuration Panel": the main window's caption and the About
// box's title line.
std::string PanelTitle(const std::string& shortBrand);

class AboutDialog : public CDialog {
  public:
    explicit AboutDialog(CWnd* parent = nullptr, DWORD productId = PANEL_PRODUCT_ID);

    const std::string& TitleLine() const { return m_title; }
    const std::string& NoticeLine() const { return m_notice; }

  protected:
    BOOL OnInitDialog() override;

  private:
    std::string m_title;
    std::string m_notice;
};

class BoardListDialog : public CDialog {
  public:
    // The three blocks that start-up filled: the stored ISA boards, the stored PCI boards that
    // are present, and the offered PCI boards. They must outlive the dialog.
    BoardListDialog(const catalog::BoardSettingBlock& isaBlock,
                    const catalog::BoardSettingBlock& pciBlock,
                    const catalog::BoardSettingBlock& offeredBlock, CWnd* parent = nullptr,
                    DWORD productId = PANEL_PRODUCT_ID);
    ~BoardListDialog() override;

    const BoardList& ConfiguredBoards() const { return m_configuredBoards; }
    const BoardList& OfferedBoards() const { return m_offeredBoards; }

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnOK() override;
    BOOL OnSysCommand(UINT id, LPARAM lParam) override;
    BOOL OnPaint() override;
    HICON OnQueryDragIcon() override;
    void OnDestroy() override;

  private:
    void InitBoardColumns();
    void FillBoardList();
    void RebuildOfferedBoards();
    void DropOfferedMatch(const BoardConfig& configured);
    void OnAdd();
    void OnRemove();
    void OnProperty();
    void DeleteBoards();
    void EnableButton(int id, bool enable);
    void FocusButton(int id);

    const catalog::BoardSettingBlock& m_isaBlock;
    const catalog::BoardSettingBlock& m_pciBlock;
    const catalog::BoardSettingBlock& m_offeredBlock;
    std::string m_brandName;
    BoardList m_configuredBoards;
    BoardList m_offeredBoards;
    ReportListCtrl m_boardList;
    HICON m_icon = nullptr;
};

}  // namespace ovtb::panel
