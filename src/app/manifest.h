#pragma once
// Every name the setup program writes or looks for: carried resources and
// the files they become, the uninstaller copy, shortcuts, registry records
// and the product's fixed texts. Only the install directory varies.
#include <windows.h>
#include <shlobj.h>
#include "carried_files.h"

namespace manifest {

inline constexpr char kProductName[] = "Corvanta";
inline constexpr char kDefaultDirectory[] = "C:\\Program Files\\Tolmera";

// The carried files, from the build's one list of them.
using Payload = CarriedFile;
inline constexpr const auto &kPayloads = kCarriedFiles;

inline constexpr char kApplicationFile[] = "Tolmera.exe";
inline constexpr char kHelpFile[] = "readme.chm";
inline constexpr char kUninstallerFile[] = "install.exe";

// Registry records. Paths carry no leading backslash.
inline const HKEY kMachineRoot = HKEY_LOCAL_MACHINE;
inline constexpr char kInstalledLocationKey[] = "SOFTWARE\\tolmera";
inline constexpr char kInstalledLocationValue[] = "exepath";
inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta";
inline constexpr char kDisplayNameValue[] = "DisplayName";
inline constexpr char kUninstallStringValue[] = "UninstallString";
inline const HKEY kUserRoot = HKEY_CURRENT_USER;
inline constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kDesktopValue[] = "Desktop";
inline constexpr char kStartMenuValue[] = "Start Menu";
inline constexpr char kProgramsValue[] = "Programs";

// Shortcuts: the desktop and Start-menu ones are appended to a folder path
// (no trailing backslash), the others to the Programs folder and one "\".
inline constexpr char kDesktopAppLink[] = "\\Corvanta.lnk";
inline constexpr char kDesktopHelpLink[] = "\\Readme.lnk";
inline constexpr char kStartMenuAppLink[] = "\\Corvanta.lnk";
inline constexpr char kProgramsSubFolder[] = "Tolmera";
inline constexpr char kProgramsAppLink[] = "Tolmera\\Corvanta.lnk";
inline constexpr char kProgramsHelpLink[] = "Tolmera\\Readme.lnk";
inline constexpr char kProgramsUninstallLink[] = "Tolmera\\Uninstall.lnk";
inline constexpr int kDesktopFolder = CSIDL_DESKTOPDIRECTORY;
inline constexpr int kStartMenuFolder = CSIDL_STARTMENU;

inline constexpr char kSelfRemovalScript[] = "$$a$$.bat";

} // namespace manifest
