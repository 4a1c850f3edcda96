#pragma once
// File and directory helpers that raise the program's own error texts.
#include <windows.h>
#include "platform/buffer.h"
#include "platform/owners.h"
#include "platform/text/text.h"

namespace platform {

bool directory_exists(const Text &path);
// True when a file, not a directory, of that name exists.
bool file_exists(const Text &path);

// Folders held open, without delete sharing, until the object goes: none
// of them can be renamed, removed or replaced by a link meanwhile.
class HeldFolders {
public:
    HeldFolders() = default;
    HeldFolders(const HeldFolders &) = delete;
    HeldFolders &operator=(const HeldFolders &) = delete;
    ~HeldFolders();
    void hold(UniqueHandle folder);
    // From the root on.
    const Buffer<HANDLE> &handles() const { return handles_; }

private:
    Buffer<HANDLE> handles_;
};

// The system's code for a name that leads through a link
// (ERROR_REPARSE_POINT_ENCOUNTERED, which the headers lack).
constexpr DWORD kErrorLinkOnTheWay = 4395;

// Creates path and every missing parent, and tells whether the folder may
// take what administrators will run: 0 if every folder on the way exists as
// a folder and is no link, is owned by a trusted account (see
// only_trusted_may) and lets nobody else remove or rename it or what is in
// it, or change its rights (kMoveRights; a drive's or share's root cannot
// be renamed, and may be by anybody), and the last also lets nobody else
// write into it (kChangeRights). Otherwise the reason: ERROR_ACCESS_DENIED
// for an owner or rights, kErrorLinkOnTheWay for a link, or the system's
// code. Each folder is opened once, without following a link; its kind and
// its rights are read through that handle, which stays in held. '/' counts
// as '\'; the path must be full ("C:" is the drive's root). Each directory
// made here gets the access list of Program Files; directories that
// existed keep their own.
DWORD force_directories(Text path, void *trusted_user, HeldFolders &held);
// The rights only trusted accounts may have on one folder of that walk:
// kChangeRights on the last, kMoveRights above it, DELETE aside on a root.
DWORD judged_rights(bool root, bool last);
// The same walk over folders that must exist (or, with make, as
// force_directories): each opened once without following a link, and
// held; with judge also judged for its rights.
DWORD hold_directories(Text path, void *trusted_user, bool judge, HeldFolders &held,
                       bool make = false);
// Opens the file name (no folders in it) inside the folder open at folder,
// or makes it there if it is missing, without following a link in its
// place, shared for reading only; made tells which. A null handle, with
// the system's code, when it cannot.
UniqueHandle create_in_folder(HANDLE folder, const Text &name, DWORD access, bool &made);
// Marks the file open at file, opened with DELETE, to go when it is closed
// (by whatever ends its process, too), or with go false no more: false,
// with the system's code, where that is refused.
bool delete_open_file(HANDLE file, bool go = true);

// "Cannot create file %s", with path and the system's code behind it.
[[noreturn]] void cannot_create_file(const Text &path, DWORD code = 0);

// Replaces path with exactly these bytes, written in one call:
// "Cannot create file %s" or "Stream write error". The file gets the
// protected access list (protected_file_descriptor), whether it is made or
// replaced. A link in the file's place, or a file with more than one name,
// is not written through: that too is "Cannot create file %s".
void write_file(const Text &path, const void *bytes, DWORD size);
// What a copy is judged by: every byte written, in order, then a verdict.
class CopyCheck {
public:
    virtual void add(const void *bytes, DWORD size) = 0;
    virtual bool accept() = 0;

protected:
    ~CopyCheck() = default;
};
// Opens the existing file path, not following a link in its place, with
// access, shared with nobody: nobody else can open, move or delete it while
// it is held. Invalid, with the system's code, where that is refused.
UniqueHandle open_held(const Text &path, DWORD access);
// Gives the file open at file (with DELETE) the full path as its name,
// replacing a file of that name only with replace: false, with the
// system's code, where that is refused.
bool rename_open_file(HANDLE file, const Text &path, bool replace);

// Whether a directory entry with these attributes and reparse tag sends its
// name elsewhere: a symbolic link, junction or mount point. Other reparse
// points, such as the placeholders of folders a cloud service keeps in
// step, are ordinary files and folders. A reparse point whose tag the
// system does not tell (0, as Wine reports for a Unix symbolic link) is
// taken for a link.
bool redirects_name(DWORD attributes, DWORD tag);
// Whether path itself (a trailing '\\' aside) is such a link.
bool is_link(Text path);
// Whether any folder on the way to path, or path itself, is such a link.
bool path_has_link(const Text &path);
// True when path is a link or a file that has other names (hard links):
// replacing its contents would change a file elsewhere.
bool leads_elsewhere(const Text &path);
// Whether both paths name one file, by volume and file index, whatever
// their spelling (letter case, short names, "." and ".."). A missing file
// is the same as nothing.
bool same_file(const Text &first, const Text &second);
// NtQueryInformationFile: what the system tells of an open file, by kind.
bool query_file_information(HANDLE file, int kind, void *information, DWORD size);
// Whether the file open at file is the entry name of the folder open at
// folder: its whole name within its volume, and the volume, as the system
// gives them through the two handles; not one a link led to. (Wine names
// the file a Unix link leads to, and shows no such link as one otherwise.)
bool opened_as(HANDLE file, HANDLE folder, const Text &name);
// Clears the read-only attribute, which would stop a deletion or overwrite.
void clear_read_only(const Text &path);
// The same for the file open at file (with FILE_WRITE_ATTRIBUTES).
void clear_read_only(HANDLE file);

} // namespace platform
