// MD5 (RFC 1321) through the system's hash provider.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kMd5DigestSize = 16;

// Hashes the bytes into digest. False (and a zeroed digest) only when the provider cannot be used.
[[nodiscard]] bool ComputeMd5(const void* data, std::size_t size,
                              std::uint8_t (&digest)[kMd5DigestSize]) noexcept;

// The digest as 32 lowercase hexadecimal digits, high nibble first; empty when no digest could be made.
[[nodiscard]] std::string Md5Hex(const void* data, std::size_t size) noexcept;
