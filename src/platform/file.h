// An open file with a size and a position, as CreateFileW, ReadFile and WriteFile give one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vg::platform {

/// What an open file allows: GENERIC_READ, or GENERIC_READ | GENERIC_WRITE.
enum class FileAccess { Read, ReadWrite };

/// What Open does with the file at the path, as CreateFileW's creation disposition says.
enum class FileDisposition {
    CreateNew,    ///< creates the file; fails with 80 when one is there
    CreateAlways, ///< creates the file, or empties the one that is there
    OpenExisting, ///< opens the file; fails with 2 (3 when its folder is missing) when none is
    OpenAlways,   ///< opens the file that is there, or creates it
};

/// Owns one open file; it is closed when the object goes. Every failing call returns false or
/// nothing, with the last error set; a call on a closed file fails with 6.
/// Windows: while the file is open others may read it, but not write or delete it; a reader
/// must let it be written when it was opened for writing, which File does not, so a second File
/// on the same path opens only when neither is for writing (32 otherwise).
/// Linux: there is no such lock; the descriptor is close-on-exec, so a started program never
/// holds it.
class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    /// Opens or creates a file, positioned at its start. A folder cannot be opened (5). When an
    /// existing file was opened with CreateAlways or OpenAlways the last error is 183, else 0.
    /// Linux: a new file gets mode 0644 less the umask.
    static std::optional<File> Open(std::u16string_view path, FileAccess access,
                                    FileDisposition disposition);

    [[nodiscard]] bool IsOpen() const { return handle_ != kNoHandle; }

    /// The file's size in bytes now.
    [[nodiscard]] std::optional<std::uint64_t> Size() const;

    /// Moves the position to the end, so that the next write appends.
    bool SeekToEnd();

    /// Moves the position to an offset from the start; past the end is allowed, and a write
    /// there leaves zero bytes in the gap.
    bool Seek(std::uint64_t offset);

    /// Writes all the bytes at the position and moves it past them; otherwise fails (112 when
    /// the disk is full, 5 when the file was opened for reading only), having written a part
    /// perhaps.
    bool Write(std::span<const std::uint8_t> bytes);

    /// Reads at the position into the buffer and moves the position past what was read. Fewer
    /// bytes than the buffer holds come back only at the end of the file; 0 means the position
    /// is at or past the end.
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer);

    /// Makes everything written so far durable on the disk, as FlushFileBuffers does (Linux:
    /// fsync), so that a file renamed into place afterwards is whole even after a power cut.
    bool Flush();

    /// Closes the file; closing a closed file does nothing.
    void Close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    explicit File(std::intptr_t handle) : handle_(handle) {}

    std::intptr_t handle_ = kNoHandle;
};

} // namespace vg::platform
