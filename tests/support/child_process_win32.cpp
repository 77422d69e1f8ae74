// Child processes for the Windows build's tests: CreateProcessW with pipes for standard output
// and error, and the command line quoted as CommandLineToArgvW splits it. Win32 only.
#ifndef _WIN32
#error "Win32 only"
#endif

#include "support/child_process.h"

#include "platform/win32/unique_handle.h"
#include "util/text_encoding.h"

#include <windows.h>

#include <array>
#include <cwchar>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace vg::test {
namespace {

using platform::win32::UniqueHandle;

std::wstring WideFromUtf8(const std::string& text) {
    const std::u16string utf16 = util::FromUtf8(text);
    return {utf16.begin(), utf16.end()};
}

// One argument as the C runtime's splitting gives it back: quoted when it is empty or holds a
// blank or a quote; backslashes doubled where they come before a quote.
std::wstring QuotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// The program's name takes no backslash rules, only quotes; a path holds no quote.
std::wstring CommandLine(const std::string& program, const std::vector<std::string>& args) {
    std::wstring line = L"\"" + WideFromUtf8(program) + L"\"";
    for (const std::string& argument : args) {
        line += L" " + QuotedArgument(WideFromUtf8(argument));
    }
    return line;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The test's own environment with the changes made; Windows compares names without case.
std::wstring EnvironmentBlock(const EnvironmentChanges& changes) {
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> wideChanges;
    for (const auto& [name, value] : changes) {
        wideChanges.emplace_back(WideFromUtf8(name),
                                 value ? std::optional(WideFromUtf8(*value)) : std::nullopt);
    }
    std::wstring block;
    wchar_t* const strings = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry && *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring_view text(entry);
        // Names of the hidden per-drive folders ("=C:") start with "=".
        const std::wstring_view name = text.substr(0, text.find(L'=', 1));
        bool changed = false;
        for (const auto& change : wideChanges) {
            changed = changed || SameName(name, change.first);
        }
        if (!changed) {
            block.append(text);
            block += L'\0';
        }
    }
    ::FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : wideChanges) {
        if (value) {
            block += name + L"=" + *value;
            block += L'\0';
        }
    }
    block += L'\0';
    return block;
}

// A pipe whose write end the child inherits and whose read end stays here.
std::pair<UniqueHandle, UniqueHandle> InheritablePipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    std::pair<UniqueHandle, UniqueHandle> ends{UniqueHandle(read), UniqueHandle(write)};
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    return ends;
}

UniqueHandle InheritableNul() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueHandle(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, OPEN_EXISTING, 0, nullptr));
}

void DrainInto(HANDLE pipe, std::string& sink) {
    std::array<char, 4096> buffer{};
    DWORD got = 0;
    while (::ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
           got > 0) {
        sink.append(buffer.data(), got);
    }
}

void CloseIfOpen(void*& handle) {
    if (handle != nullptr) {
        ::CloseHandle(std::exchange(handle, nullptr));
    }
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const EnvironmentChanges& environment)
    : started_(std::chrono::steady_clock::now()) {
    auto [outRead, outWrite] = InheritablePipe();
    auto [errRead, errWrite] = InheritablePipe();
    const UniqueHandle input = InheritableNul();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = outWrite.Get();
    startup.hStdError = errWrite.Get();
    std::wstring commandLine = CommandLine(program, args);
    std::wstring environmentBlock = EnvironmentBlock(environment);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(WideFromUtf8(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_UNICODE_ENVIRONMENT, environmentBlock.data(), nullptr, &startup,
                          &started)) {
        throw std::runtime_error("cannot start " + program + ": error " +
                                 std::to_string(::GetLastError()));
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    out_ = outRead.Release();
    err_ = errRead.Release();
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) {
        ::TerminateProcess(process_, 1);
        Wait();
    }
    CloseIfOpen(out_);
    CloseIfOpen(err_);
}

ProcessResult ChildProcess::Wait() {
    ProcessResult result;
    // Both pipes at once, so that a child blocked on a full one cannot stall the other.
    std::thread errReader([&] { DrainInto(err_, result.err); });
    DrainInto(out_, result.out);
    errReader.join();
    ::WaitForSingleObject(process_, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process_, &exitCode);
    result.exitCode = static_cast<int>(exitCode);
    CloseIfOpen(process_);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started_);
    return result;
}

std::uint32_t ChildProcess::Id() const {
    return ::GetProcessId(process_);
}

} // namespace vg::test
