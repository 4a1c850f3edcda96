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
// The uninstaller copy while it is written and checked, before it takes its place.
inline constexpr wchar_t kStagedUninstallerFile[] = L"install.exe.new";

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

// Held by every setup and uninstaller while it runs, machine-wide: one at a time.
inline constexpr wchar_t kSetupMutex[] = L"Global\\Corvanta.Setup";
// The wizard that holds it: its window and process (volatile, under kMachineRoot).
inline constexpr wchar_t kRunningWizardKey[] = L"SOFTWARE\\Corvanta.Setup";

inline constexpr wchar_t kSelfRemovalScript[] = L"$$a$$.bat";
// The program's file, moved beside the script that deletes it.
inline constexpr wchar_t kSelfRemovalProgram[] = L"$$a$$.exe";

} // namespace manifest
