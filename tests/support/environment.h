#pragma once
// What the test run provides: paths of the build's products, converted to
// the Windows side of the Wine prefix.
#include <string>

namespace testing_support {

// A Unix path ("/work/x") as Wine sees it ("Z:\work\x"); others unchanged.
std::string windows_path(const std::string &path);
// The variable's value, as a Windows path; the test fails when it is unset.
std::string path_from_environment(const char *name);
std::string read_file(const std::string &path);
void write_text_file(const std::string &path, const std::string &bytes);
bool exists(const std::string &path);
// The drive of the disk-full cases ("T:\\"), which the test environment
// mounts with a size of 16 MiB; the test fails where it is missing.
std::string small_drive();
// Leaves spare bytes free on the drive of root, in root's file "filler",
// which takes the rest.
void fill_drive(const std::string &root, unsigned long long spare);
// A fresh, empty directory under the prefix's temporary folder.
std::string scratch_directory(const std::string &name);
void remove_tree(const std::string &path);
// The access list of a security descriptor, one entry after the other:
// "protected; S-1-5-18 1f01ff OICI; ..." (SID, access mask in hex,
// inheritance flags); "(no access list)" when it has none.
std::string access_list_text(void *security_descriptor);
// The same for a file or folder, as the system reports it. Wine derives it
// from the Unix permissions, not from the descriptor the folder was made with.
std::string access_list_of(const std::string &path);
// Gives a file or folder the access list written in the system's text form
// ("D:P(A;OICI;FA;;;WD)"); Wine turns it into the Unix mode.
bool set_access_list(const std::string &path, const std::string &list);

// A symbolic link at link (a Windows path) to target, made on the Unix side
// of the prefix: Wine's own CreateSymbolicLinkA reports success without
// making a link that works. False when it could not be made.
bool make_unix_symbolic_link(const std::string &target, const std::string &link);
// Removes such a link itself, never what it points to.
void remove_unix_symbolic_link(const std::string &link);

} // namespace testing_support
