// Finding the running processes of a program file, and ending one, as TerminateProcess does.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vg::platform {

/// The ids of the processes that run the very program file at the path, lowest first; the
/// calling process is never among them. Files are told apart by their identity, not their
/// name: a copy of the program elsewhere, with the same file name, is another file. Processes
/// that cannot be examined (another user's) are left out; empty when the file cannot be
/// examined, with the last error set.
/// Windows: each process's image file, by the path the process was started from. A running
/// image cannot be replaced in place; one renamed away still goes by its old path, and so by
/// whatever file is put there after it.
/// Linux: a process runs the file when /proc/<pid>/exe is that file (same device and inode; an
/// image deleted or replaced since it started is not). A Windows program (a PE image) runs
/// through Wine, whose loader is the image; such a process runs the file when its first
/// argument is an absolute path (a Windows one as NativePath maps it, or a native one) that
/// names that file.
std::vector<std::uint32_t> FindProcessesRunningFile(std::u16string_view path);

/// Ends a process at once, without letting it clean up, as TerminateProcess does, and returns
/// without waiting for it to be gone. On failure returns false with the last error set (87 no
/// such process, 5 refused).
/// Linux: SIGKILL. POSIX cannot make another process exit with a chosen code, so exitCode is
/// not used there: the parent sees the process ended by the signal.
bool EndProcess(std::uint32_t pid, std::uint32_t exitCode);

} // namespace vg::platform
