// Downloading a file to disk, with a length query, a Range request and up to four attempts.
#pragma once

#include <cstdint>
#include <string>

namespace vg::net {

/// Brings the file at host string + path to `localPath`. With `expectedLength` 0 the length is
/// asked for first, and an answer whose Content-Length holds no digits fails it (12152) rather
/// than passing for an empty file. Every attempt, the length query included, goes over HTTPS; there
/// are four attempts in all, counted together. The old file is deleted first (a program running it
/// is ended); the bytes go to "<localPath>.vgpart", which takes the file's place only when exactly
/// the expected length arrived, so the path never holds a partial file. 0 on success; else the
/// last attempt's status, error number, or 1 for a body of the wrong length.
std::uint32_t HttpDownloadFile(std::u16string host, std::u16string path,
                               const std::u16string& localPath, std::uint64_t expectedLength,
                               int resume);

} // namespace vg::net
