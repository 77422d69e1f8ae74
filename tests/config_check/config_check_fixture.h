// A CDN tree written by the test, and the built vg-config-check run over it as a process.
#pragma once

#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace vg::test {

using Json = nlohmann::ordered_json;

/// A mode section that passes the check without warnings.
inline Json CompleteSection() {
    return Json::parse(R"({"CheckFiles":["data/game.pak"],"LauncherName":"Launcher.exe",
        "SetupName":"Setup.exe","Domain":"download.varnugames.com","SetupURL":"/setup/",
        "LauncherURL":"/launcher/","RegistryRoot":"HKLM","RegistryPath":["Software\\MyGame"],
        "CheckCodeSignOption":true,"CodeSignName":["Varnugames Co., Ltd."],"InstallParams":"/S",
        "ExecParams":"-key {KEY} -mode {Mode}"})");
}

/// The complete section with the members of `changes` (JSON members, without braces) set.
inline Json Section(const std::string& changes) {
    Json section = CompleteSection();
    section.update(Json::parse("{" + changes + "}"));
    return section;
}

/// A folder standing for a CDN base, written document by document.
class CdnTreeFolder {
public:
    explicit CdnTreeFolder(std::filesystem::path base) : base_(std::move(base)) {}

    [[nodiscard]] const std::filesystem::path& Base() const { return base_; }

    void WriteDocument(const std::string& name, std::string_view text) const {
        const std::filesystem::path file = base_ / "config" / "varnugames" / name;
        std::filesystem::create_directories(file.parent_path());
        WriteFile(file, text);
    }
    void WriteList(std::string_view text) const { WriteDocument("gamestarter.json", text); }
    void WriteGame(const std::string& game, std::string_view text) const {
        WriteDocument(game + ".gamestarter.json", text);
    }
    /// A game document with these modes, in this order.
    void WriteGame(const std::string& game,
                   const std::vector<std::pair<std::string, Json>>& modes) const {
        Json sections = Json::object();
        for (const auto& [mode, section] : modes) {
            sections[mode] = section;
        }
        WriteGame(game, Json{{game, sections}}.dump());
    }

private:
    std::filesystem::path base_;
};

/// Runs the built tool with these arguments.
inline ProcessResult RunConfigCheck(const std::vector<std::string>& args) {
    return RunProcess(VG_CONFIG_CHECK, args);
}

/// Runs the tool with --json before the arguments, expects the exit status, and returns the
/// parsed report.
inline Json RunConfigCheckJson(std::vector<std::string> args, int expectedExit) {
    args.insert(args.begin(), "--json");
    const ProcessResult result = RunConfigCheck(args);
    EXPECT_EQ(result.exitCode, expectedExit) << result.out << result.err;
    return Json::parse(result.out);
}

/// A folder tree in a scratch folder.
class ConfigCheckTest : public testing::Test {
protected:
    [[nodiscard]] std::filesystem::path Tree() const { return tree_.Base(); }

    /// Runs the tool over the folder tree (its last argument unless `withTree` is false).
    ProcessResult Run(std::vector<std::string> args, bool withTree = true) const {
        if (withTree) {
            args.push_back(Tree().string());
        }
        return RunConfigCheck(args);
    }
    Json RunJson(std::vector<std::string> args, int expectedExit) const {
        args.push_back(Tree().string());
        return RunConfigCheckJson(std::move(args), expectedExit);
    }

    TempDir dir_;
    CdnTreeFolder tree_{dir_ / "cdn"};
};

/// The game of that name in a JSON report; fails the test when it is not there.
inline Json GameOf(const Json& report, const std::string& game) {
    for (const Json& entry : report.at("games")) {
        if (entry.at("game") == game) {
            return entry;
        }
    }
    ADD_FAILURE() << "no game " << game << " in " << report.dump(2);
    return Json::object();
}

/// The mode of that name in a game of a JSON report.
inline Json ModeOf(const Json& game, const std::string& mode) {
    for (const Json& entry : game.at("modes")) {
        if (entry.at("mode") == mode) {
            return entry;
        }
    }
    ADD_FAILURE() << "no mode " << mode << " in " << game.dump(2);
    return Json::object();
}

/// A failure of a JSON report as one line: "EVENT CODE message N: description".
inline std::string FailureLine(const Json& failure) {
    return failure.at("event").get<std::string>() + " " + failure.at("code").get<std::string>() +
           " message " + std::to_string(failure.at("message").get<int>()) + ": " +
           failure.at("description").get<std::string>();
}

/// Every failure of a mode or game, as lines.
inline std::vector<std::string> FailureLines(const Json& entry) {
    std::vector<std::string> lines;
    for (const Json& failure : entry.at("errors")) {
        lines.push_back(FailureLine(failure));
    }
    return lines;
}

} // namespace vg::test
