// SHA-256 block compression, padding and digest formatting.
#include "util/sha256.h"

#include <algorithm>
#include <cassert>

namespace vg::util {
namespace {

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kLengthFieldOffset = 56;

constexpr std::array<std::uint32_t, 64> kRoundConstants{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t RotateRight(std::uint32_t value, int bits) {
    return (value >> bits) | (value << (32 - bits));
}

std::uint32_t LoadBigEndian(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

void StoreBigEndian(std::uint32_t value, std::uint8_t* bytes) {
    for (int i = 3; i >= 0; --i) {
        bytes[i] = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

std::array<std::uint32_t, 64> ExpandMessageSchedule(const std::uint8_t* block) {
    std::array<std::uint32_t, 64> w{};
    for (std::size_t t = 0; t < 16; ++t) {
        w[t] = LoadBigEndian(block + 4 * t);
    }
    for (std::size_t t = 16; t < 64; ++t) {
        const std::uint32_t s0 =
            RotateRight(w[t - 15], 7) ^ RotateRight(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 =
            RotateRight(w[t - 2], 17) ^ RotateRight(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    return w;
}

} // namespace

void Sha256::CountCompressedBlock() {
    byteCountLow_ += static_cast<std::uint32_t>(kBlockSize);
    if (byteCountLow_ < kBlockSize) {
        ++byteCountHigh_;
    }
}

void Sha256::CompressBlock(const std::uint8_t* block) {
    const std::array<std::uint32_t, 64> w = ExpandMessageSchedule(block);
    auto [a, b, c, d, e, f, g, h] = chain_;
    for (std::size_t t = 0; t < 64; ++t) {
        const std::uint32_t sum1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
        const std::uint32_t choose = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + sum1 + choose + kRoundConstants[t] + w[t];
        const std::uint32_t sum0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
        const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const std::uint32_t t2 = sum0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    const std::array<std::uint32_t, 8> worked{a, b, c, d, e, f, g, h};
    for (std::size_t i = 0; i < chain_.size(); ++i) {
        chain_[i] += worked[i];
    }
    CountCompressedBlock();
}

void Sha256::Update(const void* data, std::size_t length) {
    assert(data != nullptr || length == 0);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (bufferedBytes_ > 0) {
        const std::size_t taken = std::min(length, kBlockSize - bufferedBytes_);
        std::copy_n(bytes, taken, buffer_.data() + bufferedBytes_);
        bufferedBytes_ += taken;
        bytes += taken;
        length -= taken;
        if (bufferedBytes_ < kBlockSize) {
            return;
        }
        CompressBlock(buffer_.data());
        bufferedBytes_ = 0;
    }
    for (; length >= kBlockSize; bytes += kBlockSize, length -= kBlockSize) {
        CompressBlock(bytes);
    }
    std::copy_n(bytes, length, buffer_.data());
    bufferedBytes_ = length;
}

void Sha256::Pad() {
    // The length is taken before padding: compressing the padding blocks moves the byte count.
    const std::uint64_t messageBytes =
        ((std::uint64_t{byteCountHigh_} << 32) | byteCountLow_) + bufferedBytes_;
    const std::uint64_t messageBits = messageBytes * 8;

    buffer_[bufferedBytes_++] = 0x80;
    if (bufferedBytes_ > kLengthFieldOffset) {
        std::fill(buffer_.data() + bufferedBytes_, buffer_.data() + kBlockSize, 0);
        CompressBlock(buffer_.data());
        bufferedBytes_ = 0;
    }
    std::fill(buffer_.data() + bufferedBytes_, buffer_.data() + kLengthFieldOffset, 0);
    StoreBigEndian(static_cast<std::uint32_t>(messageBits >> 32), &buffer_[kLengthFieldOffset]);
    StoreBigEndian(static_cast<std::uint32_t>(messageBits), &buffer_[kLengthFieldOffset + 4]);
    CompressBlock(buffer_.data());
    bufferedBytes_ = 0;
}

std::array<std::uint8_t, 32> Sha256::Digest() const {
    Sha256 finished = *this;
    finished.Pad();
    std::array<std::uint8_t, 32> digest{};
    for (std::size_t i = 0; i < finished.chain_.size(); ++i) {
        StoreBigEndian(finished.chain_[i], &digest[4 * i]);
    }
    return digest;
}

std::string Sha256::HexDigest() const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const std::uint8_t byte : Digest()) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0f]);
    }
    return hex;
}

std::string Sha256Hex(std::string_view bytes) {
    Sha256 hasher;
    hasher.Update(bytes.data(), bytes.size());
    return hasher.HexDigest();
}

} // namespace vg::util
