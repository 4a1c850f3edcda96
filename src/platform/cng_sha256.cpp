#include "cng_sha256.h"
#include "dll_function.h"
#include "owners.h"
#include "paths.h"
#include "setup_error.h"
#include <bcrypt.h>

namespace platform {

namespace {

// bcrypt.dll is no known DLL, and Windows XP has none: loaded by its full
// path once the program runs, and kept.
struct CngFunctions {
    LoadedModule module;
    decltype(&::BCryptOpenAlgorithmProvider) open_algorithm;
    decltype(&::BCryptCloseAlgorithmProvider) close_algorithm;
    decltype(&::BCryptCreateHash) create_hash;
    decltype(&::BCryptDestroyHash) destroy_hash;
    decltype(&::BCryptHashData) hash_data;
    decltype(&::BCryptFinishHash) finish_hash;
};

const CngFunctions &cng() {
    static const CngFunctions functions = [] {
        LoadedModule module(::LoadLibraryW((system_directory() + L"\\bcrypt.dll").c_str()));
        const HMODULE dll = module.get();
        return CngFunctions{static_cast<LoadedModule &&>(module),
                            dll_function<decltype(&::BCryptOpenAlgorithmProvider)>(
                                dll, "BCryptOpenAlgorithmProvider"),
                            dll_function<decltype(&::BCryptCloseAlgorithmProvider)>(
                                dll, "BCryptCloseAlgorithmProvider"),
                            dll_function<decltype(&::BCryptCreateHash)>(dll, "BCryptCreateHash"),
                            dll_function<decltype(&::BCryptDestroyHash)>(dll, "BCryptDestroyHash"),
                            dll_function<decltype(&::BCryptHashData)>(dll, "BCryptHashData"),
                            dll_function<decltype(&::BCryptFinishHash)>(dll, "BCryptFinishHash")};
    }();
    return functions;
}

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

[[noreturn]] void unavailable() {
    raise_error(L"SHA-256 is not available");
}

} // namespace

CngSha256::CngSha256() {
    const CngFunctions &api = cng();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!api.open_algorithm || !api.close_algorithm || !api.create_hash || !api.destroy_hash ||
        !api.hash_data || !api.finish_hash ||
        !succeeded(api.open_algorithm(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return;
    if (!succeeded(api.create_hash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        api.close_algorithm(algorithm, 0);
        return;
    }
    algorithm_ = algorithm;
    hash_ = hash;
}

CngSha256::~CngSha256() {
    if (hash_) cng().destroy_hash(hash_);
    if (algorithm_) cng().close_algorithm(algorithm_, 0);
}

void CngSha256::add(const void *bytes, DWORD size) {
    if (!hash_) return fallback_.add(bytes, size);
    if (!succeeded(cng().hash_data(hash_, static_cast<PUCHAR>(const_cast<void *>(bytes)), size, 0)))
        unavailable();
}

Sha256 CngSha256::finish() {
    if (!hash_) return fallback_.finish();
    Sha256 digest = {};
    if (!succeeded(cng().finish_hash(hash_, digest.bytes, sizeof digest.bytes, 0))) unavailable();
    return digest;
}

} // namespace platform
