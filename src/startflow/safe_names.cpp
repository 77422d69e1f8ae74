// The rules that keep names from the launch URL and the CDN inside their directory.
#include "startflow/safe_names.h"

#include <algorithm>

namespace vg::startflow {
namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsOnlyDotsAndBlanks(std::u16string_view component) {
    return component != u"." && std::all_of(component.begin(), component.end(),
                                            [](char16_t c) { return c == u'.' || c == u' '; });
}

std::optional<std::u16string> Refusal(std::u16string_view what, std::u16string_view name,
                                      const std::optional<std::u16string>& reason) {
    if (!reason) {
        return std::nullopt;
    }
    return u"Refused " + std::u16string(what) + u" \"" + std::u16string(name) + u"\": " + *reason +
           u".";
}

} // namespace

std::optional<std::u16string> UnsafeRelativePath(std::u16string_view name) {
    if (name.empty()) {
        return u"the name is empty";
    }
    if (IsSeparator(name.front())) {
        return u"the name starts at a root";
    }
    if (name.find(u':') != std::u16string_view::npos) {
        return u"the name holds a drive or stream (\":\")";
    }
    if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20; })) {
        return u"the name holds a control character";
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::u16string_view component = name.substr(start, end - start);
        if (!component.empty() && IsOnlyDotsAndBlanks(component)) {
            return u"the name climbs out of its directory (\"" + std::u16string(component) + u"\")";
        }
        start = end + 1;
    }
    if (IsSeparator(name.back())) {
        return u"the name ends in a separator";
    }
    return std::nullopt;
}

std::optional<std::u16string> UnsafeFileName(std::u16string_view name) {
    if (std::optional<std::u16string> reason = UnsafeRelativePath(name)) {
        return reason;
    }
    if (std::any_of(name.begin(), name.end(), IsSeparator)) {
        return u"the name has a directory part";
    }
    return std::nullopt;
}

std::optional<std::u16string> RefusedInstallerName(std::u16string_view setupName) {
    return Refusal(u"installer name", setupName, UnsafeFileName(setupName));
}

std::optional<std::u16string> RefusedLauncherName(std::u16string_view launcherFile) {
    return Refusal(u"launcher name", launcherFile, UnsafeRelativePath(launcherFile));
}

std::optional<std::u16string> RefusedCheckFileName(std::u16string_view checkFile) {
    return Refusal(u"check file name", checkFile, UnsafeRelativePath(checkFile));
}

} // namespace vg::startflow
