#pragma once
// An installation as setup's steps take it: plain data that the wizard
// builds from its boxes and an unattended run from its command line, and
// what the registry records of one.
#include "platform/text/text.h"

struct Installation {
    platform::Text directory; // ends in a backslash; for a removal, see below
    // Shortcuts in the folders of every user (an unattended install's).
    bool all_users_shortcuts = false;
    // A removal of the installation in directory, the program's own folder,
    // rather than of the one the location key records.
    bool removal_of_own_folder = false;
};

// The install directory for a path typed or given: without the blanks
// around it, ending in one backslash (one that was there is kept, not
// doubled); empty for a path of blanks only.
platform::Text install_directory_from(const platform::Text &typed);
// The system's folder for programs of this kind (on 64-bit Windows the one
// for 32-bit programs) and the product's folder in it.
platform::Text default_directory();
// The folder the location key records; empty when it records none. A value
// that is no text is "Invalid data type for 'exepath'".
platform::Text recorded_directory();
// The installed-copy rule: the recorded folder, in any letter case of A to
// Z, is the one the program runs from.
bool names_running_folder(const platform::Text &recorded);
// Whether either record of the installation, the location key's exepath or
// the entry's InstallLocation, names the running program's folder.
bool recorded_in_own_folder();
