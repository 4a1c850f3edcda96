#include "running_wizard.h"
#include "platform/owners.h"
#include "product/manifest.h"

namespace {
struct Record {
    DWORD window; // a window handle's significant 32 bits, in any process
    DWORD process;
};
} // namespace

RunningWizardRecord::RunningWizardRecord(HWND window) {
    HKEY opened = nullptr;
    if (!window || ::RegCreateKeyExW(manifest::kMachineRoot, manifest::kRunningWizardKey, 0,
                                     nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &opened,
                                     nullptr) != ERROR_SUCCESS)
        return;
    const platform::UniqueKey key(opened);
    const Record record = {static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window)),
                           ::GetCurrentProcessId()};
    recorded_ =
        ::RegSetValueExW(key.get(), nullptr, 0, REG_BINARY, reinterpret_cast<const BYTE *>(&record),
                         sizeof record) == ERROR_SUCCESS;
}

RunningWizardRecord::~RunningWizardRecord() {
    if (recorded_) ::RegDeleteKeyW(manifest::kMachineRoot, manifest::kRunningWizardKey);
}

bool bring_running_wizard_forward() {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(manifest::kMachineRoot, manifest::kRunningWizardKey, 0, KEY_QUERY_VALUE,
                        &opened) != ERROR_SUCCESS)
        return false;
    const platform::UniqueKey key(opened);
    Record record = {};
    DWORD type = 0, size = sizeof record;
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE *>(&record),
                           &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof record)
        return false;
    const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(record.window));
    DWORD process = 0;
    if (!::GetWindowThreadProcessId(window, &process) || process != record.process) return false;
    // Its own window is visible exactly while it shows a form, and restored
    // here should its taskbar button have minimised it; the form, or a box
    // over it, is the window that was last active.
    if (::IsWindowVisible(window)) {
        ::ShowWindow(window, SW_RESTORE);
        ::SetForegroundWindow(::GetLastActivePopup(window));
    }
    return true;
}
