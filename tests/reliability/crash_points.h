// Killing the program under test at chosen moments: after its start or after a file appears in
// a folder it writes, a seeded series of such kills, and the processes it leaves behind.
#pragma once

#include "support/child_process.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace vg::test {

/// Where a kill lands: `delay` after the program started, or after a file named `afterFile`
/// appeared (was created or renamed into place) in the watched folder.
struct KillPoint {
    std::string afterFile; ///< empty: counted from the start
    std::chrono::microseconds delay{0};

    [[nodiscard]] std::string Describe() const;
};

/// Watches one folder (inotify) for files that appear in it, from construction on: made before
/// the program starts, it misses none of the program's files.
class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& folder);
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    ~FolderWatch();

    /// Waits until `name` appears; false when it has not within `limit`.
    bool WaitForAppearance(const std::string& name, std::chrono::milliseconds limit);

private:
    int fd_ = -1;
};

/// How a run that was to be killed ended.
struct KillOutcome {
    bool killed = false; ///< false: the program had ended, or the anchor never came
    bool anchorSeen = false;
    ProcessResult result;
};

/// Kills the started program (SIGKILL, nothing of it runs after) at `point`, watched through
/// `watch`, and collects it. Under Wine the process started is the Windows program itself (the
/// loader becomes it): SIGKILL ends it as TerminateProcess would, without running any of its
/// code, and the wineserver releases its handles and its mutex.
KillOutcome KillAt(ChildProcess& program, FolderWatch& watch, const KillPoint& point);

/// Makes this process adopt the orphans of its descendants, so that programs started by a
/// killed run can be waited for (Linux: PR_SET_CHILD_SUBREAPER).
void AdoptOrphans();
/// Waits for every adopted process to end and collects it; false when some still ran after
/// `limit`.
bool WaitForAdoptedProcesses(std::chrono::seconds limit);

/// The seeded randomness and the length of one crash series. VG_CRASH_RUNS sets the kills per
/// series (else `defaultRuns`, the CI subset), VG_CRASH_SEED the seed (else a fresh one).
class CrashSeries {
public:
    explicit CrashSeries(int defaultRuns);

    [[nodiscard]] int Runs() const { return runs_; }
    [[nodiscard]] std::uint32_t Seed() const { return seed_; }
    /// A delay drawn evenly from [0, `upTo`].
    std::chrono::microseconds DelayUpTo(std::chrono::microseconds upTo);

private:
    int runs_;
    std::uint32_t seed_;
    std::mt19937 random_;
};

} // namespace vg::test
