// The resumable download: attempts, the temporary file beside the target, and the read loop.
#include "net/http_download.h"

#include "net/create_parent_directories.h"
#include "net/http_get.h"
#include "net/http_session.h"
#include "net/terminate_process_by_file_name.h"
#include "platform/clock.h"
#include "platform/error_codes.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/http.h"
#include "platform/last_error.h"
#include "util/text_encoding.h"

#include <cinttypes>
#include <cstdio>
#include <new>
#include <vector>

namespace vg::net {
namespace {

constexpr int kLastAttempt = 3;
constexpr std::u16string_view kPartSuffix = u".vgpart";
constexpr std::uint32_t kDeleteRetryPauseMs = 100;
constexpr std::uint32_t kFlags = platform::kHttpFlagSecure | platform::kHttpFlagRefresh;

void Print(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void PrintError(const char* format, std::uint32_t error) {
    std::printf(format, static_cast<int>(error));
    std::fflush(stdout);
}

/// "Range:bytes=<from>-<to>\r\n" then "Cache-Control:no-cache\r\n". The last byte is the length
/// minus 1, or the length itself when nothing is left to fetch.
std::u16string RangeHeaders(std::uint64_t offset, std::uint64_t expected) {
    const std::uint64_t last = offset == expected ? expected : expected - 1;
    char range[96];
    std::snprintf(range, sizeof range, "Range:bytes=%" PRIu64 "-%" PRIu64 "\r\n", offset, last);
    return util::WidenAscii(range) + u"Cache-Control:no-cache\r\n";
}

class Download {
public:
    Download(std::u16string host, std::u16string path, const std::u16string& localPath,
             std::uint64_t expectedLength, int resume)
        : host_(std::move(host)), path_(std::move(path)), target_(localPath),
          part_(localPath + std::u16string(kPartSuffix)), expected_(expectedLength),
          lengthKnown_(expectedLength != 0), resume_(resume == 1) {
        splitHost_ = host_;
        splitPath_ = path_;
        SplitHostString(splitHost_, splitPath_);
    }

    std::uint32_t Run() {
        for (int attempt = 0;; ++attempt) {
            std::uint32_t result = lengthKnown_ ? 0 : QueryLength();
            if (result == 0) {
                result = Attempt();
                if (result == 0) {
                    return 0;
                }
            }
            if (attempt >= kLastAttempt) {
                if (!resume_) {
                    platform::RemoveFile(part_);
                }
                return result;
            }
        }
    }

private:
    std::uint32_t QueryLength() {
        std::uint64_t length = 0;
        const std::uint32_t result = HttpGetDownloadLength(host_, path_, 1, length);
        if (result == 0) {
            expected_ = length;
            lengthKnown_ = true;
        }
        return result;
    }

    std::uint32_t Attempt() {
        platform::SetLastError(platform::kErrorSuccess);
        std::optional<platform::HttpSession> session = OpenSession(CurrentUserAgent());
        if (!session) {
            return FailedStepResult();
        }
        const auto connection = platform::HttpConnection::Open(*session, splitHost_, 443);
        std::optional<platform::HttpRequest> request =
            connection ? platform::HttpRequest::Open(*connection, u"GET", splitPath_, kFlags)
                       : std::nullopt;
        if (!request) {
            return FailedStepResult();
        }
        CreateParentDirectories(target_);
        RemoveOldFiles();
        std::uint64_t offset = 0;
        std::optional<platform::File> file = OpenPartFile(offset);
        if (!file) {
            return FailedStepResult();
        }
        if (!request->AddHeaders(RangeHeaders(offset, expected_), platform::kHttpAddHeader)) {
            return FailedStepResult();
        }
        std::uint32_t status = 0;
        if (const std::uint32_t sent = SendRequest(*request, {}, status); sent != 0) {
            return sent;
        }
        if (status == 200 && offset > 0) {
            // The whole file came instead of the rest of it: start the file over.
            file = platform::File::Open(part_, platform::FileAccess::ReadWrite,
                                        platform::FileDisposition::CreateAlways);
            offset = 0;
            if (!file) {
                return FailedStepResult();
            }
        }
        if (!ReadBody(*request, *file, offset)) {
            return FailedStepResult();
        }
        if (!file->Flush()) {
            return FailedStepResult();
        }
        file->Close();
        if (offset != expected_) {
            return 1;
        }
        return platform::MoveFileReplacing(part_, target_) ? 0 : FailedStepResult();
    }

    /// The old file goes first; when a running program holds it, that program is ended and the
    /// delete tried once more. A partial file of an earlier run goes too, unless resuming.
    void RemoveOldFiles() {
        if (resume_) {
            return;
        }
        if (!platform::RemoveFile(target_) &&
            platform::GetLastError() == platform::kErrorAccessDenied) {
            TerminateProcessByFileName(target_);
            platform::Sleep(kDeleteRetryPauseMs);
            platform::RemoveFile(target_);
        }
        platform::RemoveFile(part_);
    }

    /// The partial file, positioned where the bytes of this attempt go.
    std::optional<platform::File> OpenPartFile(std::uint64_t& offset) {
        offset = 0;
        if (!resume_) {
            return platform::File::Open(part_, platform::FileAccess::ReadWrite,
                                        platform::FileDisposition::CreateAlways);
        }
        if (!platform::FileExists(part_) && platform::FileExists(target_)) {
            platform::MoveFileReplacing(target_, part_);
        }
        std::optional<platform::File> file = platform::File::Open(
            part_, platform::FileAccess::ReadWrite, platform::FileDisposition::OpenAlways);
        const std::optional<std::uint64_t> size = file ? file->Size() : std::nullopt;
        if (file && (!size || !file->SeekToEnd())) {
            // A size that cannot be read: no resuming for the rest of the call.
            resume_ = false;
            return OpenPartFile(offset);
        }
        offset = size.value_or(0);
        return file;
    }

    /// Reads while bytes are missing; false only when writing the file failed. A body that
    /// carries the offset past the expected length is seen by the caller's length check.
    bool ReadBody(platform::HttpRequest& request, platform::File& file, std::uint64_t& offset) {
        while (offset < expected_) {
            const std::optional<std::size_t> available = request.QueryDataAvailable();
            if (!available) {
                PrintError("Data not available. %d\n", platform::GetLastError());
                return true;
            }
            if (*available == 0) {
                return true;
            }
            try {
                buffer_.resize(*available + 1);
            } catch (const std::bad_alloc&) {
                Print("Http Request is out of memory.\n");
                return true;
            }
            const std::optional<std::size_t> read =
                request.ReadData(std::span(buffer_.data(), *available));
            if (!read) {
                PrintError("Http read data error. %d", platform::GetLastError());
                return true;
            }
            if (!file.Write(std::span(buffer_.data(), *read))) {
                return false;
            }
            offset += *read;
        }
        return true;
    }

    std::u16string host_;
    std::u16string path_;
    std::u16string splitHost_;
    std::u16string splitPath_;
    std::u16string target_;
    std::u16string part_;
    std::uint64_t expected_;
    bool lengthKnown_;
    bool resume_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace

std::uint32_t HttpDownloadFile(std::u16string host, std::u16string path,
                               const std::u16string& localPath, std::uint64_t expectedLength,
                               int resume) {
    return Download(std::move(host), std::move(path), localPath, expectedLength, resume).Run();
}

} // namespace vg::net
