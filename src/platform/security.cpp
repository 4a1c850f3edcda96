#include "security.h"
#include "owners.h"
#include <sddl.h>

namespace platform {

namespace {
// P: protected, nothing inherited from the parent. OICI: inherited by the
// files and folders inside. FA: full control. 0x1200a9: read and execute.
// BA, SY, BU: Administrators, SYSTEM, Users.
constexpr char kProgramFilesAccess[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
} // namespace

bool create_protected_directory(const std::string &path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kProgramFilesAccess, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const LocalMemory owned(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    return ::CreateDirectoryA(path.c_str(), &attributes) != FALSE;
}

} // namespace platform
