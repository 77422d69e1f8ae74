// Launch URL parsing: splitting on "|", cleaning each field and classifying the run.
#include "app/launch_url.h"

#include "util/wide_text.h"

#include <array>

namespace vg::app {
namespace {

constexpr char16_t kSeparator = u'|';

/// Removed from every field, in this order: they could carry a command line's quoting or
/// redirection into the templates the fields are expanded into.
constexpr std::array<char16_t, 9> kSpecialCharacters = {u'"', u'&', u'|', u'<', u'>',
                                                        u'^', u'`', u'(', u')'};

/// Compared in this order, as whole texts and without regard to letter case.
constexpr std::array<std::u16string_view, 5> kActionWords = {u"pcregisterV2", u"pcverifyV2",
                                                             u"pcregister", u"pcverify", u"pcspec"};

/// Takes the next token: skips a run of separators, then takes the run up to the next one.
std::u16string NextToken(std::u16string_view text, std::size_t& position) {
    while (position < text.size() && text[position] == kSeparator) {
        ++position;
    }
    const std::size_t start = position;
    while (position < text.size() && text[position] != kSeparator) {
        ++position;
    }
    return std::u16string(text.substr(start, position - start));
}

void RemoveSpecialCharacters(std::u16string& field) {
    for (const char16_t special : kSpecialCharacters) {
        util::RemoveAll(field, special);
    }
}

bool IsActionWord(std::u16string_view gameName) {
    for (const std::u16string_view word : kActionWords) {
        if (util::EqualsIgnoreAsciiCase(gameName, word)) {
            return true;
        }
    }
    return false;
}

} // namespace

int ParseLaunchUrl(std::u16string_view commandLine, LaunchFields& fields) {
    if (commandLine.find(kLaunchScheme) == std::u16string_view::npos) {
        return 0;
    }
    std::u16string text(commandLine);
    util::ReplaceAll(text, kLaunchScheme, u"");
    util::RemoveAll(text, u'"');
    util::ReplaceAll(text, u"%7C", u"|");

    std::size_t position = 0;
    const std::array<std::u16string*, 7> inUrlOrder = {
        &fields.gameName, &fields.mode,  &fields.launcherFile, &fields.encStr,
        &fields.mid,      &fields.agent, &fields.channel};
    for (std::u16string* field : inUrlOrder) {
        *field = NextToken(text, position);
    }

    util::RemoveAll(fields.launcherFile, u'/');
    for (std::u16string* field : {&fields.encStr, &fields.mid, &fields.agent, &fields.channel}) {
        util::RemoveAll(*field, u'/');
        util::Trim(*field);
    }
    for (std::u16string* field : inUrlOrder) {
        RemoveSpecialCharacters(*field);
    }

    if (fields.gameName.empty() || fields.mode.empty() || fields.launcherFile.empty() ||
        fields.encStr.empty()) {
        return 0;
    }
    fields.isGameStart = IsActionWord(fields.gameName) ? 0 : 1;
    return 1;
}

} // namespace vg::app
