// The panel's string table, as data: the application title, the system-menu text of the About
// box, the brand names and the conflict messages. The texts are used exactly as they stand
// (the brand name "Pellwrth Tech." included). The table is registered with the user interface
// layer under the panel's module handle, where LoadStringA finds the texts by id.
//
// The few fixed texts the panel shows that have no string id live here too, so that code, tests
// and docs take them from one place.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "panel/resource.h"
#include "platform/ui/winuser.h"

namespace ovtb::panel {

struct PanelString {
    unsigned id;
    const char* text;
};

inline constexpr auto PanelStringTable = std::to_array<PanelString>({
    {IDS_ABOUTBOX, "&About Configuration Panel"},
    {IDS_BRAND_SHORT_0, "Orvane"},
    {IDS_BRAND_SHORT_1, "Pellworth"},
    {IDS_BRAND_SHORT_2, "Darnix"},
    {IDS_BRAND_LONG_0, "Orvane Tech."},
    {IDS_BRAND_LONG_1, "Pellwrth Tech."},
    {IDS_BRAND_LONG_2, "Darnix Tech."},
    {IDS_IO_CONFLICT, "I/O address conflict between board %d and board %d !"},
    {IDS_COM_CONFLICT_BOARDS, "COM number conflict between board %d and board %d !"},
    {IDS_BRAND_SHORT_3, "VOSTREL"},
    {IDS_IRQ_CONFLICT, "IRQ conflict between board %d and board %d !"},
    {IDS_VECTOR_CONFLICT, "Interrupt vector conflict between board %d and board %d !"},
    {IDS_BRAND_LONG_3, "VOSTREL Tech."},
    {IDS_COM_CONFLICT_PORTS, "COM number conflict between port %d and port %d of the board %d!"},
    {AFX_IDS_APP_TITLE, "Configuration Panel"},
});

// The brands the panel can be built under, by PANEL_PRODUCT_ID (0 to 3).
struct PanelBrand {
    unsigned shortNameId;
    unsigned longNameId;
};

inline constexpr std::array<PanelBrand, 4> PanelBrands = {{
    {IDS_BRAND_SHORT_0, IDS_BRAND_LONG_0},
    {IDS_BRAND_SHORT_1, IDS_BRAND_LONG_1},
    {IDS_BRAND_SHORT_2, IDS_BRAND_LONG_2},
    {IDS_BRAND_SHORT_3, IDS_BRAND_LONG_3},
}};

// Fixed texts without a string id.
inline constexpr const char* REMOVE_BOARD_QUESTION = "Do you really want to remove this board ?";
inline constexpr const char* MISSING_BRAND_TEXT = "Must define m_idstr";
inline constexpr const char* MISSING_COMPANY_TEXT = "Must define company name in Admdlg";
inline constexpr const char* ABOUT_BOX_CAPTION = "About Configuration Panel";
// Between the short brand name and the application title in the main window's caption and the
// About box's title line.
inline constexpr const char* FAMILY_NAME_TEXT = " Talvex/Brinor ";

// ---- The panel's resources in the user interface layer ----

// The panel's module handle, under which its resources (PanelResources(), with the dialog
// templates, this string table and the icon) are registered on first use.
HINSTANCE PanelInstance();

// String `id` of the panel's string table through LoadStringA; empty when there is none.
std::string LoadPanelString(unsigned id);

// A message box of the panel: captioned with the application title (string AFX_IDS_APP_TITLE),
// as every message box of the panel is. Returns the ID of the button pressed.
int PanelMessageBox(HWND owner, const std::string& text, UINT type);

}  // namespace ovtb::panel
