#pragma once
// The entry in the system's list of installed programs beyond its name and
// uninstall command: what deployment tools and the list itself show and
// match an installed program by.
#include "platform/text/text.h"

// Writes version, publisher, icon, location, date, quiet uninstall command,
// size and the absence of modify and repair into the entry of an install
// into directory (which ends in a backslash).
void write_entry_details(const platform::Text &directory);
