// Windows system and WinHTTP error numbers: the one code space every failure is reported in.
#pragma once

#include <cstdint>

namespace vg::platform {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorTooManyOpenFiles = 4;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorNotSameDevice = 17;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorHandleEof = 38;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorDirNotEmpty = 145;
inline constexpr std::uint32_t kErrorBusy = 170;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorBadExeFormat = 193;
inline constexpr std::uint32_t kErrorFilenameExcedRange = 206;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorNoUnicodeTranslation = 1113;

// WinHTTP
inline constexpr std::uint32_t kErrorHttpOutOfHandles = 12001;
inline constexpr std::uint32_t kErrorHttpTimeout = 12002;
inline constexpr std::uint32_t kErrorHttpInternalError = 12004;
inline constexpr std::uint32_t kErrorHttpInvalidUrl = 12005;
inline constexpr std::uint32_t kErrorHttpUnrecognizedScheme = 12006;
inline constexpr std::uint32_t kErrorHttpNameNotResolved = 12007;
inline constexpr std::uint32_t kErrorHttpInvalidOption = 12009;
inline constexpr std::uint32_t kErrorHttpOperationCancelled = 12017;
inline constexpr std::uint32_t kErrorHttpIncorrectHandleState = 12019;
inline constexpr std::uint32_t kErrorHttpCannotConnect = 12029;
inline constexpr std::uint32_t kErrorHttpConnectionError = 12030;
inline constexpr std::uint32_t kErrorHttpHeaderNotFound = 12150;
inline constexpr std::uint32_t kErrorHttpInvalidServerResponse = 12152;
inline constexpr std::uint32_t kErrorHttpRedirectFailed = 12156;
inline constexpr std::uint32_t kErrorHttpSecureFailure = 12175;

// Trust verification (HRESULTs of WinVerifyTrust and the CryptoAPI, as unsigned numbers)
inline constexpr std::uint32_t kTrustESubjectFormUnknown = 0x800B0003;
inline constexpr std::uint32_t kTrustENoSignature = 0x800B0100;
inline constexpr std::uint32_t kCertEUntrustedRoot = 0x800B0109;
inline constexpr std::uint32_t kCertEWrongUsage = 0x800B0110;
inline constexpr std::uint32_t kTrustENoSignerCert = 0x80096002;
inline constexpr std::uint32_t kTrustEBadDigest = 0x80096010;
inline constexpr std::uint32_t kNteBadAlgid = 0x80090008;

} // namespace vg::platform
