#include "platform/ui/src/state.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/ui/script.h"

namespace ovtb::ui {
Renderer* CreateHeadlessRenderer();
}

namespace ovtb::ui::detail {

State& S() {
    static State state;
    return state;
}

Window* Mut(HWND window) {
    auto& windows = S().windows;
    auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second.get();
}

HWND NewHandle() {
    return reinterpret_cast<HWND>(S().nextHandle += 4);
}

Window& CreateWindowRecord(WindowKind kind, HWND parent) {
    auto w = std::make_unique<Window>();
    w->handle = NewHandle();
    w->kind = kind;
    w->parent = parent;
    Window& ref = *w;
    S().windows.emplace(ref.handle, std::move(w));
    if (Window* p = Mut(parent)) {
        p->children.push_back(ref.handle);
    }
    return ref;
}

void DestroyWindowRecord(HWND window) {
    Window* w = Mut(window);
    if (!w) {
        return;
    }
    if (Renderer* r = LoadedRenderer()) {
        r->Destroying(window);
    }
    std::vector<HWND> children = w->children;
    for (HWND page : w->pages) {
        if (page && std::find(children.begin(), children.end(), page) == children.end()) {
            children.push_back(page);
        }
    }
    for (HWND c : children) {
        DestroyWindowRecord(c);
    }
    w = Mut(window);
    if (!w) {
        return;
    }
    if (Window* p = Mut(w->parent)) {
        std::erase(p->children, window);
        for (HWND& page : p->pages) {
            if (page == window) {
                page = nullptr;
            }
        }
    }
    for (auto& hook : S().destroyHooks) {
        hook(window);
    }
    if (S().focus == window) {
        S().focus = nullptr;
    }
    std::erase_if(S().posted, [&](const Posted& p) { return p.window == window; });
    S().windows.erase(window);
}

void Notify(Window& w, Change what) {
    ++w.revision;
    if (what == Change::Rows) {
        w.rowsDirty = true;
    }
    if (Renderer* r = LoadedRenderer()) {
        r->Changed(w.handle, what);
    }
}

Renderer* LoadedRenderer() {
    return S().renderer.get();
}

}  // namespace ovtb::ui::detail

namespace ovtb::ui {

using detail::S;

namespace {

// The directory of the library itself: renderer modules live beside it (build/bin).
std::string ModuleDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) && info.dli_fname) {
        std::string path = info.dli_fname;
        auto slash = path.rfind('/');
        if (slash != std::string::npos) {
            return path.substr(0, slash);
        }
    }
    return ".";
}

Renderer* LoadModuleRenderer(const std::string& name) {
    std::string path = ModuleDirectory() + "/ovtb-ui-" + name + ".so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        FailRun("the " + name + " renderer cannot be loaded: " + (why ? why : path));
    }
    using Create = Renderer* (*)(int);
    auto create = reinterpret_cast<Create>(dlsym(module, "ovtb_ui_create_renderer"));
    Renderer* r = create ? create(kRendererAbiVersion) : nullptr;
    if (!r) {
        dlclose(module);
        FailRun("the " + name + " renderer module " + path + " does not provide a renderer");
    }
    S().module = module;
    return r;
}

[[noreturn]] void DefaultFailure(const std::string& what) {
    std::fprintf(stderr, "ovtb ui: %s\n", what.c_str());
    std::fflush(stderr);
    std::_Exit(kFailedRunExitCode);
}

}  // namespace

Renderer& ActiveRenderer() {
    auto& s = S();
    if (!s.renderer) {
        std::string name = s.rendererName.empty() ? DefaultRendererSpec() : s.rendererName;
        if (name == "headless") {
            s.renderer.reset(CreateHeadlessRenderer());
        } else {
            s.renderer.reset(LoadModuleRenderer(name));
        }
    }
    return *s.renderer;
}

std::string DefaultRendererSpec() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            return "qt";
        }
    }
    return "tty";
}

std::string SelectedRendererName() {
    auto& s = S();
    if (s.renderer) {
        return s.renderer->Name();
    }
    return s.rendererName.empty() ? DefaultRendererSpec() : s.rendererName;
}

bool SelectRenderer(std::string_view spec, std::string* error) {
    auto fail = [&](std::string why) {
        if (error) {
            *error = std::move(why);
        }
        return false;
    };
    std::string name(spec);
    std::shared_ptr<Script> script;
    auto plus = name.find("script:");
    if (plus != std::string::npos) {
        std::string file = name.substr(plus + 7);
        std::string base = name.substr(0, plus);
        if (base.empty()) {
            base = "headless";
        } else if (base.back() == '+') {
            base.pop_back();
        } else {
            return fail("unknown user interface '" + name + "'");
        }
        if (file.empty()) {
            return fail("--ui=script: needs a file name");
        }
        std::string why;
        auto loaded = Script::Load(file, &why);
        if (!loaded) {
            return fail(why);
        }
        script = std::make_shared<Script>(std::move(*loaded));
        name = base;
    }
    if (name != "headless" && name != "qt" && name != "tty") {
        return fail("unknown user interface '" + std::string(spec) +
                    "' (use qt, tty, headless, script:FILE or qt+script:FILE)");
    }
    auto& s = S();
    if (s.renderer && name != s.renderer->Name()) {
        if (!s.modal.empty()) {
            return fail("the renderer cannot change while a dialog is open");
        }
        s.renderer.reset();
    }
    s.rendererName = name;
    if (script) {
        s.script = script;
    }
    return true;
}

const std::vector<MessageRecord>& RecordedMessages() {
    return S().messages;
}
const std::vector<DialogRecord>& RecordedDialogs() {
    return S().dialogs;
}
void ClearRecords() {
    S().messages.clear();
    S().dialogs.clear();
}

void SetFailureHandler(FailureHandler handler) {
    S().failure = std::move(handler);
}

void FailRun(const std::string& what) {
    auto& s = S();
    if (s.failure) {
        s.failure(what);
    }
    DefaultFailure(what);
}

void ThrowScriptFailure(const std::string& what) {
    throw ScriptFailure(what);
}

void UseScript(std::shared_ptr<ScriptedUser> user) {
    S().script = std::move(user);
}
ScriptedUser* CurrentScript() {
    return S().script.get();
}

void ResetForTests() {
    auto& s = S();
    while (!s.windows.empty()) {
        HWND top = s.windows.begin()->first;
        while (Window* w = detail::Mut(top)) {
            if (!w->parent || !detail::Mut(w->parent)) {
                break;
            }
            top = w->parent;
        }
        detail::DestroyWindowRecord(top);
    }
    s.modal.clear();
    s.posted.clear();
    s.focus = nullptr;
    s.script.reset();
    s.messages.clear();
    s.dialogs.clear();
    if (s.renderer && std::string(s.renderer->Name()) != "headless") {
        s.renderer.reset();
    }
    s.rendererName = "headless";
    s.failure = ThrowScriptFailure;
}

}  // namespace ovtb::ui
