// The registry on Linux: the Wine prefix's registry files, read and never written. POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/registry.h"

#include "platform/error_codes.h"
#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/wine_registry_file.h"
#include "platform/registry_open_request.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vg::platform {
namespace {

using posix::FoldRegistryName;
using posix::WineRegistryFile;
using posix::WineRegistryKey;
using posix::WineRegistryValue;

/// How many symbolic links one open may pass through; more is taken for a loop.
constexpr int kMaxLinks = 16;

enum class Store { Machine, User, DefaultUser };
constexpr std::array kStores = {Store::Machine, Store::User, Store::DefaultUser};

const char* StoreFileName(Store store) {
    switch (store) {
    case Store::Machine:
        return "/system.reg";
    case Store::User:
        return "/user.reg";
    case Store::DefaultUser:
        return "/userdef.reg";
    }
    return "";
}

struct LoadedFile {
    std::shared_ptr<const WineRegistryFile> file; // nullptr when it could not be read
    std::uint32_t error = kErrorSuccess;
};

/// What tells one version of a file from the next: Wine replaces its files by renaming a new
/// one over the old, and an edit in place changes the time or the size.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t seconds = 0;
    long nanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

struct CachedFile {
    FileIdentity identity;
    std::shared_ptr<const WineRegistryFile> file;
};

class ParsedFileCache {
public:
    static ParsedFileCache& Instance() {
        static ParsedFileCache cache;
        return cache;
    }

    LoadedFile Load(const std::string& path) {
        posix::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.IsValid()) {
            return {nullptr, ErrorForUnreadableFile(errno)};
        }
        struct stat info {};
        if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
            static_cast<std::uint64_t>(info.st_size) > posix::kMaxRegistryFileBytes) {
            return {nullptr, kErrorFileNotFound};
        }
        const std::lock_guard lock(mutex_);
        const FileIdentity identity = IdentityOf(info);
        const auto cached = files_.find(path);
        if (cached != files_.end() && cached->second.identity == identity) {
            return {cached->second.file, kErrorSuccess};
        }
        const std::optional<std::string> text = ReadAll(fd.Get(), info.st_size);
        if (!text) {
            return {nullptr, kErrorFileNotFound};
        }
        auto file = std::make_shared<const WineRegistryFile>(WineRegistryFile::Parse(*text));
        files_[path] = {identity, file};
        return {file, kErrorSuccess};
    }

private:
    /// Only a file the user may not read is an error of its own; any other failure (no prefix,
    /// a folder in the file's place) is a file that holds no keys.
    static std::uint32_t ErrorForUnreadableFile(int error) {
        return error == EACCES || error == EPERM ? kErrorAccessDenied : kErrorFileNotFound;
    }

    static std::optional<std::string> ReadAll(int fd, off_t expectedSize) {
        std::string text;
        text.reserve(static_cast<std::size_t>(expectedSize));
        std::array<char, 65536> chunk{};
        for (;;) {
            const ssize_t got = ::read(fd, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return std::nullopt;
            }
            if (got == 0) {
                return text;
            }
            text.append(chunk.data(), static_cast<std::size_t>(got));
            if (text.size() > posix::kMaxRegistryFileBytes) {
                return std::nullopt;
            }
        }
    }

    std::mutex mutex_;
    std::unordered_map<std::string, CachedFile> files_;
};

/// The prefix's three files as they are at one open.
class PrefixFiles {
public:
    PrefixFiles() {
        const std::string prefix = posix::WinePrefix();
        for (const Store store : kStores) {
            files_[Index(store)] = ParsedFileCache::Instance().Load(prefix + StoreFileName(store));
        }
    }

    [[nodiscard]] const LoadedFile& Get(Store store) const { return files_[Index(store)]; }

    [[nodiscard]] bool HasRoot(Store store) const {
        const auto& file = Get(store).file;
        return file && file->Root() != nullptr;
    }

    [[nodiscard]] bool IsWin64() const {
        const auto& machine = Get(Store::Machine).file;
        return machine && machine->IsWin64();
    }

private:
    static std::size_t Index(Store store) { return static_cast<std::size_t>(store); }

    std::array<LoadedFile, kStores.size()> files_;
};

/// A key named by its store and its folded names below the store's root.
struct Location {
    Store store = Store::Machine;
    std::vector<std::u16string> names;
};

