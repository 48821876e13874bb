#include "panel/string_table.h"

#include "panel/dialog_templates.h"
#include "platform/ui/dialog_template.h"

namespace ovtb::panel {

HINSTANCE PanelInstance() {
    static const HINSTANCE instance = ui::RegisterResources(PanelResources());
    return instance;
}

std::string LoadPanelString(unsigned id) {
    // The longest text of the table is well below this; LoadStringA cuts to fit in any case.
    char buffer[512];
    const int length = LoadStringA(PanelInstance(), id, buffer, static_cast<int>(sizeof buffer));
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

int PanelMessageBox(HWND owner, const std::string& text, UINT type) {
    const std::string caption = LoadPanelString(AFX_IDS_APP_TITLE);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace ovtb::panel
