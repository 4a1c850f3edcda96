#include "security.h"
#include <aclapi.h>
#include <sddl.h>
#include <cstring>
#include <iterator>

namespace platform {

namespace {
// O:BA: owned by Administrators. P: protected, nothing inherited from the
// parent. OICI: inherited by the files and folders inside. FA: full
// control. 0x1200a9: read and execute. BA, SY, BU: Administrators, SYSTEM,
// Users.
constexpr wchar_t kProgramFilesAccess[] =
    L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
constexpr wchar_t kFileAccess[] = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)";

// Administrators, SYSTEM, TrustedInstaller: the owners accepted besides the
// account running setup. Then CREATOR OWNER, CREATOR GROUP, OWNER RIGHTS.
constexpr const wchar_t *kTrusted[] = {
    L"S-1-5-32-544", L"S-1-5-18", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
    L"S-1-3-0",      L"S-1-3-1",  L"S-1-3-4"};
constexpr std::size_t kTrustedOwners = 3;
constexpr std::size_t kSystem = 1;

LocalMemory descriptor_from(const wchar_t *text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor,
                                                           nullptr);
    return LocalMemory(descriptor);
}

bool is_trusted(PSID sid, PSID user, std::size_t first, std::size_t kinds) {
    if (!::IsValidSid(sid)) return false;
    if (user && ::EqualSid(sid, user)) return true;
    wchar_t *text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return false;
    const LocalMemory owned(text);
    for (std::size_t i = first; i < kinds; ++i)
        if (std::wcscmp(text, kTrusted[i]) == 0) return true;
    return false;
}

// The accounts an allowing entry grants its rights to, by the entry's kind;
// none for any other kind. An object entry's account follows the object
// types it names; a compound entry names a server and then a client.
std::size_t granted_accounts(const ACE_HEADER &entry, PSID (&accounts)[2]) {
    auto *const bytes = reinterpret_cast<unsigned char *>(const_cast<ACE_HEADER *>(&entry));
    DWORD at = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
    std::size_t count = 1;
    switch (entry.AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        break;
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
        at += 2 * sizeof(WORD);
        count = 2;
        break;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
        DWORD flags;
        std::memcpy(&flags, bytes + at, sizeof flags);
        at += sizeof flags;
        if (flags & ACE_OBJECT_TYPE_PRESENT) at += sizeof(GUID);
        if (flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) at += sizeof(GUID);
        break;
    }
    default:
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        // An account that does not fit in the entry is an account nobody trusts.
        const PSID sid = bytes + at;
        if (at + 8 > entry.AceSize || !::IsValidSid(sid) ||
            at + ::GetLengthSid(sid) > entry.AceSize)
            return i + 1;
        accounts[i] = sid;
        at += ::GetLengthSid(sid);
    }
    return count;
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
        !is_trusted(owner, user, 0, kTrustedOwners) ||
        !::GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) || !present || !list)
        return false;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        ACE_HEADER *entry = nullptr;
        if (!::GetAce(list, i, reinterpret_cast<void **>(&entry))) return false;
        PSID accounts[2] = {};
        const std::size_t count = granted_accounts(*entry, accounts);
        DWORD mask;
        std::memcpy(&mask, entry + 1, sizeof mask);
        if (!count || (entry->AceFlags & INHERIT_ONLY_ACE) || !(mask & rights)) continue;
        for (std::size_t a = 0; a < count; ++a)
            if (!accounts[a] || !is_trusted(accounts[a], user, 0, std::size(kTrusted)))
                return false;
    }
    return true;
}

bool only_trusted_may_on(HANDLE object, void *user, DWORD rights) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const LocalMemory owned(descriptor);
    return only_trusted_may(descriptor, user, rights);
}

bool account_is_trusted(void *user, DWORD elevation_type, bool account_control_on) {
    if (user && is_trusted(user, nullptr, kSystem, kSystem + 1)) return true;
    return !account_control_on || (elevation_type != TokenElevationTypeFull &&
                                   elevation_type != TokenElevationTypeLimited);
}

RunningAccount::RunningAccount() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    const UniqueHandle owned(token);
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, token_user_, sizeof token_user_, &size)) return;
    sid_ = reinterpret_cast<TOKEN_USER *>(token_user_)->User.Sid;
    // Windows XP knows no elevation: the account's token is all there is.
    DWORD elevation_type = TokenElevationTypeDefault;
    ::GetTokenInformation(token, TokenElevationType, &elevation_type, sizeof elevation_type, &size);
    // The policy's default, where nothing says otherwise, is on.
    DWORD account_control = 1, value_size = sizeof account_control;
    HKEY policies = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                        KEY_QUERY_VALUE, &policies) == ERROR_SUCCESS) {
        const UniqueKey key(policies);
        DWORD type = 0;
        if (::RegQueryValueExW(policies, L"EnableLUA", nullptr, &type,
                               reinterpret_cast<BYTE *>(&account_control),
                               &value_size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            account_control = 1;
    }
    trusted_ = account_is_trusted(sid_, elevation_type, account_control != 0);
}

} // namespace platform
