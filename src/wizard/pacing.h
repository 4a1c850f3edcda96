#pragma once
// The wizard's seam below its progress page: the pauses and the handling of
// waiting messages between setup's steps, and a view of what the page shows
// of them. The program uses the real thing; tests may put a recorder in its
// place.
#include <windows.h>
#include "platform/text/text.h"

class Pacing {
public:
    virtual ~Pacing() = default;
    virtual void pause(DWORD milliseconds);
    virtual void process_messages();
    virtual void status_shown(const platform::Text &text) { (void)text; }
    virtual void position_shown(int position) { (void)position; }
    // A file of the installation that was in use, left to the system to
    // delete at the next restart; the wizard says nothing of it.
    virtual void left_for_restart(const platform::Text &path) { (void)path; }
    // A folder of every user that failed its judgement, and why (the
    // system's code): no shortcut is made or deleted there.
    virtual void folder_skipped(const platform::Text &folder, DWORD reason) {
        (void)folder;
        (void)reason;
    }
};

Pacing &pacing();
// nullptr restores the real pacing.
void set_pacing(Pacing *replacement);
