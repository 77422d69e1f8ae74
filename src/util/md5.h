// MD5 as a streaming hasher, and the upper-case MD5 of a text's ANSI bytes that request
// signatures are built from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vg::util {

/// An MD5 hasher fed in pieces of any size, then finalized once; a plain value.
class Md5 {
public:
    /// Hashes the next `length` bytes of the message. `data` may be null only when `length` is 0.
    /// Feeding a finalized hasher is a programming error; the digest stays as it was.
    void Update(const void* data, std::size_t length);

    /// Pads the message and stores its digest. Further calls do nothing.
    void Finalize();

    /// Whether Finalize has run.
    [[nodiscard]] bool IsFinalized() const { return finalized_; }

    /// The digest as 32 lower-case hexadecimal digits; empty until Finalize has run.
    [[nodiscard]] std::string HexDigest() const;

private:
    void CountBytes(std::size_t length);
    [[nodiscard]] std::size_t BufferedBytes() const;
    void TransformBlock(const std::uint8_t* block);

    bool finalized_ = false;
    std::uint32_t bitCountLow_ = 0;
    std::uint32_t bitCountHigh_ = 0;
    std::array<std::uint32_t, 4> state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::array<std::uint8_t, 64> buffer_{};
    std::array<std::uint8_t, 16> digest_{};
};

/// The MD5 of the text's bytes in the thread's ANSI code page, as 32 upper-case hexadecimal
/// digits. The whole text is hashed, whatever its length.
std::u16string Md5HexUpper(std::u16string_view text);

} // namespace vg::util
