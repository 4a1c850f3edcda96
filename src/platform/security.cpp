#include "security.h"
#include <sddl.h>
#include <iterator>

namespace platform {

namespace {
// P: protected, nothing inherited from the parent. OICI: inherited by the
// files and folders inside. FA: full control. 0x1200a9: read and execute.
// BA, SY, BU: Administrators, SYSTEM, Users.
constexpr wchar_t kProgramFilesAccess[] =
    L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
constexpr wchar_t kFileAccess[] = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)";

// Administrators, SYSTEM, TrustedInstaller: the owners accepted besides the
// account running setup. Then CREATOR OWNER, CREATOR GROUP, OWNER RIGHTS.
constexpr const wchar_t *kTrusted[] = {
    L"S-1-5-32-544", L"S-1-5-18", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
    L"S-1-3-0",      L"S-1-3-1",  L"S-1-3-4"};
constexpr std::size_t kTrustedOwners = 3;

LocalMemory descriptor_from(const wchar_t *text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor,
                                                           nullptr);
    return LocalMemory(descriptor);
}

bool is_trusted(PSID sid, PSID user, std::size_t kinds) {
    if (user && ::EqualSid(sid, user)) return true;
    wchar_t *text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return false;
    const LocalMemory owned(text);
    for (std::size_t i = 0; i < kinds; ++i)
        if (std::wcscmp(text, kTrusted[i]) == 0) return true;
    return false;
}

} // namespace

LocalMemory program_files_descriptor() {
    return descriptor_from(kProgramFilesAccess);
}

LocalMemory protected_file_descriptor() {
    return descriptor_from(kFileAccess);
}

bool create_protected_directory(const Text &path) {
    const LocalMemory descriptor = program_files_descriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    return ::CreateDirectoryW(path.c_str(), &attributes) != FALSE;
}

bool only_trusted_may(void *descriptor, void *user, DWORD rights) {
    PSID owner = nullptr;
    PACL list = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner ||
        !is_trusted(owner, user, kTrustedOwners) ||
        !::GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) || !present || !list)
        return false;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        if (!::GetAce(list, i, reinterpret_cast<void **>(&entry))) return false;
        const BYTE type = entry->Header.AceType;
        if ((type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) &&
            !(entry->Header.AceFlags & INHERIT_ONLY_ACE) && (entry->Mask & rights) &&
            !is_trusted(&entry->SidStart, user, std::size(kTrusted)))
            return false;
    }
    return true;
}

bool only_trusted_may(const Text &path, DWORD rights) {
    // In DWORDs for the structures' alignment. An access list too long for
    // this, far longer than any folder's, cannot be read and is refused.
    DWORD descriptor[1024], user[32], size = 0;
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    const UniqueHandle owned(token);
    const PSID sid = ::GetTokenInformation(token, TokenUser, user, sizeof user, &size)
                         ? reinterpret_cast<TOKEN_USER *>(user)->User.Sid
                         : nullptr;
    return ::GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              descriptor, sizeof descriptor, &size) &&
           only_trusted_may(descriptor, sid, rights);
}

} // namespace platform
