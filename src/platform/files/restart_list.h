#pragma once
// The system's list of what to do with files when it next starts
// (PendingFileRenameOperations), which MoveFileEx fills when asked to delay
// a move until the restart: pairs of names, a file and its new name, the
// new name empty for a deletion.
#include <cstddef>
#include "platform/text/text.h"

namespace platform {

// Takes every deletion of one of the paths (full paths in their long form,
// compared in any letter case and with the list's names in their long form
// too), and every move onto one of them, out of the list, and keeps every
// other entry as it was.
void cancel_deletions_at_restart(const Text *paths, std::size_t count);

} // namespace platform