/// Folded names of a "\"-separated path; one "\" at the end is allowed, as Windows allows it.
/// nullopt for an empty name anywhere else.
std::optional<std::vector<std::u16string>> SplitPath(std::u16string_view path) {
    std::vector<std::u16string> names;
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return names;
    }
    for (;;) {
        const std::size_t at = path.find(u'\\');
        const std::u16string_view name = path.substr(0, at);
        if (name.empty()) {
            return std::nullopt;
        }
        names.push_back(FoldRegistryName(name));
        if (at == std::u16string_view::npos) {
            return names;
        }
        path.remove_prefix(at + 1);
    }
}

bool StartsWith(const std::vector<std::u16string>& names,
                const std::vector<std::u16string>& prefix) {
    return names.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), names.begin());
}

/// Where a store's keys lie in the whole registry, below "\Registry".
std::vector<std::u16string> StoreRoot(const PrefixFiles& prefix, Store store) {
    const auto& file = prefix.Get(store).file;
    std::u16string root = file ? file->RelativeTo() : std::u16string();
    if (root.empty() && store == Store::Machine) {
        root = u"\\Machine";
    } else if (root.empty() && store == Store::DefaultUser) {
        root = u"\\User\\.Default";
    }
    if (root.empty() || root.front() != u'\\') {
        return {};
    }
    return SplitPath(std::u16string_view(root).substr(1)).value_or(std::vector<std::u16string>{});
}

/// The store that holds a key named by its full path below "\Registry".
std::optional<Location> LocateFullPath(const PrefixFiles& prefix,
                                       const std::vector<std::u16string>& names) {
    for (const Store store : kStores) {
        const std::vector<std::u16string> root = StoreRoot(prefix, store);
        if (!root.empty() && StartsWith(names, root)) {
            const auto rest = names.begin() + static_cast<std::ptrdiff_t>(root.size());
            return Location{store, std::vector<std::u16string>(rest, names.end())};
        }
    }
    return std::nullopt;
}

/// The key a link stands for, from its REG_LINK value "SymbolicLinkValue", a full path such as
/// "\Registry\Machine\System\ControlSet001".
std::optional<Location> LinkTarget(const PrefixFiles& prefix, const WineRegistryKey& link) {
    const WineRegistryValue* value = WineRegistryFile::FindValue(link, u"SymbolicLinkValue");
    if (!value || value->type != kRegLink) {
        return std::nullopt;
    }
    std::u16string target;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
        target += static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8));
    }
    while (!target.empty() && target.back() == u'\0') {
        target.pop_back();
    }
    constexpr std::u16string_view kRegistryRoot = u"\\REGISTRY\\";
    if (FoldRegistryName(target).substr(0, kRegistryRoot.size()) != kRegistryRoot) {
        return std::nullopt;
    }
    const auto names = SplitPath(std::u16string_view(target).substr(kRegistryRoot.size()));
    return names ? LocateFullPath(prefix, *names) : std::nullopt;
}

struct Layer {
    std::shared_ptr<const WineRegistryFile> file; // keeps the key alive
    const WineRegistryKey* key = nullptr;
};

/// The key at a location, following the links on the way.
std::optional<Layer> Resolve(const PrefixFiles& prefix, Location location, int linksLeft) {
    const std::shared_ptr<const WineRegistryFile>& file = prefix.Get(location.store).file;
    const WineRegistryKey* key = file ? file->Root() : nullptr;
    for (std::size_t i = 0; key && i < location.names.size(); ++i) {
        key = WineRegistryFile::FindSubKey(*key, location.names[i]);
        if (!key || !key->isLink) {
            continue;
        }
        std::optional<Location> target = LinkTarget(prefix, *key);
        if (!target || linksLeft == 0) {
            return std::nullopt;
        }
        const auto rest = location.names.begin() + static_cast<std::ptrdiff_t>(i + 1);
        target->names.insert(target->names.end(), rest, location.names.end());
        return Resolve(prefix, std::move(*target), linksLeft - 1);
    }
    return key ? std::optional<Layer>(Layer{file, key}) : std::nullopt;
}

bool IsRedirectedClassesKey(const std::u16string& name) {
    static const std::array<std::u16string, 5> kRedirected = {u"CLSID", u"DIRECTSHOW", u"INTERFACE",
                                                              u"MEDIA TYPE", u"MEDIAFOUNDATION"};
    return std::find(kRedirected.begin(), kRedirected.end(), name) != kRedirected.end();
}

void InsertWow6432Node(std::vector<std::u16string>& names, std::size_t at) {
    names.insert(names.begin() + static_cast<std::ptrdiff_t>(at), u"WOW6432NODE");
}

