// Sequential UUIDs on Linux: the real-time clock and an adapter address from sysfs. POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/sequential_uuid.h"
#include "platform/posix/whole_number.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vg::platform {
namespace posix {
namespace {

namespace fs = std::filesystem;

/// 100-ns intervals from 1582-10-15, the start of the UUID clock, to 1970-01-01.
constexpr std::uint64_t kUuidEpochToUnixEpoch = 0x01B21DD213814000ULL;
constexpr std::uint64_t kTimestampMask = 0x0FFFFFFFFFFFFFFFULL;
constexpr int kLoopbackType = 772;
constexpr std::size_t kAddressTextLength = 17; // "xx:xx:xx:xx:xx:xx"

/// What every UUID of the process shares: the last timestamp handed out, the clock sequence and
/// the node used when no adapter has an address.
class SequenceState {
public:
    SequenceState() {
        std::random_device random;
        std::uniform_int_distribution<unsigned> byte(0, 255);
        clockSequence_ = static_cast<std::uint16_t>((byte(random) << 8 | byte(random)) & 0x3FFFU);
        for (std::uint8_t& part : localNode_) {
            part = static_cast<std::uint8_t>(byte(random));
        }
        // A random node is marked as multicast so that it never equals a real adapter's address.
        localNode_[0] |= 0x01U;
    }

    /// The current time on the UUID clock, raised past the last one so that no two are equal.
    std::uint64_t NextTimestamp() {
        const std::lock_guard<std::mutex> lock(mutex_);
        lastTimestamp_ = std::max(NowOnUuidClock(), lastTimestamp_ + 1) & kTimestampMask;
        return lastTimestamp_;
    }

    [[nodiscard]] std::uint16_t ClockSequence() const { return clockSequence_; }
    [[nodiscard]] const NodeAddress& LocalNode() const { return localNode_; }

private:
    static std::uint64_t NowOnUuidClock() {
        const auto sinceUnixEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        const std::int64_t intervals = sinceUnixEpoch.count() / 100;
        return intervals < 0 ? 0 : static_cast<std::uint64_t>(intervals) + kUuidEpochToUnixEpoch;
    }

    std::mutex mutex_;
    std::uint64_t lastTimestamp_ = 0;
    std::uint16_t clockSequence_ = 0;
    NodeAddress localNode_{};
};

SequenceState& State() {
    static SequenceState state;
    return state;
}

std::string ReadFirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool IsLoopback(const fs::path& interface) {
    if (interface.filename() == "lo") {
        return true;
    }
    return ParseWholeNumber<int>(ReadFirstLine(interface / "type")) == kLoopbackType;
}

std::optional<std::uint8_t> ParseHexByte(std::string_view digits) {
    return ParseWholeNumber<std::uint8_t>(digits, 16);
}

std::optional<NodeAddress> ParseAddress(std::string_view text) {
    if (text.size() != kAddressTextLength) {
        return std::nullopt;
    }
    NodeAddress address{};
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i + 1 < address.size() && text[3 * i + 2] != ':') {
            return std::nullopt;
        }
        const std::optional<std::uint8_t> part = ParseHexByte(text.substr(3 * i, 2));
        if (!part) {
            return std::nullopt;
        }
        address[i] = *part;
    }
    return address;
}

bool IsZero(const NodeAddress& address) {
    return std::all_of(address.begin(), address.end(), [](std::uint8_t part) { return part == 0; });
}

std::vector<fs::path> InterfacesByName(const fs::path& netRoot) {
    std::vector<fs::path> interfaces;
    std::error_code error;
    for (fs::directory_iterator it(netRoot, error), end; !error && it != end; it.increment(error)) {
        interfaces.push_back(it->path());
    }
    std::sort(interfaces.begin(), interfaces.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return interfaces;
}

Uuid MakeVersion1Uuid(std::uint64_t timestamp, std::uint16_t clockSequence,
                      const NodeAddress& node) {
    Uuid uuid;
    uuid.data1 = static_cast<std::uint32_t>(timestamp & 0xFFFFFFFFU);
    uuid.data2 = static_cast<std::uint16_t>((timestamp >> 32) & 0xFFFFU);
    uuid.data3 = static_cast<std::uint16_t>(((timestamp >> 48) & 0x0FFFU) | 0x1000U);
    uuid.data4[0] = static_cast<std::uint8_t>(((clockSequence >> 8) & 0x3FU) | 0x80U);
    uuid.data4[1] = static_cast<std::uint8_t>(clockSequence & 0xFFU);
    std::copy(node.begin(), node.end(), uuid.data4.begin() + 2);
    return uuid;
}

} // namespace

std::optional<NodeAddress> FirstAdapterAddress(const fs::path& netRoot) {
    for (const fs::path& interface : InterfacesByName(netRoot)) {
        if (IsLoopback(interface)) {
            continue;
        }
        const std::optional<NodeAddress> address =
            ParseAddress(ReadFirstLine(interface / "address"));
        if (address && !IsZero(*address)) {
            return address;
        }
    }
    return std::nullopt;
}

std::uint32_t CreateSequentialUuidFrom(const fs::path& netRoot, Uuid& uuid) {
    SequenceState& state = State();
    const std::optional<NodeAddress> adapter = FirstAdapterAddress(netRoot);
    uuid = MakeVersion1Uuid(state.NextTimestamp(), state.ClockSequence(),
                            adapter ? *adapter : state.LocalNode());
    return adapter ? kRpcSOk : kRpcSUuidLocalOnly;
}

} // namespace posix

std::uint32_t CreateSequentialUuid(Uuid& uuid) {
    return posix::CreateSequentialUuidFrom("/sys/class/net", uuid);
}

} // namespace vg::platform
