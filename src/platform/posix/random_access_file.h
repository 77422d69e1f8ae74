// A read-only file read at offsets, for the parsers of executable files.
#pragma once

#include "platform/posix/byte_source.h"
#include "platform/posix/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vg::platform::posix {

/// A file opened for reading only; its size is taken when it is opened.
class RandomAccessFile final : public ByteSource {
public:
    /// Opens the file at a native path. Returns nothing, with the last error set, when it cannot
    /// be opened or is not a regular file (a directory gives access denied, as on Windows).
    static std::optional<RandomAccessFile> Open(const std::string& nativePath);

    [[nodiscard]] std::uint64_t Size() const override { return size_; }

    /// A read that ends early (the file shrank since it was opened) or fails returns false, with
    /// the last error set.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const override;

private:
    RandomAccessFile(UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}

    UniqueFd fd_;
    std::uint64_t size_ = 0;
};

} // namespace vg::platform::posix
