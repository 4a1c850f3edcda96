#include "large_sha256.h"
#include "platform/dll_function.h"
#include "platform/owners.h"
#include "platform/files/paths.h"
#include "platform/setup_error.h"
#include <bcrypt.h>
#include <cpuid.h>
#include <immintrin.h>
#include <cstring>
#include <utility>

namespace platform {

namespace {

// --- the processor's SHA instructions ---------------------------------------

constexpr UINT32 kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
constexpr UINT32 kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

// The SHA extensions, with the SSSE3 and SSE4.1 instructions used beside them.
bool has_sha_instructions() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSSE3) || !(c & bit_SSE4_1)) return false;
    return __get_cpuid_max(0, nullptr) >= 7 && __get_cpuid_count(7, 0, &a, &b, &c, &d) &&
           (b & bit_SHA);
}

// Runs the compression function over whole 64-byte blocks. The instructions
// keep the state as ABEF and CDGH, and take two rounds at a time, each group
// of four message words made from the four before it. Every byte of a large
// install passes here twice: optimised for speed, with the sixteen groups
// laid out one after another, it takes two thirds of the time it takes
// optimised for size.
__attribute__((target("sha,sse4.1,ssse3"), optimize("O2"))) void
compress(UINT32 (&state)[8], const unsigned char *blocks, std::size_t count) {
    const __m128i big_endian = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i cdab =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state)), 0xB1);
    __m128i efgh =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; count; --count, blocks += 64) {
        const __m128i abef_before = abef, cdgh_before = cdgh;
        __m128i w0 = _mm_setzero_si128(), w1 = w0, w2 = w0, w3 = w0;
#pragma GCC unroll 16
        for (int group = 0; group < 16; ++group) {
            const __m128i words =
                group < 4
                    ? _mm_shuffle_epi8(
                          _mm_loadu_si128(reinterpret_cast<const __m128i *>(blocks + 16 * group)),
                          big_endian)
                    : _mm_sha256msg2_epu32(
                          _mm_add_epi32(_mm_sha256msg1_epu32(w0, w1), _mm_alignr_epi8(w3, w2, 4)),
                          w3);
            __m128i sums = _mm_add_epi32(words, _mm_loadu_si128(reinterpret_cast<const __m128i *>(
                                                    kRoundConstants + 4 * group)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, sums);
            sums = _mm_shuffle_epi32(sums, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, sums);
            w0 = w1;
            w1 = w2;
            w2 = w3;
            w3 = words;
        }
        abef = _mm_add_epi32(abef, abef_before);
        cdgh = _mm_add_epi32(cdgh, cdgh_before);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// --- the system's CNG provider ----------------------------------------------

// bcrypt.dll is no known DLL, and Windows XP has none: loaded by its full
// path once the program runs, and kept. The provider it loads by name
// (bcryptprimitives.dll) start-up has loaded by its full path where the
// system cannot restrict the DLL search.
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
        return CngFunctions{std::move(module),
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

bool LargeSha256::has_instructions() {
    return has_sha_instructions();
}

LargeSha256::LargeSha256(Means means)
    : instructions_(means == Means::fastest && has_sha_instructions()) {
    std::memcpy(state_, kInitialState, sizeof state_);
    if (instructions_) return;
    const CngFunctions &api = cng();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!api.open_algorithm || !api.close_algorithm || !api.create_hash || !api.destroy_hash ||
        !api.hash_data || !api.finish_hash ||
        !succeeded(api.open_algorithm(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        fallback_ = std::make_unique<Sha256Hash>();
        return;
    }
    if (!succeeded(api.create_hash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        api.close_algorithm(algorithm, 0);
        fallback_ = std::make_unique<Sha256Hash>();
        return;
    }
    algorithm_ = algorithm;
    hash_ = hash;
}

LargeSha256::~LargeSha256() {
    if (hash_) cng().destroy_hash(hash_);
    if (algorithm_) cng().close_algorithm(algorithm_, 0);
}

void LargeSha256::add(const void *bytes, DWORD size) {
    if (instructions_) {
        const auto *next = static_cast<const unsigned char *>(bytes);
        length_ += size;
        if (block_size_) {
            const DWORD taken = size < 64 - block_size_ ? size : 64 - block_size_;
            std::memcpy(block_ + block_size_, next, taken);
            block_size_ += taken;
            next += taken;
            size -= taken;
            if (block_size_ < 64) return;
            compress(state_, block_, 1);
            block_size_ = 0;
        }
        compress(state_, next, size / 64);
        block_size_ = size % 64;
        std::memcpy(block_, next + size - block_size_, block_size_);
        return;
    }
    if (!hash_) return fallback_->add(bytes, size);
    if (!succeeded(cng().hash_data(hash_, static_cast<PUCHAR>(const_cast<void *>(bytes)), size, 0)))
        unavailable();
}

Sha256 LargeSha256::finish() {
    Sha256 digest = {};
    if (instructions_) {
        // A one bit, zeros, and the length in bits at the end of a block.
        const ULONGLONG bits = length_ * 8;
        unsigned char end[72] = {0x80};
        const DWORD padding = (block_size_ < 56 ? 56 : 120) - block_size_;
        for (int i = 0; i < 8; ++i)
            end[padding + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
        add(end, padding + 8);
        for (int i = 0; i < 32; ++i)
            digest.bytes[i] = static_cast<BYTE>(state_[i / 4] >> (24 - 8 * (i % 4)));
        return digest;
    }
    if (!hash_) return fallback_->finish();
    if (!succeeded(cng().finish_hash(hash_, digest.bytes, sizeof digest.bytes, 0))) unavailable();
    return digest;
}

} // namespace platform
