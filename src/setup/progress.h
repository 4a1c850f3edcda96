#pragma once
// What setup's steps report to whoever runs them: the wizard shows it on its
// progress page, an unattended run writes it to its log. The steps pause and
// let waiting messages be handled only through it, so that a run nobody
// watches does neither, and tests can record both.
#include <windows.h>
#include "platform/text/text.h"

class Progress {
public:
    virtual void status(const platform::Text &text) = 0;
    virtual void position(int position) = 0;
    virtual void pause(DWORD milliseconds) = 0;
    virtual void process_messages() = 0;
    // A box of the program's own: its text, its caption and the system's
    // error code behind it.
    virtual void message(const wchar_t *text, const wchar_t *caption, DWORD code) = 0;
    // A file of the installation that was in use, left to the system to
    // delete at the next restart; the wizard says nothing of it.
    virtual void left_for_restart(const platform::Text &path) = 0;
    // A folder of every user that failed its judgement, and why (the
    // system's code): no shortcut is made or deleted there.
    virtual void folder_skipped(const platform::Text &folder, DWORD reason) = 0;

protected:
    ~Progress() = default;
};
