// vg-config-check: checks a CDN tree's configuration documents the way the starter reads them.
#include "diagnostics_to_stderr.h"
#include "folder_tree.h"
#include "host_tree.h"
#include "json_report.h"
#include "options.h"
#include "text_report.h"
#include "tree_check.h"

#include <iostream>

namespace {

constexpr int kUsageError = 2;

int UsageError(const std::string& problem) {
    std::cerr << "vg-config-check: " << problem << "\nTry 'vg-config-check --help'.\n";
    return kUsageError;
}

std::optional<vg::config_check::CdnTree> OpenTree(const std::string& tree, std::string& problem) {
    if (vg::config_check::IsUrl(tree)) {
        return vg::config_check::OpenHostTree(tree, problem);
    }
    std::optional<vg::config_check::CdnTree> folder = vg::config_check::OpenFolderTree(tree);
    if (!folder) {
        problem = tree + ": no such folder";
    }
    return folder;
}

} // namespace

int main(int argc, char** argv) {
    using namespace vg::config_check;
    std::string problem;
    const std::optional<Options> options =
        ParseOptions(std::vector<std::string>(argv + 1, argv + argc), problem);
    if (!options) {
        return UsageError(problem);
    }
    if (options->help) {
        std::cout << HelpText();
        return 0;
    }
    const std::optional<CdnTree> tree = OpenTree(options->tree, problem);
    if (!tree) {
        return UsageError(problem);
    }
    const TreeResult result = [&] {
        const DiagnosticsToStderr diagnostics;
        return CheckTree(*tree, options->games);
    }();
    if (options->json) {
        std::cout << JsonReport(result);
    } else {
        WriteTextReport(result, std::cout);
    }
    std::cout.flush();
    return result.Passed() ? 0 : 1;
}
