#pragma once
// The user's folders (desktop, Start menu, Programs) come from the user's
// profile and HKEY_CURRENT_USER, which the user controls: what the program
// does there, it does as that user, and only in a folder named as a plain
// path that reaches no other place.
#include "../platform/text.h"

// A drive path (X:\...) or a share (\\server\share\...), no device or object
// name, and no folder on its way a link: otherwise the folder counts as
// empty, and nothing is made or deleted there.
bool usable_user_folder(const platform::Text &folder);
