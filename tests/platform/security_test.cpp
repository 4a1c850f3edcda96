// Acting as the user, with no more rights than the user has.
#include "platform/security/acting_as_user.h"
#include "support/text.h"
#include <gtest/gtest.h>
#include <sddl.h>

using namespace testing_support;

namespace {

// Shortcuts are made and removed with no more rights than the user has: the
// Administrators group can only deny; the thread is itself again afterwards.
TEST(Security, WorkInTheUsersFoldersIsDoneWithoutTheAdministratorsRights) {
    const auto group_of = [](HANDLE token, DWORD &attributes) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
        std::vector<BYTE> buffer(size ? size : 1);
        if (!::GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return false;
        const auto *groups = reinterpret_cast<const TOKEN_GROUPS *>(buffer.data());
        for (DWORD i = 0; i < groups->GroupCount; ++i) {
            LPWSTR sid = nullptr;
            ::ConvertSidToStringSidW(groups->Groups[i].Sid, &sid);
            const bool administrators = sid && std::wstring(sid) == L"S-1-5-32-544";
            ::LocalFree(sid);
            if (administrators) {
                attributes = groups->Groups[i].Attributes;
                return true;
            }
        }
        return false;
    };
    HANDLE process_token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &process_token));
    DWORD attributes = 0;
    const bool elevated = group_of(process_token, attributes);
    ::CloseHandle(process_token);
    {
        const platform::ActingAsUser user;
        HANDLE thread_token = nullptr;
        ASSERT_TRUE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &thread_token));
        if (elevated) {
            ASSERT_TRUE(group_of(thread_token, attributes));
            EXPECT_TRUE(attributes & SE_GROUP_USE_FOR_DENY_ONLY);
            EXPECT_FALSE(attributes & SE_GROUP_ENABLED);
        }
        // The privileges removed only Windows shows: Wine keeps them all.
        ::CloseHandle(thread_token);
    }
    HANDLE none = nullptr;
    EXPECT_FALSE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &none));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
}

} // namespace
