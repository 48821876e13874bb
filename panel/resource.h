// Resource ids of the panel: dialog templates, their controls, the string table, the icon and
// the commands. The templates and the string table that use them are data next to this file.
#pragma once

namespace ovtb::panel {

// ---- Dialog templates ----
inline constexpr int IDD_ABOUTBOX = 100;        // About box
inline constexpr int IDD_BOARD_LIST = 102;      // main dialog, BoardListDialog
inline constexpr int IDD_BOARD_PROPERTY = 129;  // BoardPropertyDialog
inline constexpr int IDD_PORT_SETTINGS = 131;   // PortSettingsDialog

// ---- Icon ----
inline constexpr int IDR_MAINFRAME = 128;  // the application icon

// ---- Commands ----
// The system-menu item that opens the About box; the low four bits of a system command are the
// system's own, so a handler compares the command with them masked off.
inline constexpr unsigned ABOUT_COMMAND_ID = 16;
// The framework's standard help command.
inline constexpr unsigned ID_HELP = 57670;

// ---- Controls of the main dialog (IDD_BOARD_LIST) ----
inline constexpr int IDC_BOARD_LIST = 1000;
inline constexpr int IDC_ADD = 1002;
inline constexpr int IDC_REMOVE = 1003;
inline constexpr int IDC_PROPERTY = 1004;

// ---- Controls of the About box (IDD_ABOUTBOX) ----
inline constexpr int IDC_ABOUT_TITLE = 1010;
inline constexpr int IDC_ABOUT_NOTICE = 1011;

// ---- Controls of the board property dialog (IDD_BOARD_PROPERTY) ----
inline constexpr int IDC_BOARD_TYPE = 1003;
inline constexpr int IDC_INTERRUPT = 1004;
inline constexpr int IDC_VECTOR_CHECK = 1005;
inline constexpr int IDC_VECTOR = 1006;
inline constexpr int IDC_PORT_LIST = 1007;
inline constexpr int IDC_PORT_SETTING = 1008;
inline constexpr int IDC_IO_ADDRESS = 1012;

// ---- Controls of the port settings dialog (IDD_PORT_SETTINGS) ----
inline constexpr int IDC_COM_NUMBER = 1001;
inline constexpr int IDC_AUTO_ENUMERATE = 1004;
inline constexpr int IDC_RX_TRIGGER_ALL = 1008;
inline constexpr int IDC_TX_FIFO = 1009;
inline constexpr int IDC_TX_FIFO_ALL = 1010;
inline constexpr int IDC_RX_TRIGGER = 1012;

// ---- String table ----
inline constexpr unsigned IDS_ABOUTBOX = 101;  // "&About Configuration Panel"
// Brand names: short and long, by PANEL_PRODUCT_ID (see PanelBrands in string_table.h).
inline constexpr unsigned IDS_BRAND_SHORT_0 = 113;
inline constexpr unsigned IDS_BRAND_SHORT_1 = 114;
inline constexpr unsigned IDS_BRAND_SHORT_2 = 115;
inline constexpr unsigned IDS_BRAND_SHORT_3 = 124;
inline constexpr unsigned IDS_BRAND_LONG_0 = 118;
inline constexpr unsigned IDS_BRAND_LONG_1 = 119;
inline constexpr unsigned IDS_BRAND_LONG_2 = 120;
inline constexpr unsigned IDS_BRAND_LONG_3 = 128;
// The conflict messages of the OK check, in the order the checks run.
inline constexpr unsigned IDS_IO_CONFLICT = 122;          // board %d, board %d
inline constexpr unsigned IDS_IRQ_CONFLICT = 125;         // board %d, board %d
inline constexpr unsigned IDS_VECTOR_CONFLICT = 126;      // board %d, board %d
inline constexpr unsigned IDS_COM_CONFLICT_BOARDS = 123;  // board %d, board %d
inline constexpr unsigned IDS_COM_CONFLICT_PORTS = 129;   // port %d, port %d, board %d
// The application title: the caption of every message box of the panel.
inline constexpr unsigned AFX_IDS_APP_TITLE = 57344;

}  // namespace ovtb::panel
