// The headless renderer: no toolkit. Text is measured with the fixed headless metrics, every
// owner-drawn row of an open dialog is painted into a recording DC whenever it is invalidated,
// and only a scripted user can answer a dialog or a message box.
#include "platform/ui/headless.h"

#include <map>

#include "platform/ui/input.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;

namespace {

class HeadlessRenderer : public Renderer {
  public:
    const char* Name() const override { return "headless"; }
    SIZE BaseUnits(const FontSpec&) override { return {kHeadlessCharWidth, kHeadlessLineHeight}; }
    SIZE TextExtent(const FontSpec&, std::string_view text) override {
        return HeadlessTextExtent(text);
    }

    void RunModal(HWND dialog, ScriptedUser* user) override {
        Paint(dialog);
        while (const Window* d = Lookup(dialog)) {
            if (d->ended) {
                return;
            }
            if (!user) {
                FailRun("dialog \"" + d->text + "\" (template " + std::to_string(d->templateId) +
                        ") opened but no script answers it (headless)");
            }
            user->Step(dialog);
            input::DeliverPosted();
            Paint(dialog);
        }
    }

    int RunMessageBox(const MessageBoxRequest& box, int scripted) override {
        if (!scripted) {
            FailRun("message box \"" + box.text + "\" (caption \"" + box.caption +
                    "\") opened but no script answers it (headless)");
        }
        return scripted;
    }

    void Destroying(HWND window) override {
        frames_.erase(window);
        dialogPaints_.erase(window);
    }

    // Paints the dirty owner-drawn lists of the dialog into their frames.
    void Paint(HWND dialog) {
        Window* d = detail::Mut(dialog);
        if (!d || d->ended) {
            return;
        }
        std::vector<HWND> lists;
        for (HWND c : d->children) {
            const Window* w = Lookup(c);
            if (w && w->kind == WindowKind::ListView && w->rowsDirty &&
                (w->style & LVS_OWNERDRAWFIXED)) {
                lists.push_back(c);
            }
        }
        if (d->minimized) {
            // A minimised dialog paints itself (its icon) on WM_PAINT.
            RecordingDC dc;
            input::PaintDialog(dialog, dc.handle());
            dialogPaints_[dialog] = std::move(dc.calls);
        }
        for (HWND list : lists) {
            Window* w = detail::Mut(list);
            if (!w) {
                continue;
            }
            w->rowsDirty = false;
            auto& frame = frames_[list];
            frame.clear();
            for (int row = 0; Lookup(list) && row < static_cast<int>(Lookup(list)->rows.size());
                 ++row) {
                auto dc = std::make_unique<RecordingDC>();
                input::PaintListRow(list, row, dc->handle(), {0, 0});
                frame.push_back(std::move(dc->calls));
            }
        }
    }

    const std::vector<std::vector<DrawCall>>* Frame(HWND list) const {
        auto it = frames_.find(list);
        return it == frames_.end() ? nullptr : &it->second;
    }

    const std::vector<DrawCall>* DialogPaint(HWND dialog) const {
        auto it = dialogPaints_.find(dialog);
        return it == dialogPaints_.end() ? nullptr : &it->second;
    }

  private:
    std::map<HWND, std::vector<std::vector<DrawCall>>> frames_;
    std::map<HWND, std::vector<DrawCall>> dialogPaints_;
};

}  // namespace

namespace ovtb::ui {

Renderer* CreateHeadlessRenderer() {
    return new HeadlessRenderer();
}

const std::vector<std::vector<DrawCall>>* HeadlessFrame(HWND list) {
    auto* r = dynamic_cast<HeadlessRenderer*>(detail::LoadedRenderer());
    return r ? r->Frame(list) : nullptr;
}

const std::vector<DrawCall>* HeadlessDialogPaint(HWND dialog) {
    auto* r = dynamic_cast<HeadlessRenderer*>(detail::LoadedRenderer());
    return r ? r->DialogPaint(dialog) : nullptr;
}

}  // namespace ovtb::ui