/// The 32-bit view of a 64-bit registry: where a 32-bit program's key really lies.
void RedirectTo32BitView(Location& location) {
    std::vector<std::u16string>& names = location.names;
    if (names.empty() || names[0] != u"SOFTWARE") {
        return;
    }
    const bool inClasses = names.size() >= 2 && names[1] == u"CLASSES";
    if (inClasses && names.size() >= 3 && IsRedirectedClassesKey(names[2])) {
        InsertWow6432Node(names, 2);
    } else if (location.store == Store::Machine && !inClasses &&
               (names.size() == 1 || names[1] != u"WOW6432NODE")) {
        InsertWow6432Node(names, 1);
    }
}

/// The places a key below a hive is looked for, the first one read first.
std::vector<Location> HiveLocations(const PrefixFiles& prefix, RegistryHive hive,
                                    const std::vector<std::u16string>& names) {
    std::vector<std::u16string> classes = {u"SOFTWARE", u"CLASSES"};
    classes.insert(classes.end(), names.begin(), names.end());
    std::vector<std::u16string> underUsers = {u"USER"};
    underUsers.insert(underUsers.end(), names.begin(), names.end());
    switch (hive) {
    case RegistryHive::LocalMachine:
        return {{Store::Machine, names}};
    case RegistryHive::CurrentUser:
        return {{Store::User, names}};
    case RegistryHive::ClassesRoot:
        return {{Store::User, classes}, {Store::Machine, classes}};
    case RegistryHive::Users:
        if (std::optional<Location> location = LocateFullPath(prefix, underUsers)) {
            return {std::move(*location)};
        }
        return {};
    }
    return {};
}

bool IsKnownHive(RegistryHive hive) {
    return hive == RegistryHive::ClassesRoot || hive == RegistryHive::CurrentUser ||
           hive == RegistryHive::LocalMachine || hive == RegistryHive::Users;
}

/// Why none of the places held the key: a file the user may not read, else a missing key.
std::uint32_t MissingKeyError(const PrefixFiles& prefix, const std::vector<Location>& places) {
    for (const Location& place : places) {
        if (prefix.Get(place.store).error == kErrorAccessDenied) {
            return kErrorAccessDenied;
        }
    }
    return kErrorFileNotFound;
}

} // namespace

struct RegistryKey::State {
    std::vector<Layer> layers; // the first one holding a value gives it
    std::uint32_t access = 0;
};

RegistryKey::RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::uint32_t RegistryKey::Open(RegistryHive hive, std::u16string_view subKey,
                                std::uint32_t access) {
    Close();
    if (!IsKnownHive(hive)) {
        return kErrorInvalidHandle;
    }
    if (const std::uint32_t refused = CheckRegistryOpenRequest(subKey, access); refused != 0) {
        return refused;
    }
    const std::optional<std::vector<std::u16string>> names = SplitPath(subKey);
    if (!names) {
        return kErrorFileNotFound;
    }
    const PrefixFiles prefix;
    const bool usersRoot = hive == RegistryHive::Users && names->empty() &&
                           (prefix.HasRoot(Store::User) || prefix.HasRoot(Store::DefaultUser));
    std::vector<Location> places = HiveLocations(prefix, hive, *names);
    const bool view32 = (access & kKeyWow64View64) == 0 && prefix.IsWin64();
    auto state = std::make_unique<State>();
    for (Location& place : places) {
        if (view32) {
            RedirectTo32BitView(place);
        }
        if (std::optional<Layer> layer = Resolve(prefix, place, kMaxLinks)) {
            state->layers.push_back(std::move(*layer));
        }
    }
    if (state->layers.empty() && !usersRoot) {
        return MissingKeyError(prefix, places);
    }
    state->access = (access & kKeyMaximumAllowed) != 0 ? access | kKeyRead : access;
    state_ = std::move(state);
    return kErrorSuccess;
}

std::uint32_t RegistryKey::QueryValue(std::u16string_view valueName, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* dataSize) const {
    if (!state_) {
        return kErrorInvalidHandle;
    }
    if ((state_->access & kKeyQueryValue) == 0) {
        return kErrorAccessDenied;
    }
    if (data != nullptr && dataSize == nullptr) {
        return kErrorInvalidParameter;
    }
    const WineRegistryValue* value = nullptr;
    for (const Layer& layer : state_->layers) {
        value = value ? value : WineRegistryFile::FindValue(*layer.key, valueName);
    }
    if (!value) {
        return kErrorFileNotFound;
    }
    if (type != nullptr) {
        *type = value->type;
    }
    const auto size = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return kErrorMoreData;
    }
    if (data != nullptr && size > 0) {
        std::memcpy(data, value->data.data(), size);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return kErrorSuccess;
}

void RegistryKey::Close() {
    state_.reset();
}

} // namespace vg::platform
