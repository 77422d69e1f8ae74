// SHA-256 as a streaming hasher: the hashes of the PC's hardware identity are made with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vg::util {

/// A SHA-256 hasher fed in pieces of any size; a plain value, so a copy continues independently.
class Sha256 {
public:
    /// Hashes the next `length` bytes of the message. `data` may be null only when `length` is 0.
    void Update(const void* data, std::size_t length);

    /// The 32-byte digest of the message fed so far; the hasher can still be fed afterwards.
    [[nodiscard]] std::array<std::uint8_t, 32> Digest() const;

    /// The digest of the message fed so far as 64 lower-case hexadecimal digits.
    [[nodiscard]] std::string HexDigest() const;

private:
    void CountCompressedBlock();
    void CompressBlock(const std::uint8_t* block);
    void Pad();

    std::uint32_t byteCountLow_ = 0;
    std::uint32_t byteCountHigh_ = 0;
    std::size_t bufferedBytes_ = 0;
    std::array<std::uint8_t, 64> buffer_{};
    std::array<std::uint32_t, 8> chain_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
};

/// The SHA-256 of exactly these bytes as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

} // namespace vg::util
