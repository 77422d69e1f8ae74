// Ending the first process that runs a given program file.
#include "net/terminate_process_by_file_name.h"

#include "platform/process_list.h"

#include <cstdint>
#include <vector>

namespace vg::net {
namespace {

constexpr std::uint32_t kTerminatedExitCode = 0xFFFFFFFF;

} // namespace

void TerminateProcessByFileName(std::u16string_view path) {
    const std::vector<std::uint32_t> pids = platform::FindProcessesRunningFile(path);
    if (!pids.empty()) {
        platform::EndProcess(pids.front(), kTerminatedExitCode);
    }
}

} // namespace vg::net
