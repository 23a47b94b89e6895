// SHA-256 as FIPS 180-4 defines it, over byte blocks. Digests print as 64 lower-case hex digits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace marlinth {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void update(const void* data, size_t length);
    void update(std::string_view text) { update(text.data(), text.size()); }
    Sha256Digest finish();

private:
    void compress(const uint8_t* block);
    uint32_t state_[8];
    uint8_t block_[64];
    size_t block_used_ = 0;
    uint64_t total_bytes_ = 0;
};

Sha256Digest sha256(const void* data, size_t length);
inline Sha256Digest sha256(std::string_view text) { return sha256(text.data(), text.size()); }
std::string sha256_hex(const Sha256Digest& digest);
inline std::string sha256_hex(const void* data, size_t length) { return sha256_hex(sha256(data, length)); }

}  // namespace marlinth
