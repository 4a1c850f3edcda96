// Start-up: the DLL search, the command line, the common controls, COM, the
// two windows and the message loop, or a run without any window.
#include "platform/dll_function.h"
#include "platform/files/image_file.h"
#include "platform/owners.h"
#include "platform/files/paths.h"
#include "platform/resources.h"
#include "platform/startup_probe.h"
#include "window/application.h"
#include "window/common_controls.h"
#include "command_line.h"
#include "wizard/contiu.h"
#include "wizard/insta.h"
#include "wizard/running_wizard.h"
#include "platform/shell.h"
#include "product/manifest.h"
#include "unattended/unattended.h"
#include <commctrl.h>
#include <cstdlib>
#include <memory>

// An exception that escapes everything ends the program at once. The
// library's default handler would first print the exception's demangled type
// to a console this program does not have, and brings the whole demangler
// and the C library's printf (about 95 KB) into the program for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace {

// DLLs that system DLLs load later on the program's behalf, by name.
// bcryptprimitives: the provider that bcrypt.dll loads for a compressed
// build's digests.
const wchar_t *const kLoadedLater[] = {L"uxtheme", L"version", L"userenv", L"setupapi",
                                       L"apphelp", L"propsys", L"dwmapi",  L"cryptbase",
                                       L"cryptsp", L"oleacc",  L"clbcatq", L"bcryptprimitives"};

// DLLs come from the system directory only, never from the directory the
// setup program was downloaded to nor the current one. Where the system
// cannot restrict the search (before the update that brought
// SetDefaultDllDirectories) the current directory is at least taken out,
// and the DLLs that would otherwise be looked for beside the program are
// loaded now, by their full paths, and kept: a later load by name finds
// them loaded. Looked up, not imported: Windows XP does not have it.
void restrict_dll_search() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI *)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto set_default_directories = platform::dll_function<SetDefaultDllDirectoriesFunction>(
        kernel, "SetDefaultDllDirectories");
    ::SetDllDirectoryW(L"");
    if (set_default_directories && set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    const platform::Text system = platform::system_directory();
    for (const wchar_t *name : kLoadedLater)
        ::LoadLibraryW(platform::joined({system.c_str(), L"\\", name, L".dll"}).c_str());
}

// The common controls, or else the standard error box and false.
bool load_controls(platform::LoadedModule &common_controls) {
    try {
        common_controls = ui::load_common_controls(ICC_PROGRESS_CLASS);
    } catch (const platform::SetupError &error) {
        ui::Application::get().show_error(error);
        return false;
    }
    STARTUP_PROBE("comctl32 loaded");
    return true;
}

// What the first page does not need: the common controls (the progress bar
// is on the install's page) and the cancel dialog. Done once the first
// page is on the screen; a run without windows needs neither.
struct RestOfStartUp {
    TForm1 &main_form;
    platform::LoadedModule &common_controls;
    std::unique_ptr<TForm2> cancel_dialog; // goes before the main window
    bool &failed;

    static void run_it(void *self) { static_cast<RestOfStartUp *>(self)->run(); }
    void run() {
        if (!common_controls && !load_controls(common_controls)) {
            failed = true;
            ui::Application::get().terminate();
            return;
        }
        main_form.create_waiting_windows();
        cancel_dialog = std::make_unique<TForm2>();
        STARTUP_PROBE("cancel dialog made");
    }
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    STARTUP_PROBE("WinMain");
    restrict_dll_search();
    const CommandLine command = parse_command_line(::GetCommandLineW(), platform::module_path());
    // A line setup does not understand ends it without a window, with /S or
    // without: a deployment tool that used another installer's switches
    // learns it at once instead of waiting for a wizard nobody sees.
    if (!command.understood) return kExitBadCommandLine;
    // A folder is for an install: the installed uninstaller, which would
    // remove the installation instead, refuses it rather than ignore it.
    if (command.unattended && !command.directory.empty() && runs_as_installed_uninstaller())
        return kExitBadCommandLine;
    if (command.help) {
        ui::guarded([instance] {
            ::MessageBoxW(nullptr,
                          platform::find_text_resource(instance, L"TEXT", L"USAGE").c_str(),
                          manifest::kWindowCaption, MB_OK);
        });
        return kExitDone;
    }
    // One setup at a time on the machine, taken before anything is written;
    // a name that exists but cannot be opened, or is held by another kind
    // of object, is held by another too. A second wizard hands over to the
    // first, else says so with the system's text: whoever took the name
    // can delay setup, never pass for it.
    const platform::UniqueHandle one_setup(::CreateMutexW(nullptr, FALSE, manifest::kSetupMutex));
    if (!one_setup || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (command.unattended) return kExitAlreadyRunning;
        if (bring_running_wizard_forward()) return kExitDone;
        ::MessageBoxW(nullptr, platform::ole_error_text(kExitAlreadyRunning).c_str(),
                      manifest::kWindowCaption, MB_OK | MB_ICONERROR);
        return kExitAlreadyRunning;
    }
    // Held from here on: the file cannot be swapped while setup waits.
    platform::ImageFile::running();
    STARTUP_PROBE("command line, one setup, own file held");
    ui::Application &application = ui::Application::get();
    // A run with /S makes no window at all: none is ever shown, and the
    // first one would cost the system's window driver its start.
    application.initialize(instance, !command.unattended);
    STARTUP_PROBE("application window");
    const RunningWizardRecord wizard(command.unattended ? nullptr : application.handle());
    UnattendedRun unattended;
    if (command.unattended) {
        // Nor any box of the system's own, such as the one for a drive
        // without its disk: the failing call reports to the program.
        ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        if (!unattended.start(command.log)) return kExitFailed;
    }
    // The wizard loads the common controls once the first page shows; a run
    // without windows has no progress bar and needs none of them.
    platform::LoadedModule common_controls;
    const platform::ComApartment com(!command.unattended); // shortcuts need it
    STARTUP_PROBE("CoInitialize");
    // A run without windows calls setup's procedures itself.
    if (command.unattended)
        return unattended.finish(unattended.run(command.directory, command.uninstall));
    bool failed = false;
    {
        TForm1 main_form;
        application.set_main_form(&main_form);
        if (!command.directory.empty()) main_form.Edit1->set_text(command.directory);
        RestOfStartUp rest{main_form, common_controls, nullptr, failed};
        application.run(RestOfStartUp::run_it, &rest);
        application.set_main_form(nullptr);
    } // both windows go here, without any close handler
    return failed ? 1 : kExitDone;
}
