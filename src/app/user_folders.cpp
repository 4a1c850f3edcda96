#include "user_folders.h"
#include "../platform/files.h"
#include "../platform/paths.h"

bool usable_user_folder(const platform::Text &folder) {
    return platform::is_full_path(folder + L"\\") && !platform::path_has_link(folder);
}
