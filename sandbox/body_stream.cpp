// The body of one answer as it goes out, piece by piece.
#include "sandbox/body_stream.h"

#include <algorithm>
#include <cstdio>

namespace vg::sandbox {
namespace {

// Large enough for loopback throughput on the 1 GiB benchmark file, small enough to keep the
// memory of many parallel downloads low.
constexpr std::size_t kPieceSize = 256 * 1024;

std::string ChunkSizeLine(std::size_t size) {
    char line[32];
    const int length = std::snprintf(line, sizeof line, "%zx\r\n", size);
    return std::string(line, static_cast<std::size_t>(length));
}

} // namespace

bool StopSignal::WaitFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, duration, [this] { return stopped_; });
}

void StopSignal::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

BodySource::BodySource(std::string text) : text_(std::move(text)) {}

BodySource::BodySource(std::ifstream file, ByteRange span) : file_(std::move(file)), span_(span) {}

std::uint64_t BodySource::Size() const {
    return file_ ? span_.length : text_.size();
}

bool BodySource::Read(std::uint64_t offset, std::size_t count, std::string& out) {
    if (!file_) {
        out.append(text_, static_cast<std::size_t>(offset), count);
        return true;
    }
    const std::size_t start = out.size();
    out.resize(start + count);
    file_->clear();
    file_->seekg(static_cast<std::streamoff>(span_.first + offset));
    file_->read(out.data() + start, static_cast<std::streamsize>(count));
    return file_->gcount() == static_cast<std::streamsize>(count);
}

BodyStream::BodyStream(std::shared_ptr<BodySource> source, Delivery delivery, StopSignal& stop)
    : source_(std::move(source)), delivery_(std::move(delivery)), stop_(stop) {}

bool BodyStream::Pump(httplib::DataSink& sink) {
    if (sent_ >= delivery_.bytesToSend) {
        return Finish(sink);
    }
    if (delivery_.trickle && sent_ > 0 && !stop_.WaitFor(delivery_.trickle->second)) {
        return false;
    }
    const std::size_t size = NextPieceSize();
    if (!FillPiece(size) || !WritePiece(sink)) {
        return false;
    }
    sent_ += size;
    return true;
}

bool BodyStream::Finish(httplib::DataSink& sink) {
    if (delivery_.closeAtEnd) {
        return false;
    }
    if (delivery_.chunked && !sink.write("0\r\n\r\n", 5)) {
        return false;
    }
    sink.done();
    return true;
}

std::size_t BodyStream::NextPieceSize() const {
    const std::size_t limit =
        delivery_.trickle ? std::max<std::size_t>(delivery_.trickle->first, 1) : kPieceSize;
    return static_cast<std::size_t>(std::min<std::uint64_t>(limit, delivery_.bytesToSend - sent_));
}

bool BodyStream::FillPiece(std::size_t size) {
    piece_.clear();
    const std::uint64_t contentSize = source_->Size();
    const std::size_t fromSource =
        sent_ >= contentSize
            ? 0
            : static_cast<std::size_t>(std::min<std::uint64_t>(size, contentSize - sent_));
    if (fromSource > 0 && !source_->Read(sent_, fromSource, piece_)) {
        return false;
    }
    piece_.append(size - fromSource, '#');
    return true;
}

bool BodyStream::WritePiece(httplib::DataSink& sink) {
    if (!delivery_.chunked) {
        return sink.write(piece_.data(), piece_.size());
    }
    const std::string framed = ChunkSizeLine(piece_.size()) + piece_ + "\r\n";
    return sink.write(framed.data(), framed.size());
}

} // namespace vg::sandbox
