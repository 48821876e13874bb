// ovtbadm: the configuration panel.
//
//   ovtbadm [--ui=qt|tty|script:FILE] [panel command line]
//
// Every argument that is not an option of ovtbadm belongs to the panel's command line, which is
// rebuilt by joining them with single spaces. Exit code 0 after OK in the main dialog, 1
// otherwise (2 when a scripted run fails, see docs/ui.md).
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "panel/panel_app.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* kUsage =
    "usage: ovtbadm [--ui=qt|tty|script:FILE] [panel command line]\n"
    "\n"
    "The configuration panel of the Talvex/Brinor boards, on the machine of $OVTB_MACHINE.\n"
    "\n"
    "  --ui=SPEC   how windows are shown: qt, tty, or script:FILE (answered by a script);\n"
    "              without it, qt when a display is available, else tty\n"
    "  --help      this text\n"
    "  --          what follows is the panel command line, even if it starts with --\n"
    "\n"
    "Panel command line (decimal numbers; a number that ends a group needs a space or a\n"
    "comma before the brace):\n"
    "  {id ...}{{{bus dev 0 }...}...}{com }{rx }{tx }\n"
    "  ovtbadm '{26496 }{{{0 9 0 }}}'            offer the 678PCI board at bus 0, device 9\n"
    "  ovtbadm '{26496 }{{{0 9 0 }}}{3 }{3 }{15 }'  store that board alone, COM3 upwards,\n"
    "                                           without a window\n"
    "\n"
    "Exit code: 0 after OK in the main dialog, 1 otherwise.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string uiSpec;
    std::vector<std::string_view> rest;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && arg.starts_with("--ui=")) {
            uiSpec = arg.substr(5);
            if (uiSpec.empty()) {
                std::fprintf(stderr, "ovtbadm: --ui= needs qt, tty or script:FILE\n");
                return 1;
            }
        } else if (options && arg.starts_with("--")) {
            std::fprintf(stderr, "ovtbadm: unknown option '%s' (see ovtbadm --help)\n", argv[i]);
            return 1;
        } else {
            rest.push_back(arg);
        }
    }

    std::string error;
    const std::string spec = uiSpec.empty() ? ovtb::ui::DefaultRendererSpec() : uiSpec;
    if (!ovtb::ui::SelectRenderer(spec, &error)) {
        std::fprintf(stderr, "ovtbadm: --ui=%s: %s\n", spec.c_str(), error.c_str());
        return 1;
    }

    std::string commandLine;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i > 0) {
            commandLine += ' ';
        }
        commandLine += rest[i];
    }

    ovtb::panel::PanelApp app(std::move(commandLine));
    app.InitInstance();
    // A script that still expects a window which never opened fails the run.
    if (auto* script = dynamic_cast<ovtb::ui::Script*>(ovtb::ui::CurrentScript())) {
        script->ExpectFinished();
    }
    return app.ExitInstance();
}
