#include "services/Md5.h"

#include <windows.h>

#include <bcrypt.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

bool Succeeded(NTSTATUS status) noexcept {
    return status >= 0;
}

class AlgorithmProvider {
public:
    AlgorithmProvider() noexcept {
        if (!Succeeded(BCryptOpenAlgorithmProvider(&m_handle, BCRYPT_MD5_ALGORITHM, nullptr, 0)))
            m_handle = nullptr;
    }
    ~AlgorithmProvider() {
        if (m_handle)
            BCryptCloseAlgorithmProvider(m_handle, 0);
    }
    AlgorithmProvider(const AlgorithmProvider&) = delete;
    AlgorithmProvider& operator=(const AlgorithmProvider&) = delete;
    BCRYPT_ALG_HANDLE get() const noexcept { return m_handle; }

private:
    BCRYPT_ALG_HANDLE m_handle = nullptr;
};

class HashObject {
public:
    HashObject() noexcept = default;
    ~HashObject() {
        if (m_handle)
            BCryptDestroyHash(m_handle);
    }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;
    BCRYPT_HASH_HANDLE* put() noexcept { return &m_handle; }
    BCRYPT_HASH_HANDLE get() const noexcept { return m_handle; }

private:
    BCRYPT_HASH_HANDLE m_handle = nullptr;
};

bool HashWithProvider(const void* data, std::size_t size, std::uint8_t (&digest)[kMd5DigestSize]) {
    AlgorithmProvider provider;
    if (!provider.get())
        return false;
    DWORD objectSize = 0;
    ULONG got = 0;
    if (!Succeeded(BCryptGetProperty(provider.get(), BCRYPT_OBJECT_LENGTH,
                                     reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize, &got, 0)))
        return false;
    // The hash object's memory must outlive the hash handle: declared first, destroyed last.
    std::vector<UCHAR> object(objectSize ? objectSize : 1);
    HashObject hash;
    if (!Succeeded(BCryptCreateHash(provider.get(), hash.put(), object.data(), objectSize, nullptr, 0, 0)))
        return false;
    // BCryptHashData takes a 32-bit length: feed large inputs in slices.
    const auto* bytes = static_cast<const UCHAR*>(data);
    while (size > 0) {
        const ULONG slice = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        if (!Succeeded(BCryptHashData(hash.get(), const_cast<PUCHAR>(bytes), slice, 0)))
            return false;
        bytes += slice;
        size -= slice;
    }
    return Succeeded(BCryptFinishHash(hash.get(), digest, kMd5DigestSize, 0));
}

} // namespace

bool ComputeMd5(const void* data, std::size_t size, std::uint8_t (&digest)[kMd5DigestSize]) noexcept {
    try {
        if (HashWithProvider(data, size, digest))
            return true;
    } catch (...) {
    }
    std::memset(digest, 0, sizeof digest);
    return false;
}

std::string Md5Hex(const void* data, std::size_t size) noexcept {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::uint8_t digest[kMd5DigestSize];
    if (!ComputeMd5(data, size, digest))
        return {};
    try {
        std::string text;
        text.reserve(2 * kMd5DigestSize);
        for (std::uint8_t byte : digest) {
            text += kHexDigits[byte >> 4];
            text += kHexDigits[byte & 0x0F];
        }
        return text;
    } catch (...) {
        return {};
    }
}
