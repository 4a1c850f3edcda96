#pragma once
// The main window of setup: a wizard of four pages over one fixed set of
// controls, and the program's procedures that install and remove.
#include "window/form.h"
#include "pacing.h"
#include "platform/text/text.h"

// Program-wide state, owned by the GUI thread.
namespace insta {
extern unsigned char page_index;           // 0 licence, 1 choice, 2 path, 3 progress, 4 close
extern platform::Text install_directory;   // ends in a backslash once set for an install
extern unsigned char self_removal_pending; // set by a completed uninstall, never reset
// Set by an unattended run: its shortcuts go to the folders of every user.
extern unsigned char all_users_shortcuts;
// Set by a run asked for nothing but the removal of the installation in its
// own folder: the removal takes install_directory as that run set it.
extern unsigned char removal_of_own_folder;
} // namespace insta

class TForm1 : public ui::Form {
public:
    TForm1();

    ui::Control *Image1, *Bevel1, *Label1, *Image2, *Label2, *Label3, *Label4, *Image3, *Image4,
        *Bevel2, *Button1, *Button2, *Button3, *rb1, *rb2, *Memo1, *Button4, *pb1, *Edit1;

    void FormCreate() override;
    void FormClose(CloseAction &action) override;
    void Button2Click(ui::Control &sender);
    void rb1Click(ui::Control &sender);
    void Button3Click(ui::Control &sender);
    void Button4Click(ui::Control &sender);

    void docopy();
    void dodel();
    void makeicon();
    void MakeLink(const platform::Text &target, const platform::Text &link_name,
                  const platform::Text &description);
    void DeleteMe();

private:
    void apply_page();
    void show_progress_page(const wchar_t *heading);
    // What the procedures show, through the pacing seam.
    void set_status(const platform::Text &text);
    void set_position(int position);
};

extern TForm1 *Form1;

// Whether either record of the installation, the location key's exepath or
// the entry's InstallLocation, names the running program's folder, by the
// rule that makes the program the uninstaller.
bool recorded_in_own_folder();

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
// anything in it.
// A script that cannot be written raises the runtime's error, and leaves
// neither script nor folder, and the file where it was.
namespace platform {
class ImageFile;
}
void remove_after_exit(const platform::ImageFile &program, const platform::Text &program_path,
                       bool part_of_installation, const platform::Text &scripts_parent);
