// libcurl results to WinHTTP error numbers, in one place for the whole HTTP backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/curl_error_mapping.h"

#include "platform/error_codes.h"

namespace vg::platform::posix {

std::uint32_t ErrorFromCurl(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return kErrorSuccess;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return kErrorHttpNameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return kErrorHttpCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return kErrorHttpTimeout;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        return kErrorHttpSecureFailure;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_WRITE_ERROR:
        return kErrorHttpConnectionError;
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kErrorHttpRedirectFailed;
    case CURLE_URL_MALFORMAT:
        return kErrorHttpInvalidUrl;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return kErrorHttpInvalidServerResponse;
    case CURLE_OUT_OF_MEMORY:
        return kErrorNotEnoughMemory;
    case CURLE_ABORTED_BY_CALLBACK:
        return kErrorHttpOperationCancelled;
    default:
        return kErrorHttpInternalError;
    }
}

} // namespace vg::platform::posix
