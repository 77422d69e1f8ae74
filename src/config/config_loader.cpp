// The configuration fetch: the two CDN documents, their error texts, and the validation codes.
#include "config/config_loader.h"

#include "config/config_reader.h"
#include "net/http_get.h"
#include "util/text_encoding.h"

#include <array>
#include <cstdio>

namespace vg::config {
namespace {

std::u16string Text(const char* format, const std::string& label, long long code) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, label.c_str(), code);
    return util::FromUtf8(buffer);
}

std::u16string DownloadFailed(const std::string& label, std::uint32_t result) {
    return Text("Failed to %s file download. (ErrorCode = %lld)", label,
                static_cast<std::int32_t>(result));
}

std::u16string ParsingFailed(const std::string& label, int code) {
    return Text("Failed to %s file parsing. (ErrorCode = %lld)", label, code);
}

std::u16string TypeError(const std::string& label, const ConfigTypeError& error) {
    return util::FromUtf8("Failed to " + label + " file parsing. (" + error.what() + ")");
}

int FetchDocument(const DocumentFetcher& fetch, std::u16string_view path, const std::string& label,
                  std::string& utf8Document, std::u16string& errorText) {
    std::u16string text;
    const std::uint32_t result = fetch(path, text);
    if (result != 0) {
        errorText = DownloadFailed(label, result);
        return 0;
    }
    utf8Document = util::ToUtf8(text);
    return 1;
}

int FetchBothDocuments(const DocumentFetcher& fetch, std::u16string_view gameName,
                       std::u16string_view mode, GameConfig& config, std::u16string& errorText) {
    const std::string listLabel = "gamestarter.json";
    std::string document;
    if (FetchDocument(fetch, kServiceListPath, listLabel, document, errorText) != 1) {
        return 0;
    }
    try {
        switch (ReadServiceList(document, gameName)) {
        case ServiceListResult::NotJson:
            errorText = ParsingFailed(listLabel, 0);
            return 0;
        case ServiceListResult::MissingList:
            errorText = ParsingFailed(listLabel, 1);
            return 0;
        case ServiceListResult::Unlisted:
            errorText = ParsingFailed(listLabel, 2);
            return 0;
        case ServiceListResult::Listed:
            break;
        }
    } catch (const ConfigTypeError& error) {
        errorText = TypeError(listLabel, error);
        return 0;
    }

    const std::string gameLabel = util::ToUtf8(gameName) + ".gamestarter.json";
    if (FetchDocument(fetch, GameDocumentPath(gameName), gameLabel, document, errorText) != 1) {
        return 0;
    }
    try {
        switch (ReadGameDocument(document, gameName, mode, config)) {
        case GameDocumentResult::NotJson:
            errorText = ParsingFailed(gameLabel, 0);
            return 0;
        case GameDocumentResult::MissingGame:
            errorText = ParsingFailed(gameLabel, 1);
            return 0;
        case GameDocumentResult::Read:
            return 1;
        }
    } catch (const ConfigTypeError& error) {
        errorText = TypeError(gameLabel, error);
        return 0;
    }
    return 0;
}

} // namespace

std::u16string GameDocumentPath(std::u16string_view gameName) {
    return u"config/varnugames/" + std::u16string(gameName) + u".gamestarter.json";
}

int FetchConfig(std::u16string_view cdnBase, std::u16string_view gameName, std::u16string_view mode,
                GameConfig& config, std::u16string& errorText) {
    const DocumentFetcher overHttps = [cdnBase](std::u16string_view path, std::u16string& text) {
        return net::HttpGetText(std::u16string(cdnBase), std::u16string(path), 1, text);
    };
    return FetchConfig(overHttps, gameName, mode, config, errorText);
}

int FetchConfig(const DocumentFetcher& fetch, std::u16string_view gameName,
                std::u16string_view mode, GameConfig& config, std::u16string& errorText) {
    try {
        return FetchBothDocuments(fetch, gameName, mode, config, errorText);
    } catch (const std::exception& error) {
        errorText =
            util::FromUtf8(std::string("Failed to get config file. (") + error.what() + ")");
        return 0;
    }
}

int ValidationCode(const GameConfig& config) {
    const std::array<bool, 9> empty = {
        config.LauncherName.empty(), config.SetupName.empty(),     config.Domain.empty(),
        config.SetupURL.empty(),     config.LauncherURL.empty(),   config.RegistryRoot.empty(),
        config.RegistryPath.empty(), config.InstallParams.empty(), config.ExecParams.empty(),
    };
    for (std::size_t i = 0; i < empty.size(); ++i) {
        if (empty[i]) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

std::u16string InvalidConfigText(int code) {
    return util::WidenAscii("Invalid config file. (ErrorCode = " + std::to_string(code) + ")");
}

} // namespace vg::config
