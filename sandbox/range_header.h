// Reading a Range request header against the size of the file it asks for.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::sandbox {

struct ByteRange {
    std::uint64_t first = 0;
    std::uint64_t length = 0;
};

struct RangeRequest {
    enum class Kind {
        Whole,         ///< no single byte range asked for: the whole file is the answer
        Partial,       ///< answered 206 with `range`
        Unsatisfiable, ///< answered 416
    };
    Kind kind = Kind::Whole;
    ByteRange range;
};

/// Reads `bytes=a-b`, `bytes=a-` and `bytes=-n` against a file of `size` bytes; a last position
/// past the end is cut to the end. Several ranges or another unit ask for the whole file, as
/// a server may answer them.
RangeRequest ParseRange(std::string_view header, std::uint64_t size);

} // namespace vg::sandbox
