// Files and folders by path, as the Win32 file calls treat them.
#pragma once

#include <string>
#include <string_view>

namespace vg::platform {

// The names differ from the Win32 calls on purpose: windows.h defines DeleteFile, MoveFile,
// CreateDirectory and the like as macros, which would rename these functions there.

/// Deletes a file, as DeleteFileW does. On failure returns false with the last error set:
/// 2 no such file, 3 no such folder, 5 refused or a directory.
/// Linux: paths map as NativePath maps them (a drive letter through the Wine prefix).
bool RemoveFile(std::u16string_view path);

/// Moves a file onto another path, replacing a file that is there, as MoveFileExW with
/// MOVEFILE_REPLACE_EXISTING does. On failure returns false with the last error set and neither
/// file changed; a move to another volume (Linux: file system) fails with 17 and copies nothing.
/// Linux: one rename(2), so a reader of the target sees the old file or the new one, never a
/// mix. Windows: a target that is open (as a File, or a running program) is not replaced (5).
bool MoveFileReplacing(std::u16string_view from, std::u16string_view to);

/// Whether a file or a folder is at the path, as PathFileExistsW tells it.
bool FileExists(std::u16string_view path);

/// Whether a folder is at the path (a symbolic link to a folder counts).
bool DirectoryExists(std::u16string_view path);

/// Creates one folder, as CreateDirectoryW does. On failure returns false with the last error
/// set: 183 something is there already, 3 the folder it goes in is missing, 5 refused.
/// Linux: mode 0777 less the umask.
bool MakeDirectory(std::u16string_view path);

/// The folder for temporary files, ending with a separator, as GetTempPathW gives it.
/// Linux: $TMPDIR, else "/tmp", with a "/" at the end.
std::u16string TemporaryDirectory();

/// Makes a folder the process's current directory. On failure returns false with the last error
/// set: 2 or 3 missing, 5 refused; a file there is 267 on Windows, 3 on Linux.
bool ChangeCurrentDirectory(std::u16string_view path);

/// Makes a file runnable as a program, as a downloaded program must be before it is started.
/// Linux: adds each execute bit whose read bit is set (0644 becomes 0755, 0600 becomes 0700);
/// on failure returns false with the last error set. Windows: nothing to do, returns true.
bool MarkExecutable(std::u16string_view path);

} // namespace vg::platform
