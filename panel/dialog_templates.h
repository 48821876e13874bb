// The panel's dialog templates, written once as data: the About box, the main board list, the
// board property dialog and the port settings dialog, with their controls (id, kind, caption,
// rectangle in dialog units, styles), and the panel's icon. The dialog classes run them by id;
// tests and the docs read the same tables.
#pragma once

#include <vector>

#include "platform/ui/dialog_template.h"

namespace ovtb::panel {

// Each template by its resource id (IDD_ABOUTBOX, IDD_BOARD_LIST, IDD_BOARD_PROPERTY,
// IDD_PORT_SETTINGS in panel/resource.h).
const ui::DialogTemplate& AboutDialogTemplate();
const ui::DialogTemplate& BoardListDialogTemplate();
const ui::DialogTemplate& BoardPropertyDialogTemplate();
const ui::DialogTemplate& PortSettingsDialogTemplate();

// The four templates, in resource id order.
std::vector<ui::DialogTemplate> PanelDialogTemplates();
// The application icon (IDR_MAINFRAME).
std::vector<ui::IconEntry> PanelIcons();

// Everything the panel looks up by id: the four templates, the string table and the icon.
ui::ResourceTable PanelResources();

}  // namespace ovtb::panel
