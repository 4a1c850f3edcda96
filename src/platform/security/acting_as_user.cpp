#include "acting_as_user.h"
#include "platform/setup_error.h"
#include "platform/shell.h"

namespace platform {

namespace {

[[noreturn]] void raise_last_error() {
    raise_error(ole_error_text(HRESULT_FROM_WIN32(::GetLastError())));
}

// S-1-5-32-544, BUILTIN\Administrators.
struct {
    BYTE revision = SID_REVISION;
    BYTE sub_authority_count = 2;
    SID_IDENTIFIER_AUTHORITY authority = {SECURITY_NT_AUTHORITY};
    DWORD sub_authorities[2] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS};
} administrators;

} // namespace

ActingAsUser::ActingAsUser(bool acting) {
    if (!acting) return; // (and the thread's own token is none to revert to)
    HANDLE process_token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process_token))
        raise_last_error();
    const UniqueHandle process(process_token);
    SID_AND_ATTRIBUTES deny_only = {&administrators, 0};
    HANDLE restricted_token = nullptr;
    if (!::CreateRestrictedToken(process.get(), DISABLE_MAX_PRIVILEGE, 1, &deny_only, 0, nullptr, 0,
                                 nullptr, &restricted_token))
        raise_last_error();
    const UniqueHandle restricted(restricted_token);
    if (!::ImpersonateLoggedOnUser(restricted.get())) raise_last_error();
}

ActingAsUser::~ActingAsUser() {
    ::RevertToSelf(); // without impersonation, nothing to do
}

} // namespace platform
