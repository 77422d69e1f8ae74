// Parsing the command line: options before or after the tree, "--" ends the options.
#include "options.h"

#include "util/text_encoding.h"

namespace vg::config_check {
namespace {

bool AddGame(const std::string& name, Options& options, std::string& problem) {
    if (name.empty()) {
        problem = "--game needs a game name";
        return false;
    }
    options.games.push_back(util::FromUtf8(name));
    return true;
}

} // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& problem) {
    Options options;
    std::vector<std::string> trees;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            trees.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--game") {
            if (i + 1 == args.size()) {
                problem = "--game needs a game name";
                return std::nullopt;
            }
            if (!AddGame(args[++i], options, problem)) {
                return std::nullopt;
            }
        } else if (arg.starts_with("--game=")) {
            if (!AddGame(arg.substr(7), options, problem)) {
                return std::nullopt;
            }
        } else {
            problem = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.help) {
        return options;
    }
    if (trees.size() != 1) {
        problem = trees.empty() ? "no CDN tree given" : "more than one CDN tree given";
        return std::nullopt;
    }
    options.tree = trees.front();
    return options;
}

bool IsUrl(const std::string& tree) {
    return tree.find("://") != std::string::npos;
}

const char* HelpText() {
    return R"(Usage: vg-config-check [--json] [--game NAME]... TREE
       vg-config-check --help

Checks the CDN's configuration documents with the starter's own reader and validation: the
list "config/varnugames/gamestarter.json" and, for each game, every mode of
"config/varnugames/<game>.gamestarter.json". For each game and mode it prints OK, or each
failure as the starter reports it: the telemetry event, its result code and description, and
the number of the notice the user sees, e.g.
    error: INIT 0xA0030002 Invalid config file. (ErrorCode = 7) [message 20]

TREE is either
  a folder that stands for the CDN base (the folder holding config/varnugames/). A missing
      file is answered as the CDN answers it (404) and a file whose text holds "<html" as the
      starter's download answers an error page (2), so every text is the one the starter will
      report once the tree is published. A file that cannot be read gives 5; one larger than
      the starter reads gives 8. Games: every game the list names, and every
      config/varnugames/*.gamestarter.json, whose game fails as not listed when the list does
      not name it (its modes are then checked as they would be once listed);
  or an https:// URL of a published CDN base, e.g. https://cdn.example.com/live/, fetched as
      the starter fetches it (HTTPS on port 443; VARNUGAMES_CONNECT_TO reroutes connections,
      SSL_CERT_FILE and SSL_CERT_DIR choose the trusted certificates). Games: every game the
      list names.

Options:
  --game NAME   check this game only (repeatable); for a URL, the way to check a document
                the list does not name yet
  --json        print the report as one JSON document
  --help        print this help

Besides failures, it warns of what the starter accepts but that would hurt at run time: a
"SetupURL" or "LauncherURL" not ending in "/", a "RegistryRoot" other than HKCR, HKCU, HKLM or
HKU (any case), which is read as HKCU, an "ExecParams" without "{KEY}", and a signer check
that lets any launcher start ("CheckCodeSignOption" false or "CodeSignName" empty). A
"SetupName" or "CheckFiles" entry that would leave its directory is a failure, reported with
the starter's refusal (INSTALL, message 21; PATCH, message 22).

Exit status: 0 when every game and mode passed (warnings do not fail), 1 when any failed or
the list itself failed, 2 for a usage error (bad arguments, a folder that does not exist).
)";
}

} // namespace vg::config_check
