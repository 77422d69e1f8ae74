// The text report. A failure reads "<event> <result> <description> [message <n>]", the event
// as the telemetry collector receives it and the notice the user sees.
#include "text_report.h"

#include "starter_failures.h"
#include "util/text_encoding.h"

#include <string>

namespace vg::config_check {
namespace {

std::string Utf8(std::u16string_view text) {
    return util::ToUtf8(text);
}

const char* Verdict(bool passed) {
    return passed ? "OK" : "FAILED";
}

void WriteFailure(const StarterFailure& failure, const char* indent, std::ostream& out) {
    out << indent << "error: " << Utf8(failure.event) << ' ' << ResultCodeText(failure.result)
        << ' ' << Utf8(failure.description) << " [message " << failure.message << "]\n";
}

void WriteMode(const ModeResult& mode, std::ostream& out) {
    out << "  mode " << Utf8(mode.mode) << ": " << Verdict(mode.Passed()) << '\n';
    for (const StarterFailure& failure : mode.failures) {
        WriteFailure(failure, "    ", out);
    }
    for (const Warning& warning : mode.warnings) {
        out << "    warning: " << Utf8(warning.text) << '\n';
    }
}

void WriteGame(const GameResult& game, std::ostream& out) {
    out << "game " << Utf8(game.game) << ": " << Verdict(game.Passed())
        << (game.listed ? "" : " (not listed)") << '\n';
    for (const StarterFailure& failure : game.failures) {
        WriteFailure(failure, "  ", out);
    }
    for (const std::u16string& note : game.notes) {
        out << "  note: " << Utf8(note) << '\n';
    }
    for (const ModeResult& mode : game.modes) {
        WriteMode(mode, out);
    }
}

} // namespace

void WriteTextReport(const TreeResult& result, std::ostream& out) {
    out << "CDN tree: " << result.tree << '\n';
    if (result.listFailure) {
        out << "list gamestarter.json: FAILED\n";
        WriteFailure(*result.listFailure, "  ", out);
        out << "summary: FAILED, no game can start until the list is fixed\n";
        return;
    }
    for (const std::u16string& note : result.notes) {
        out << "note: " << Utf8(note) << '\n';
    }
    std::size_t failed = 0;
    for (const GameResult& game : result.games) {
        WriteGame(game, out);
        failed += game.Passed() ? 0U : 1U;
    }
    out << "summary: " << Verdict(result.Passed()) << ", " << result.games.size()
        << (result.games.size() == 1 ? " game" : " games") << " checked, " << failed << " failed\n";
}

} // namespace vg::config_check
