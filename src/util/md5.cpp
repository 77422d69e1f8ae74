// MD5 block transform, padding and digest formatting.
#include "util/md5.h"

#include "util/text_encoding.h"

#include <algorithm>
#include <cassert>

namespace vg::util {
namespace {

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kLengthFieldOffset = 56;

// The integer parts of 2^32 * |sin(i + 1)|, one per step.
constexpr std::array<std::uint32_t, 64> kSineTable{
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Left-rotation amounts: four per round, repeated for the round's sixteen steps.
constexpr std::array<std::array<int, 4>, 4> kShifts{
    {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}}};

constexpr std::uint32_t RotateLeft(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

std::uint32_t LoadLittleEndian(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

void StoreLittleEndian(std::uint32_t value, std::uint8_t* bytes) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

std::uint32_t RoundFunction(std::size_t round, std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    switch (round) {
    case 0:
        return (x & y) | (~x & z);
    case 1:
        return (x & z) | (y & ~z);
    case 2:
        return x ^ y ^ z;
    default:
        return y ^ (x | ~z);
    }
}

std::size_t MessageWordIndex(std::size_t round, std::size_t step) {
    static constexpr std::array<std::size_t, 4> kStart{0, 1, 5, 0};
    static constexpr std::array<std::size_t, 4> kStride{1, 5, 3, 7};
    return (kStart[round] + kStride[round] * step) % 16;
}

} // namespace

std::size_t Md5::BufferedBytes() const {
    return (bitCountLow_ >> 3) & (kBlockSize - 1);
}

void Md5::CountBytes(std::size_t length) {
    const std::uint64_t bits = ((std::uint64_t{bitCountHigh_} << 32) | bitCountLow_) +
                               static_cast<std::uint64_t>(length) * 8;
    bitCountLow_ = static_cast<std::uint32_t>(bits);
    bitCountHigh_ = static_cast<std::uint32_t>(bits >> 32);
}

void Md5::TransformBlock(const std::uint8_t* block) {
    std::array<std::uint32_t, 16> words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = LoadLittleEndian(block + 4 * i);
    }
    auto [a, b, c, d] = state_;
    for (std::size_t step = 0; step < 64; ++step) {
        const std::size_t round = step / 16;
        const std::uint32_t mixed = a + RoundFunction(round, b, c, d) + kSineTable[step] +
                                    words[MessageWordIndex(round, step % 16)];
        a = d;
        d = c;
        c = b;
        b += RotateLeft(mixed, kShifts[round][step % 4]);
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::Update(const void* data, std::size_t length) {
    assert(!finalized_ && "Md5::Update after Finalize");
    assert(data != nullptr || length == 0);
    if (finalized_) {
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t buffered = BufferedBytes();
    CountBytes(length);
    if (buffered > 0) {
        const std::size_t taken = std::min(length, kBlockSize - buffered);
        std::copy_n(bytes, taken, buffer_.data() + buffered);
        buffered += taken;
        bytes += taken;
        length -= taken;
        if (buffered < kBlockSize) {
            return;
        }
        TransformBlock(buffer_.data());
    }
    for (; length >= kBlockSize; bytes += kBlockSize, length -= kBlockSize) {
        TransformBlock(bytes);
    }
    std::copy_n(bytes, length, buffer_.data());
}

void Md5::Finalize() {
    if (finalized_) {
        return;
    }
    std::array<std::uint8_t, 8> lengthField{};
    StoreLittleEndian(bitCountLow_, lengthField.data());
    StoreLittleEndian(bitCountHigh_, lengthField.data() + 4);

    const std::size_t buffered = BufferedBytes();
    const std::size_t paddingLength = buffered < kLengthFieldOffset
                                          ? kLengthFieldOffset - buffered
                                          : kBlockSize + kLengthFieldOffset - buffered;
    std::array<std::uint8_t, kBlockSize> padding{};
    padding[0] = 0x80;
    Update(padding.data(), paddingLength);
    Update(lengthField.data(), lengthField.size());
    assert(BufferedBytes() == 0);

    for (std::size_t i = 0; i < state_.size(); ++i) {
        StoreLittleEndian(state_[i], digest_.data() + 4 * i);
    }
    // The buffer held message bytes; a finalized hasher keeps only the digest.
    buffer_.fill(0);
    finalized_ = true;
}

std::string Md5::HexDigest() const {
    if (!finalized_) {
        return {};
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * digest_.size());
    for (const std::uint8_t byte : digest_) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0f]);
    }
    return hex;
}

std::u16string Md5HexUpper(std::u16string_view text) {
    const std::string bytes = ToAnsi(text);
    Md5 hasher;
    hasher.Update(bytes.data(), bytes.size());
    hasher.Finalize();
    std::u16string upper;
    for (const char digit : hasher.HexDigest()) {
        const bool isLetter = digit >= 'a' && digit <= 'f';
        upper.push_back(static_cast<char16_t>(isLetter ? digit - 'a' + 'A' : digit));
    }
    return upper;
}

} // namespace vg::util
