// ovtb-machine sc query|stop|delete NAME, like sc.exe; ovtb-machine reboot.
#include <cstdio>
#include <string>

#include "platform/services/service_state.h"
#include "platform/services/winsvc.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine sc query NAME\n"
                 "       ovtb-machine sc stop NAME\n"
                 "       ovtb-machine sc delete NAME\n"
                 "\n"
                 "Like sc.exe: query shows a service's type and state, stop stops it (a driver\n"
                 "left running by a process that ended is marked stopped), delete removes its\n"
                 "key (a running service goes when it stops). Failures print sc.exe's\n"
                 "\"[SC] <call> FAILED <code>:\" with the error's text on standard error.\n");
}

const char* ErrorText(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return "The system cannot find the file specified.";
        case ERROR_ACCESS_DENIED:
            return "Access is denied.";
        case ERROR_INVALID_NAME:
            return "The filename, directory name, or volume label syntax is incorrect.";
        case ERROR_INVALID_SERVICE_CONTROL:
            return "The requested control is not valid for this service.";
        case ERROR_SERVICE_NOT_ACTIVE:
            return "The service has not been started.";
        case ERROR_SERVICE_DOES_NOT_EXIST:
            return "The specified service does not exist as an installed service.";
        case ERROR_SERVICE_MARKED_FOR_DELETE:
            return "The specified service has been marked for deletion.";
        default:
            return "";
    }
}

int Failed(const char* call, DWORD error) {
    std::fprintf(stderr, "[SC] %s FAILED %lu:\n\n%s\n\n", call, static_cast<unsigned long>(error),
                 ErrorText(error));
    return 1;
}

void PrintStatus(const std::string& name, const SERVICE_STATUS& s) {
    const char* type = s.dwServiceType == SERVICE_KERNEL_DRIVER         ? "KERNEL_DRIVER"
                       : s.dwServiceType == SERVICE_FILE_SYSTEM_DRIVER  ? "FILE_SYSTEM_DRIVER"
                       : s.dwServiceType == SERVICE_WIN32_OWN_PROCESS   ? "WIN32_OWN_PROCESS"
                       : s.dwServiceType == SERVICE_WIN32_SHARE_PROCESS ? "WIN32_SHARE_PROCESS"
                                                                        : "";
    const bool running = s.dwCurrentState == SERVICE_RUNNING;
    std::printf("\nSERVICE_NAME: %s\n", name.c_str());
    std::printf("        TYPE               : %lx  %s\n",
                static_cast<unsigned long>(s.dwServiceType), type);
    std::printf("        STATE              : %lu  %s\n",
                static_cast<unsigned long>(s.dwCurrentState), running ? "RUNNING" : "STOPPED");
    if (running)
        std::printf(
            "                                (STOPPABLE, NOT_PAUSABLE, IGNORES_SHUTDOWN)\n");
    std::printf("        WIN32_EXIT_CODE    : %lu  (0x%lx)\n",
                static_cast<unsigned long>(s.dwWin32ExitCode),
                static_cast<unsigned long>(s.dwWin32ExitCode));
    std::printf("        SERVICE_EXIT_CODE  : 0  (0x0)\n");
    std::printf("        CHECKPOINT         : 0x0\n");
    std::printf("        WAIT_HINT          : 0x0\n");
}

}  // namespace

int RunSc(const Args& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    if (args.size() != 2 || (args[0] != "query" && args[0] != "stop" && args[0] != "delete")) {
        PrintHelp(stderr);
        return 2;
    }
    const std::string& verb = args[0];
    const std::string& name = args[1];
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return Failed("OpenSCManager", GetLastError());
    SC_HANDLE service = OpenServiceA(scm, name.c_str(), SERVICE_ALL_ACCESS);
    int rc = 0;
    if (!service) {
        rc = Failed(verb == "query" ? "EnumQueryServicesStatus:OpenService" : "OpenService",
                    GetLastError());
    } else if (verb == "query") {
        SERVICE_STATUS status{};
        rc = QueryServiceStatus(service, &status) ? (PrintStatus(name, status), 0)
                                                  : Failed("QueryServiceStatus", GetLastError());
    } else if (verb == "stop") {
        SERVICE_STATUS status{};
        rc = ControlService(service, SERVICE_CONTROL_STOP, &status)
                 ? (PrintStatus(name, status), 0)
                 : Failed("ControlService", GetLastError());
    } else {
        rc = DeleteService(service) ? (std::printf("[SC] DeleteService SUCCESS\n"), 0)
                                    : Failed("DeleteService", GetLastError());
    }
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(scm);
    return rc;
}

int RunReboot(const Args& args) {
    if (WantsHelp(args)) {
        std::printf(
            "usage: ovtb-machine reboot\n"
            "\n"
            "Restarts the machine as far as its services go: every service counts as stopped\n"
            "afterwards (demand-start drivers are not loaded at boot), and the services marked\n"
            "for deletion are deleted.\n");
        return 0;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "usage: ovtb-machine reboot\n");
        return 2;
    }
    const int running = services::Reboot();
    std::printf("rebooted; %d service%s had been running\n", running, running == 1 ? "" : "s");
    return 0;
}

}  // namespace ovtb::tool
