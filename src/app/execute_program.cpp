// The program's only way of starting another program.
#include "app/execute_program.h"

#include "platform/process.h"

#include <string>

namespace vg::app {

int ExecuteProgram(std::u16string_view path, std::u16string_view parameters) {
    std::u16string commandLine;
    commandLine.reserve(path.size() + parameters.size() + 3);
    commandLine.append(u"\"").append(path).append(u"\" ").append(parameters);
    return platform::StartProcess(commandLine) ? 1 : 0;
}

} // namespace vg::app
