// The body of one answer as it goes out: read from its source piece by piece, with the faults
// that shape its delivery (cut short, padded, chunked, trickled).
#pragma once

#include "sandbox/httplib_include.h"
#include "sandbox/range_header.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace vg::sandbox {

/// Cuts short every wait of the answers in progress when the sandbox stops.
class StopSignal {
public:
    /// Waits for `duration`; false when the sandbox stopped before or meanwhile.
    bool WaitFor(std::chrono::milliseconds duration);
    void Stop();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
};

/// The content of an answer: a text held in memory, or a span of a file read as it is sent so
/// that large files never sit in memory.
class BodySource {
public:
    explicit BodySource(std::string text);
    BodySource(std::ifstream file, ByteRange span);

    [[nodiscard]] std::uint64_t Size() const;
    /// Appends `count` bytes from `offset` of the content to `out`; false when the file fails.
    bool Read(std::uint64_t offset, std::size_t count, std::string& out);

private:
    std::string text_;
    std::optional<std::ifstream> file_;
    ByteRange span_;
};

struct Delivery {
    /// Body bytes sent in all: the content, cut short or followed by '#' padding.
    std::uint64_t bytesToSend = 0;
    bool chunked = false;
    /// Ends with a closed connection instead of a cleanly ended body.
    bool closeAtEnd = false;
    std::optional<std::pair<std::size_t, std::chrono::milliseconds>> trickle;
};

/// Feeds a content provider of cpp-httplib that has no length of its own, so the answer's
/// framing headers are exactly the ones the sandbox chose.
class BodyStream {
public:
    BodyStream(std::shared_ptr<BodySource> source, Delivery delivery, StopSignal& stop);

    /// Writes the next piece, or ends the body; false ends the connection.
    bool Pump(httplib::DataSink& sink);

private:
    bool Finish(httplib::DataSink& sink);
    std::size_t NextPieceSize() const;
    bool FillPiece(std::size_t size);
    bool WritePiece(httplib::DataSink& sink);

    std::shared_ptr<BodySource> source_;
    Delivery delivery_;
    StopSignal& stop_;
    std::uint64_t sent_ = 0;
    std::string piece_;
};

} // namespace vg::sandbox
