// Registry keys and values, against Wine's real registry.
#include "platform/registry.h"
#include "support/environment.h"
#include "support/errors.h"
#include "support/registry_state.h"
#include "support/text.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

constexpr wchar_t kScratchKey[] = L"SOFTWARE\\instal-tests";
const std::string kScratchKeyText = utf8(kScratchKey);

class Registry : public ::testing::Test {
protected:
    void SetUp() override { platform::delete_key_tree(HKEY_LOCAL_MACHINE, kScratchKey); }
    void TearDown() override { platform::delete_key_tree(HKEY_LOCAL_MACHINE, kScratchKey); }
};

TEST_F(Registry, WritesTextWithItsTerminatingZero) {
    const auto key = platform::RegistryKey::create(HKEY_LOCAL_MACHINE, kScratchKey);
    key.write_text(L"exepath", L"C:\\Program Files\\Tolmera\\");
    const RawValue value = read_raw(HKEY_LOCAL_MACHINE, kScratchKeyText, "exepath");
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.bytes, std::string("C:\\Program Files\\Tolmera\\\0", 26));
    key.write_text(L"empty", L"");
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, kScratchKeyText, "empty").bytes, std::string(1, '\0'));
}

TEST_F(Registry, ReadsMissingAsEmptyAndTextAsStored) {
    const auto key = platform::RegistryKey::create(HKEY_LOCAL_MACHINE, kScratchKey);
    EXPECT_EQ(key.read_text(L"absent"), L"");
    EXPECT_EQ(platform::RegistryKey::open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\no such key")
                  .read_text(L"exepath"),
              L"");
    const char expandable[] = "%TEMP%\\x";
    ::RegSetValueExA(key.get(), "expand", 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE *>(expandable), sizeof expandable);
    EXPECT_EQ(key.read_text(L"expand"), L"%TEMP%\\x");
    ::RegSetValueExA(key.get(), "zero", 0, REG_SZ, nullptr, 0);
    EXPECT_EQ(key.read_text(L"zero"), L"");
    const char inner[] = "before\0after";
    ::RegSetValueExA(key.get(), "inner", 0, REG_SZ, reinterpret_cast<const BYTE *>(inner),
                     sizeof inner);
    EXPECT_EQ(key.read_text(L"inner"), L"before");
}

TEST_F(Registry, ANonTextValueIsAnError) {
    set_dword(HKEY_LOCAL_MACHINE, kScratchKeyText, "exepath", 7);
    const auto key = platform::RegistryKey::open(HKEY_LOCAL_MACHINE, kScratchKey);
    EXPECT_EQ(error_of([&] { key.read_text(L"exepath"); }), "Invalid data type for 'exepath'");
}

// Full access, not only reading and writing: the key's access list can be
// changed through the very handle, as only full access allows.
TEST_F(Registry, CreatedKeysAllowEveryOperation) {
    const auto key = platform::RegistryKey::create(HKEY_LOCAL_MACHINE, kScratchKey);
    DWORD size = 0;
    ::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size ? size : 1);
    ASSERT_EQ(::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data()),
              ERROR_SUCCESS);
    HKEY sub = nullptr;
    EXPECT_EQ(::RegCreateKeyExA(key.get(), "sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(sub);
    key.write_text(L"v", L"x");
    key.delete_value(L"v");
    EXPECT_FALSE(read_raw(HKEY_LOCAL_MACHINE, kScratchKeyText, "v").present);
}

TEST_F(Registry, DeletesAKeyTreeFromTheDeepestUp) {
    set_string(HKEY_LOCAL_MACHINE, kScratchKeyText + "\\a\\b\\c", "v", "x");
    set_string(HKEY_LOCAL_MACHINE, kScratchKeyText + "\\d", "v", "x");
    platform::delete_key_tree(HKEY_LOCAL_MACHINE, kScratchKey);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kScratchKeyText));
}

TEST_F(Registry, TheRootItselfOpensAndAKeyThatCannotBeMadeIsNamed) {
    EXPECT_EQ(error_of([] { platform::RegistryKey::create(HKEY_LOCAL_MACHINE, L""); }),
              "(no error)"); // the root itself opens
    EXPECT_EQ(error_of([] {
                  platform::RegistryKey::create(reinterpret_cast<HKEY>(0x1234), L"SOFTWARE\\x");
              }),
              "Failed to create key SOFTWARE\\x");
}

} // namespace
