#pragma once
// Every name the setup program writes or looks for: carried resources and
// the files they become, the uninstaller copy, shortcuts, registry records
// and the product's fixed texts. Only the install directory varies.
#include <windows.h>
#include <shlobj.h>
#include "carried_files.h"
#include "product.h"

namespace manifest {

// Name, version and publisher come from the build's one statement of them,
// which also makes the version resource: the main window's caption names
// the version too.
inline constexpr wchar_t kProductName[] = INSTAL_PRODUCT_NAME;
inline constexpr wchar_t kVersion[] = INSTAL_PRODUCT_VERSION;
inline constexpr wchar_t kPublisher[] = INSTAL_PUBLISHER;
inline constexpr wchar_t kWindowCaption[] =
    L"Setup-" INSTAL_PRODUCT_NAME L" " INSTAL_PRODUCT_VERSION;
// The install directory offered: the system's folder for programs and this
// name; the literal where the system names no such folder.
inline constexpr wchar_t kInstallFolderName[] = L"Tolmera";
inline constexpr wchar_t kDefaultDirectory[] = L"C:\\Program Files\\Tolmera";

// The carried files, from the build's one list of them.
using Payload = CarriedFile;
inline constexpr const auto &kPayloads = kCarriedFiles;

inline constexpr wchar_t kApplicationFile[] = L"Tolmera.exe";
inline constexpr wchar_t kHelpFile[] = L"readme.chm";
inline constexpr wchar_t kUninstallerFile[] = L"install.exe";

// The six files of an installation, in the order the install writes them:
// the carried files, then the uninstaller, the running program's copy.
// Each is written beside its place under its name and its staged suffix,
// and takes its place only once all six are whole; the file it replaces
// waits under its name and kReplacedSuffix until the install is complete.
// A run that was killed leaves them there under those names.
struct InstalledFile {
    const wchar_t *name;
    const wchar_t *staged_suffix;
    bool uninstaller; // removed by the running program's own removal, not with the others
};
inline constexpr InstalledFile kInstalledFiles[] = {
    {kPayloads[0].file, L".unpacking", false}, {kPayloads[1].file, L".unpacking", false},
    {kPayloads[2].file, L".unpacking", false}, {kPayloads[3].file, L".unpacking", false},
    {kPayloads[4].file, L".unpacking", false}, {kUninstallerFile, L".new", true}};
static_assert(sizeof kPayloads / sizeof kPayloads[0] == 5, "a carried file without its row");
inline constexpr const InstalledFile &kUninstaller = kInstalledFiles[5];
inline constexpr wchar_t kReplacedSuffix[] = L".replaced";

// Registry records. Paths carry no leading backslash.
inline const HKEY kMachineRoot = HKEY_LOCAL_MACHINE;
inline constexpr wchar_t kInstalledLocationKey[] = L"SOFTWARE\\tolmera";
inline constexpr wchar_t kInstalledLocationValue[] = L"exepath";
inline constexpr wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta";
inline constexpr wchar_t kDisplayNameValue[] = L"DisplayName";
inline constexpr wchar_t kUninstallStringValue[] = L"UninstallString";
// The rest of the entry, which deployment tools match installed programs by.
inline constexpr wchar_t kDisplayVersionValue[] = L"DisplayVersion";
inline constexpr wchar_t kPublisherValue[] = L"Publisher";
inline constexpr wchar_t kDisplayIconValue[] = L"DisplayIcon";
inline constexpr wchar_t kInstallLocationValue[] = L"InstallLocation";
inline constexpr wchar_t kInstallDateValue[] = L"InstallDate";
inline constexpr wchar_t kQuietUninstallStringValue[] = L"QuietUninstallString";
inline constexpr wchar_t kEstimatedSizeValue[] = L"EstimatedSize";
inline constexpr wchar_t kNoModifyValue[] = L"NoModify";
inline constexpr wchar_t kNoRepairValue[] = L"NoRepair";
// The end of the quiet uninstall command: the closing quotation mark, the
// switch that makes the uninstaller run without a window, and the one that
// lets it do nothing but remove the installation it belongs to.
inline constexpr wchar_t kQuietEnd[] = L"\" /S /UNINSTALL";
inline const HKEY kUserRoot = HKEY_CURRENT_USER;
inline constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr wchar_t kDesktopValue[] = L"Desktop";
inline constexpr wchar_t kStartMenuValue[] = L"Start Menu";
inline constexpr wchar_t kProgramsValue[] = L"Programs";

// Shortcuts: the desktop and Start-menu ones are appended to a folder path
// (no trailing backslash), the others to the Programs folder and one "\".
inline constexpr wchar_t kDesktopAppLink[] = L"\\Corvanta.lnk";
inline constexpr wchar_t kDesktopHelpLink[] = L"\\Readme.lnk";
inline constexpr wchar_t kStartMenuAppLink[] = L"\\Corvanta.lnk";
inline constexpr wchar_t kProgramsSubFolder[] = L"Tolmera";
inline constexpr wchar_t kProgramsAppLink[] = L"Tolmera\\Corvanta.lnk";
inline constexpr wchar_t kProgramsHelpLink[] = L"Tolmera\\Readme.lnk";
inline constexpr wchar_t kProgramsUninstallLink[] = L"Tolmera\\Uninstall.lnk";
inline constexpr int kDesktopFolder = CSIDL_DESKTOPDIRECTORY;
inline constexpr int kStartMenuFolder = CSIDL_STARTMENU;
// The same shortcuts for every user, from an unattended install.
inline constexpr int kAllUsersDesktopFolder = CSIDL_COMMON_DESKTOPDIRECTORY;
inline constexpr int kAllUsersStartMenuFolder = CSIDL_COMMON_STARTMENU;
inline constexpr int kAllUsersProgramsFolder = CSIDL_COMMON_PROGRAMS;

// The folders of the shortcuts: the user's, as the shell gives it (none for
// Programs, which is read from the value) and as the value of the
// Shell-folders key names it, and the one of every user.
enum class ShortcutFolder { desktop, start_menu, programs };
struct ShortcutFolderPlace {
    int user_folder;
    const wchar_t *user_value;
    int all_users_folder;
};
inline constexpr ShortcutFolderPlace kShortcutFolders[] = {
    {kDesktopFolder, kDesktopValue, kAllUsersDesktopFolder},
    {kStartMenuFolder, kStartMenuValue, kAllUsersStartMenuFolder},
    {-1, kProgramsValue, kAllUsersProgramsFolder}};
constexpr const ShortcutFolderPlace &place_of(ShortcutFolder folder) {
    return kShortcutFolders[static_cast<int>(folder)];
}

// The six shortcuts, in the order the install makes them: where, the name
// appended to that folder's path (Programs' after one "\"), and the
// installed file they start.
struct Shortcut {
    ShortcutFolder folder;
    const wchar_t *link;
    const wchar_t *target; // in the install directory
};
inline constexpr Shortcut kShortcuts[] = {
    {ShortcutFolder::desktop, kDesktopAppLink, kApplicationFile},
    {ShortcutFolder::desktop, kDesktopHelpLink, kHelpFile},
    {ShortcutFolder::start_menu, kStartMenuAppLink, kApplicationFile},
    {ShortcutFolder::programs, kProgramsAppLink, kApplicationFile},
    {ShortcutFolder::programs, kProgramsHelpLink, kHelpFile},
    {ShortcutFolder::programs, kProgramsUninstallLink, kUninstallerFile}};
// A removal deletes them in this order: in the Programs sub-folder the
// uninstaller's before the help's.
inline constexpr unsigned char kShortcutRemovalOrder[] = {0, 1, 2, 3, 5, 4};

// Held by every setup and uninstaller while it runs, machine-wide: one at a time.
inline constexpr wchar_t kSetupMutex[] = L"Global\\Corvanta.Setup";
// The wizard that holds it: its window and process (volatile, under kMachineRoot).
inline constexpr wchar_t kRunningWizardKey[] = L"SOFTWARE\\Corvanta.Setup";

inline constexpr wchar_t kSelfRemovalScript[] = L"$$a$$.bat";
// The program's file, moved beside the script that deletes it.
inline constexpr wchar_t kSelfRemovalProgram[] = L"$$a$$.exe";

} // namespace manifest
