#pragma once
// Where an install puts things, and how tests put the prefix back.
#include <string>
#include <vector>

namespace testing_support {

std::string shell_folder(const wchar_t *value_name); // from the user's Shell Folders key
// What an install may change, as lines of text to compare: each file in
// directory with a digest of its bytes, each value of the product's two
// keys, the six shortcuts (the user's) and the restart list.
std::string installation_state(const std::string &directory);
// The six shortcut paths in the order the install makes them.
std::vector<std::string> shortcut_paths();
std::string programs_sub_folder();
// Deletes the shortcuts, the sub-folder and the product's registry keys.
void remove_installation_traces();
// The carried files' sources, in payload order.
std::vector<std::string> payload_sources();

} // namespace testing_support
