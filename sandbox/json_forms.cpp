// The JSON forms of faults, replies and recorded requests.
#include "sandbox/json_forms.h"

#include <array>
#include <cstdio>
#include <limits>
#include <set>
#include <stdexcept>

namespace vg::sandbox {
namespace {

using nlohmann::json;

[[noreturn]] void Reject(const std::string& what) {
    throw std::invalid_argument(what);
}

void RequireObjectWith(const json& form, const std::set<std::string>& known) {
    if (!form.is_object()) {
        Reject("expected a JSON object");
    }
    for (const auto& [name, value] : form.items()) {
        if (known.count(name) == 0) {
            Reject("unknown member \"" + name + "\"");
        }
    }
}

const json* Member(const json& form, const char* name) {
    const auto it = form.find(name);
    return it == form.end() ? nullptr : &*it;
}

std::string StringMember(const json& form, const char* name, std::string fallback) {
    const json* value = Member(form, name);
    if (value == nullptr) {
        return fallback;
    }
    if (!value->is_string()) {
        Reject(std::string("\"") + name + "\" must be a string");
    }
    return value->get<std::string>();
}

bool BoolMember(const json& form, const char* name) {
    const json* value = Member(form, name);
    if (value != nullptr && !value->is_boolean()) {
        Reject(std::string("\"") + name + "\" must be true or false");
    }
    return value != nullptr && value->get<bool>();
}

template <typename Integer>
std::optional<Integer> IntegerMember(const json& form, const char* name) {
    const json* value = Member(form, name);
    if (value == nullptr) {
        return std::nullopt;
    }
    using Limits = std::numeric_limits<Integer>;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(Limits::max())) {
            return static_cast<Integer>(number);
        }
    } else if constexpr (std::is_signed_v<Integer>) {
        if (value->is_number_integer()) {
            const auto number = value->get<std::int64_t>();
            if (number >= static_cast<std::int64_t>(Limits::min()) &&
                number <= static_cast<std::int64_t>(Limits::max())) {
                return static_cast<Integer>(number);
            }
        }
    }
    Reject(std::string("\"") + name + "\" must be a whole number from " +
           std::to_string(Limits::min()) + " to " + std::to_string(Limits::max()));
}

std::string RequiredPath(const json& form) {
    const std::string path = StringMember(form, "path", "");
    if (path.empty() || path.front() != '/') {
        Reject("\"path\" must be a path starting with /");
    }
    return path;
}

std::optional<std::pair<std::size_t, std::chrono::milliseconds>> TrickleMember(const json& form) {
    const json* value = Member(form, "trickle");
    if (value == nullptr) {
        return std::nullopt;
    }
    RequireObjectWith(*value, {"bytes", "everyMs"});
    const auto bytes = IntegerMember<std::size_t>(*value, "bytes");
    const auto every = IntegerMember<std::uint32_t>(*value, "everyMs");
    if (!bytes || *bytes == 0 || !every) {
        Reject("\"trickle\" needs \"bytes\" (at least 1) and \"everyMs\"");
    }
    return std::pair{*bytes, std::chrono::milliseconds(*every)};
}

std::string JoinedHeaders(const RecordedRequest& request, const std::string& name) {
    std::string joined;
    const auto [first, last] = request.headers.equal_range(name);
    for (auto it = first; it != last; ++it) {
        joined += (joined.empty() ? "" : ", ") + it->second;
    }
    return joined;
}

std::chrono::system_clock::time_point ParseUtcTime(const std::string& text) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0, milli = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u.%3uZ", &year, &month, &day, &hour,
                    &minute, &second, &milli) != 7) {
        Reject("\"time\" must be a UTC time like 2024-01-31T12:00:00.000Z");
    }
    using namespace std::chrono;
    const sys_days date =
        year_month_day{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
    return date + hours(hour) + minutes(minute) + seconds(second) + milliseconds(milli);
}

/// The length of the UTF-8 sequence at `i`; 0 when it is not a valid one (cut short, overlong,
/// a surrogate or past U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || i + length > text.size()) {
        return 0;
    }
    std::uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    constexpr std::array<std::uint32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid =
        code >= kSmallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return valid ? length : 0;
}

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

