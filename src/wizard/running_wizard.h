#pragma once
// Which wizard holds the machine's one-setup lock, for a second wizard
// started beside it. The lock's name can be taken by any user, so what the
// second one brings forward is only what the first recorded where only
// administrators may write: a volatile key under HKEY_LOCAL_MACHINE, which
// goes at the next start of Windows should the wizard never remove it.
#include <windows.h>

class RunningWizardRecord {
public:
    // Records window and this process; with window null, or where the key
    // cannot be written, nothing: a second wizard then says that setup runs.
    explicit RunningWizardRecord(HWND window);
    RunningWizardRecord(const RunningWizardRecord &) = delete;
    RunningWizardRecord &operator=(const RunningWizardRecord &) = delete;
    ~RunningWizardRecord();

private:
    bool recorded_ = false;
};

// Restores and activates the recorded wizard while the recorded process
// still runs that window; false when there is none.
bool bring_running_wizard_forward();
