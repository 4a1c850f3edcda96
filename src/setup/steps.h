#pragma once
// Setup's procedures: the install, the removal, the shortcuts and the
// self-removal. Each takes the installation as data and reports through
// progress; the wizard and an unattended run call them alike. An error
// leaves them as platform::SetupError, which the caller reports.
#include "installation.h"
#include "progress.h"

// Installs into installation.directory: false when the directory cannot be
// made, after the message that says so, with nothing else done.
bool docopy(const Installation &installation, Progress &progress);
// The six shortcuts, then a nudge for the desktop to show them.
void makeicon(const Installation &installation, Progress &progress);
// One shortcut in the Programs folder, link_name appended to it after a
// backslash.
void MakeLink(const Installation &installation, const platform::Text &target,
              const platform::Text &link_name, const platform::Text &description,
              Progress &progress);
// Removes the recorded installation, or with removal_of_own_folder the one
// in installation.directory; returns the directory it removed from.
platform::Text dodel(const Installation &installation, Progress &progress);
// After a removal from directory: deletes the running program's file once
// the program has ended.
void DeleteMe(const platform::Text &directory, Progress &progress);
