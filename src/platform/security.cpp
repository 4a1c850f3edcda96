#include "security.h"
#include <sddl.h>

namespace platform {

namespace {
// P: protected, nothing inherited from the parent. OICI: inherited by the
// files and folders inside. FA: full control. 0x1200a9: read and execute.
// BA, SY, BU: Administrators, SYSTEM, Users.
constexpr wchar_t kProgramFilesAccess[] =
    L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
} // namespace

LocalMemory program_files_descriptor() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(kProgramFilesAccess, SDDL_REVISION_1,
                                                           &descriptor, nullptr);
    return LocalMemory(descriptor);
}

bool create_protected_directory(const Text &path) {
    const LocalMemory descriptor = program_files_descriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    return ::CreateDirectoryW(path.c_str(), &attributes) != FALSE;
}

} // namespace platform
