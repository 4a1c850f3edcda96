#pragma once
// How the running program deletes its own file after a removal: a script
// that outlives it, in a folder only administrators can write.
#include "platform/text/text.h"
#include "progress.h"

// The short (8.3) form of a path; empty text when the system has none.
platform::Text GetShortPath(const platform::Text &long_path);
// What the self-removal script deletes, and what it runs.
struct SelfRemovalPaths {
    platform::Text program; // the program's file, in its short form
    platform::Text script;  // the script itself
    platform::Text folder;  // the script's own folder
    platform::Text system;  // the system directory
    // The install directory, in its short form, to remove when it is empty;
    // empty when the program is no part of an installation.
    platform::Text install_directory;
};
// The lines of the script that deletes the program once it is free, removes
// the install directory if it is empty, then deletes itself and its folder.
platform::Text self_removal_script(const SelfRemovalPaths &paths);
// Deletes program, the file at program_path, once it has ended: moved by its
// handle into a new folder of its own inside scripts_parent, a script there
// deletes it, then itself and the folder. Where it cannot be moved, a file
// that is part_of_installation is deleted where it lies; any other stays,
// as does one held for reading only. The folder of a program that is
// part_of_installation is removed after it when it is empty, never with
// anything in it. What is left to the next restart is told to progress.
// A script that cannot be written raises the runtime's error, and leaves
// neither script nor folder, and the file where it was.
namespace platform {
class ImageFile;
}
void remove_after_exit(const platform::ImageFile &program, const platform::Text &program_path,
                       bool part_of_installation, const platform::Text &scripts_parent,
                       Progress &progress);
