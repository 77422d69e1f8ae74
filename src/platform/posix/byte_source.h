// Bytes read at offsets from a file or from memory, so that the executable-file parsers run the
// same way on a file on disk and on a fuzzer's input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vg::platform::posix {

/// A part of a byte source: `size` bytes from `offset`.
struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;

    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

/// A fixed-size sequence of bytes that is read at arbitrary offsets.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    /// The number of bytes.
    [[nodiscard]] virtual std::uint64_t Size() const = 0;

    /// Copies `length` bytes from `offset` into `buffer`; false, with nothing promised about the
    /// buffer, unless all of them could be read.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const = 0;
};

/// True when `length` bytes from `offset` lie within `size` bytes (no overflow on the way).
[[nodiscard]] inline bool RangeFits(std::uint64_t offset, std::uint64_t length,
                                    std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

/// Bytes in memory that outlive the source.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    [[nodiscard]] std::uint64_t Size() const override { return bytes_.size(); }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const override {
        if (!RangeFits(offset, length, bytes_.size())) {
            return false;
        }
        if (length != 0) {
            std::memcpy(buffer, bytes_.data() + offset, length);
        }
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

} // namespace vg::platform::posix
