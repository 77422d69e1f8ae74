// The self-update check of every run: the published version, the package, its verification, the
// swap and the start of the new build.
#include "selfupdate/self_update.h"

#include "app/execute_program.h"
#include "net/http_download.h"
#include "net/http_get.h"
#include "platform/file_system.h"
#include "platform/program_path.h"
#include "platform/update_package.h"
#include "util/file_version_string.h"
#include "util/leading_integer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace vg::selfupdate {
namespace {

bool IsWideSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsWideSpace(text.back())) {
        text.remove_suffix(1);
    }
    while (!text.empty() && IsWideSpace(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

int ToInt(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsWideSpace(text[i])) {
        ++i;
    }
    const util::LeadingInteger number =
        util::ReadLeadingInteger(text.substr(i), std::uint64_t{INT_MAX} + 1);
    const auto magnitude = static_cast<std::int64_t>(number.magnitude);
    return static_cast<int>(number.negative ? -magnitude
                                            : std::min<std::int64_t>(magnitude, INT_MAX));
}

std::array<int, 4> VersionParts(std::u16string_view text) {
    std::array<int, 4> parts{};
    std::size_t count = 0;
    while (count < parts.size() && !text.empty()) {
        const std::size_t dot = text.find(u'.');
        const std::u16string_view part = text.substr(0, dot);
        if (!part.empty()) {
            parts[count++] = ToInt(part);
        }
        text = dot == std::u16string_view::npos ? std::u16string_view() : text.substr(dot + 1);
    }
    return parts;
}

std::u16string ReplaceAll(std::u16string text, std::u16string_view from, std::u16string_view to) {
    if (from.empty()) {
        return text;
    }
    for (std::size_t at = text.find(from); at != std::u16string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Version texts are published with commas and blanks now and then ("1, 1, 11, 3").
std::u16string CleanVersion(std::u16string text) {
    return ReplaceAll(ReplaceAll(std::move(text), u",", u"."), u" ", u"");
}

// As PathRemoveFileSpecW: the last component goes, and its separator unless it is the root's.
std::u16string DirectoryOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string::npos) {
        return {};
    }
    const bool isRoot = slash == 0 || (slash == 2 && path[1] == u':');
    return path.substr(0, isRoot ? slash + 1 : slash);
}

struct LocalNames {
    std::u16string backup;
    std::u16string package;
};

// `base` is the own path with the directory's text and ".exe" removed wherever they occur; it
// keeps its leading separator, and an upper-case ".EXE" stays in it.
LocalNames LocalNamesFor(const std::u16string& ownPath) {
    const std::u16string dir = DirectoryOf(ownPath);
    const std::u16string base = ReplaceAll(ReplaceAll(ownPath, dir, u""), u".exe", u"");
    return {.backup = dir + base + u".e__", .package = dir + base + u".ex_"};
}

std::u16string OwnVersion(const std::u16string& ownPath) {
    return CleanVersion(util::GetFileVersionString(ownPath, u"ProductVersion"));
}

void RemovePackage(const std::u16string& package, std::u16string_view signatureSuffix) {
    platform::RemoveFile(package);
    if (!signatureSuffix.empty()) {
        platform::RemoveFile(package + std::u16string(signatureSuffix));
    }
}

// The package and, where the platform signs beside it, its signature file.
bool DownloadPackage(std::u16string_view cdnBase, const std::u16string& remoteName,
                     const std::u16string& package, std::u16string_view signatureSuffix) {
    const std::u16string host(cdnBase);
    if (net::HttpDownloadFile(host, remoteName, package, 0, 0) != 0) {
        return false;
    }
    if (!signatureSuffix.empty()) {
        const std::u16string suffix(signatureSuffix);
        if (net::HttpDownloadFile(host, remoteName + suffix, package + suffix, 0, 0) != 0) {
            return false;
        }
    }
    return true;
}

// The package must be the publisher's, and newer inside than the running build: a version file
// that runs ahead of its package would otherwise install the same build at every start.
bool PackageIsAcceptable(const std::u16string& package, std::u16string_view expectedSigner,
                         const std::u16string& ownVersion) {
    if (platform::CheckUpdatePackage(package, expectedSigner) != 0) {
        return false;
    }
    return IsNewerVersion(OwnVersion(package), ownVersion) == 1;
}

// The verified file itself is renamed onto the own path, so nothing can change it in between.
// It is made executable before the rename: a run ended between the two would otherwise leave a
// program at the own path that can no longer be started.
bool SwapInPackage(const std::u16string& ownPath, const LocalNames& names) {
    platform::MarkExecutable(names.package);
    if (!platform::KeepBackupOfProgram(ownPath, names.backup)) {
        return false;
    }
    if (!platform::MoveFileReplacing(names.package, ownPath)) {
        platform::MoveFileReplacing(names.backup, ownPath);
        return false;
    }
    return true;
}

} // namespace

int IsNewerVersion(std::u16string_view published, std::u16string_view own) {
    published = Trim(published);
    own = Trim(own);
    const auto dots = [](std::u16string_view text) { return std::ranges::count(text, u'.'); };
    if (dots(published) != 3 && dots(own) != 3) {
        return 0;
    }
    const std::array<int, 4> publishedParts = VersionParts(published);
    const std::array<int, 4> ownParts = VersionParts(own);
    for (std::size_t i = 0; i < publishedParts.size(); ++i) {
        if (publishedParts[i] != ownParts[i]) {
            return publishedParts[i] > ownParts[i] ? 1 : 0;
        }
    }
    return 0;
}

int RunSelfUpdate(const std::u16string& commandLine, std::u16string_view cdnBase,
                  std::u16string_view expectedSigner) {
    const std::u16string ownPath = platform::GetProgramPath();
    if (ownPath.empty()) {
        return 0;
    }
    const std::u16string ownVersion = OwnVersion(ownPath);
    const LocalNames names = LocalNamesFor(ownPath);
    platform::RemoveFile(names.backup);

    const std::u16string published(platform::UpdatePublishedName());
    std::u16string versionText;
    if (net::HttpGetText(std::u16string(cdnBase), published + u".version", 1, versionText) != 0) {
        return 0;
    }
    if (IsNewerVersion(CleanVersion(versionText), ownVersion) != 1 || expectedSigner.empty()) {
        return 0;
    }
    const std::u16string_view signatureSuffix = platform::UpdateSignatureSuffix();
    if (!DownloadPackage(cdnBase, published + u".ex_", names.package, signatureSuffix) ||
        !PackageIsAcceptable(names.package, expectedSigner, ownVersion)) {
        RemovePackage(names.package, signatureSuffix);
        return 0;
    }
    if (!signatureSuffix.empty()) {
        platform::RemoveFile(names.package + std::u16string(signatureSuffix));
    }
    if (!SwapInPackage(ownPath, names)) {
        return 0;
    }
    return app::ExecuteProgram(ownPath, commandLine);
}

} // namespace vg::selfupdate
