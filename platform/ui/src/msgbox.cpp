// Message boxes: recorded, answered by the scripted user or shown by the renderer.
#include "platform/ui/script.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;
using namespace ovtb::ui::detail;

namespace ovtb::ui {

std::vector<int> MessageBoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        default:
            return {IDOK};
    }
}

int MessageBoxDefault(UINT type) {
    std::vector<int> buttons = MessageBoxButtons(type);
    size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

ListMetrics Renderer::ListViewMetrics(const FontSpec& font) {
    int line = TextExtent(font, "Wy").cy;
    return {line + 2, line + 7, 12, 2};
}

bool Renderer::Screenshot(HWND, const std::string&, std::string* error) {
    if (error) {
        *error = std::string("the ") + Name() + " renderer takes no screenshots";
    }
    return false;
}

}  // namespace ovtb::ui

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    MessageBoxRequest box;
    box.owner = IsWindow(owner) ? owner : nullptr;
    box.text = text ? text : "";
    box.caption = caption ? caption : "Error";
    box.type = type;
    S().messages.push_back({box.owner, box.text, box.caption, type, 0});
    size_t record = S().messages.size() - 1;
    Renderer& renderer = ActiveRenderer();
    int scripted = 0;
    if (ScriptedUser* user = CurrentScript()) {
        scripted = user->MessageBoxOpened(box);
    }
    int result = renderer.RunMessageBox(box, scripted);
    if (record < S().messages.size()) {
        S().messages[record].result = result;
    }
    return result;
}