FaultRule FaultRuleFromJson(const json& form) {
    RequireObjectWith(form, {"host", "path", "status", "htmlPage", "dropAfterBytes",
                             "noContentLength", "delayMs", "extraBytes", "rawContentLength",
                             "ignoreRange", "trickle", "times", "body", "location"});
    FaultRule rule;
    rule.host = StringMember(form, "host", "*");
    rule.path = RequiredPath(form);
    Fault& fault = rule.fault;
    fault.status = IntegerMember<int>(form, "status");
    if (fault.status && (*fault.status < 100 || *fault.status > 999)) {
        Reject("\"status\" must be an HTTP status from 100 to 999");
    }
    fault.htmlPage = BoolMember(form, "htmlPage");
    fault.dropAfterBytes = IntegerMember<std::uint64_t>(form, "dropAfterBytes");
    fault.noContentLength = BoolMember(form, "noContentLength");
    fault.delay =
        std::chrono::milliseconds(IntegerMember<std::uint32_t>(form, "delayMs").value_or(0));
    fault.extraBytes = IntegerMember<std::int64_t>(form, "extraBytes");
    if (Member(form, "rawContentLength") != nullptr) {
        fault.rawContentLength = StringMember(form, "rawContentLength", "");
    }
    fault.ignoreRange = BoolMember(form, "ignoreRange");
    fault.trickle = TrickleMember(form);
    fault.times = IntegerMember<int>(form, "times").value_or(-1);
    if (Member(form, "location") != nullptr) {
        fault.location = StringMember(form, "location", "");
    }
    if (Member(form, "body") != nullptr) {
        fault.body = StringMember(form, "body", "");
    }
    return rule;
}

ReplyRule ReplyRuleFromJson(const json& form) {
    RequireObjectWith(form, {"host", "path", "status", "body", "contentType"});
    ReplyRule rule;
    rule.host = StringMember(form, "host", "*");
    rule.path = RequiredPath(form);
    rule.status = IntegerMember<int>(form, "status").value_or(200);
    if (rule.status < 100 || rule.status > 999) {
        Reject("\"status\" must be an HTTP status from 100 to 999");
    }
    rule.body = StringMember(form, "body", "");
    rule.contentType = StringMember(form, "contentType", "application/json");
    return rule;
}

nlohmann::ordered_json RequestToJson(const RecordedRequest& request) {
    nlohmann::ordered_json headers = nlohmann::ordered_json::object();
    for (const auto& [name, value] : request.headers) {
        if (!headers.contains(name)) {
            headers[ToValidUtf8(name)] = ToValidUtf8(JoinedHeaders(request, name));
        }
    }
    nlohmann::ordered_json form = {{"time", FormatUtcTime(request.time)},
                                   {"method", request.method},
                                   {"host", request.host},
                                   {"hostHeader", ToValidUtf8(request.hostHeader)},
                                   {"port", request.port},
                                   {"tls", request.tls},
                                   {"path", ToValidUtf8(request.path)},
                                   {"headers", std::move(headers)},
                                   {"body", ToValidUtf8(request.body)},
                                   {"bodyUtf8", request.bodyIsUtf8}};
    if (!request.bodyIsUtf8) {
        form["bodyBase64"] = EncodeBase64(request.body);
    }
    return form;
}

RecordedRequest RequestFromJson(const json& form) {
    RequireObjectWith(form, {"time", "method", "host", "hostHeader", "port", "tls", "path",
                             "headers", "body", "bodyUtf8", "bodyBase64"});
    RecordedRequest request;
    request.time = ParseUtcTime(StringMember(form, "time", ""));
    request.method = StringMember(form, "method", "");
    request.host = StringMember(form, "host", "");
    request.hostHeader = StringMember(form, "hostHeader", "");
    request.path = StringMember(form, "path", "");
    request.port = IntegerMember<int>(form, "port").value_or(0);
    request.tls = BoolMember(form, "tls");
    if (const json* headers = Member(form, "headers"); headers != nullptr) {
        if (!headers->is_object()) {
            Reject("\"headers\" must be an object");
        }
        for (const auto& [name, value] : headers->items()) {
            request.headers.emplace(name, StringMember(*headers, name.c_str(), ""));
        }
    }
    request.bodyIsUtf8 = Member(form, "bodyUtf8") == nullptr || BoolMember(form, "bodyUtf8");
    request.body = StringMember(form, "body", "");
    if (!request.bodyIsUtf8) {
        const auto bytes = DecodeBase64(StringMember(form, "bodyBase64", ""));
        if (!bytes) {
            Reject("\"bodyBase64\" must be base64");
        }
        request.body = *bytes;
    }
    return request;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string ToValidUtf8(std::string_view text) {
    std::string valid;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        valid += length == 0 ? std::string_view("\xEF\xBF\xBD") : text.substr(i, length);
        i += std::max<std::size_t>(length, 1);
    }
    return valid;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto byte = k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u;
            group = (group << 8) | byte;
        }
        for (std::size_t k = 0; k < 4; ++k) {
            text += k <= count ? kBase64Alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return text;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t group = 0;
        for (std::size_t at = i; at < i + 4; ++at) {
            const bool isPadding = at >= text.size() - padding;
            const std::size_t value = isPadding ? 0 : kBase64Alphabet.find(text[at]);
            if (value == std::string_view::npos) {
                return std::nullopt;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        const std::size_t count = i + 4 == text.size() ? 3 - padding : 3;
        for (std::size_t k = 0; k < count; ++k) {
            bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFF);
        }
    }
    return bytes;
}

std::string FormatUtcTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto milli = floor<milliseconds>(time);
    const sys_days day = floor<days>(milli);
    const year_month_day date{day};
    const hh_mm_ss clock{milli - day};
    char text[40];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

} // namespace vg::sandbox
