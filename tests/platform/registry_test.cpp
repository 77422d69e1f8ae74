// The registry service against a real registry: on Linux the registry files of a Wine prefix
// made for each test, on Windows a key of the current user's registry made for each test.
#include "platform/error_codes.h"
#include "platform/registry.h"
#include "support/platform_quirks.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace vg::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16Le(std::u16string_view text, bool withZero = true) {
    Bytes bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (withZero) {
        bytes.insert(bytes.end(), {0, 0});
    }
    return bytes;
}

struct Read {
    std::uint32_t result = 0;
    std::uint32_t type = 0;
    Bytes data;
};

Read ReadValue(RegistryHive hive, std::u16string_view key, std::u16string_view value,
               std::uint32_t access = kKeyRead) {
    RegistryKey opened;
    Read read;
    read.result = opened.Open(hive, key, access);
    std::uint32_t size = 0;
    if (read.result == 0) {
        read.result = opened.QueryValue(value, &read.type, nullptr, &size);
    }
    if (read.result == 0) {
        read.data.resize(size);
        read.result = opened.QueryValue(value, &read.type, read.data.data(), &size);
    }
    return read;
}

// The key below HKEY_CURRENT_USER that holds each test's own key.
constexpr std::u16string_view kTestsKey = u"Software\\VarnugamesStarterTests";

#ifdef _WIN32
std::wstring WideOf(std::u16string_view text) {
    return {text.begin(), text.end()};
}
#else
// The registry files of a Wine prefix, as the Linux build reads them.

/// A hex list as the files write one: "5c,00,52,00".
std::string HexList(const Bytes& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string list;
    for (const std::uint8_t byte : bytes) {
        list += list.empty() ? "" : ",";
        list += kDigits[byte >> 4];
        list += kDigits[byte & 0xF];
    }
    return list;
}

/// A key line nesting "d" keys that many levels deep, as the file writes it: "[d\\d\\d]".
std::string DeepKeyLine(int levels) {
    std::string line = "[d";
    for (int level = 1; level < levels; ++level) {
        line += "\\\\d";
    }
    return line + "]\n";
}

std::string RegistryText(std::string_view relativeTo, bool win64, std::string_view body) {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to ";
    text += relativeTo;
    text += win64 ? "\n\n#arch=win64\n\n" : "\n\n#arch=win32\n\n";
    return text + std::string(body);
}

std::uint32_t OpenResult(RegistryHive hive, std::u16string_view key,
                         std::uint32_t access = kKeyRead) {
    RegistryKey opened;
    return opened.Open(hive, key, access);
}

// The text of a value name or a key path in a registry file: quotes and backslashes escaped.
std::string Escaped(std::u16string_view text) {
    std::string escaped;
    for (const char c : util::ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}
#endif

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
#ifdef _WIN32
        ::RegDeleteTreeW(HKEY_CURRENT_USER, WideOf(Root()).c_str());
        // The key of all tests goes once no test has a key below it.
        ::RegDeleteKeyW(HKEY_CURRENT_USER, WideOf(kTestsKey).c_str());
#endif
    }

#ifndef _WIN32
    void WriteMachine(std::string_view body, bool win64 = false) const {
        test::WriteFile(prefix_ / "system.reg", RegistryText("\\\\Machine", win64, body));
    }
    void WriteUser(std::string_view body) const {
        test::WriteFile(prefix_ / "user.reg",
                        RegistryText("\\\\User\\\\S-1-5-21-0-0-0-1000", true, body));
    }
    void WriteDefaultUser(std::string_view body) const {
        test::WriteFile(prefix_ / "userdef.reg", RegistryText("\\\\User\\\\.Default", true, body));
    }
#endif

    // The key below HKEY_CURRENT_USER that this test's values go to, named after the test's
    // scratch folder so that no two tests share one.
    [[nodiscard]] std::u16string Root() const {
        return std::u16string(kTestsKey) + u"\\" + test::Wide(prefix_.Path().filename());
    }

    // Stores a value of the current user below Root(), with its type and bytes as they are:
    // on Windows in the registry, on Linux in the prefix's user.reg.
    void Put(std::u16string_view subKey, std::u16string_view name, std::uint32_t type,
             const Bytes& data) {
        const std::u16string key = Root() + u"\\" + std::u16string(subKey);
#ifdef _WIN32
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, WideOf(key).c_str(), WideOf(name).c_str(),
                                    type, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
#else
        char typeDigits[16];
        std::snprintf(typeDigits, sizeof typeDigits, "%x", type);
        const std::string valueName = name.empty() ? "@" : "\"" + Escaped(name) + "\"";
        userKeys_[Escaped(key)] += valueName + "=hex(" + typeDigits + "):" + HexList(data) + "\n";
        std::string body;
        for (const auto& [path, values] : userKeys_) {
            body += "[" + path + "]\n" + values;
        }
        WriteUser(body);
#endif
    }

    test::TempDir prefix_;
#ifndef _WIN32
    const test::ScopedEnvironment winePrefix_{"WINEPREFIX", prefix_.Path().c_str()};
    std::map<std::string, std::string> userKeys_; // the keys of user.reg and their value lines
#endif
};

TEST_F(RegistryTest, ValuesComeBackAsStored) {
    struct Case {
        std::u16string name;
        std::uint32_t type;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {u"", kRegString, Utf16Le(u"default")},
        {u"Plain", kRegString, Utf16Le(u"C:\\Games\\My \"Game\"")},
        {u"Korean \uAC8C\uC784", kRegString, Utf16Le(u"\uAC8C\uC784")},
        {u"NoZero", kRegString, Utf16Le(u"A", false)},
        {u"Expand", kRegExpandString, Utf16Le(u"%ProgramFiles%\\Game")},
        {u"Multi", kRegMultiString, Utf16Le(std::u16string(u"a\0b\0", 4))},
        {u"Count", kRegDword, {0x1a, 0, 0, 0}},
        {u"Blob", kRegBinary, {1, 2, 0xff}},
        {u"Nothing", kRegBinary, {}},
        {u"Qword", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0x80}},
    };
    for (const Case& c : cases) {
        Put(u"Game", c.name, c.type, c.data);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(util::ToUtf8(c.name));
        const Read read = ReadValue(RegistryHive::CurrentUser, Root() + u"\\Game", c.name);
        EXPECT_EQ(read.result, 0u);
        EXPECT_EQ(read.type, c.type);
        EXPECT_EQ(read.data, c.data);
    }
    // Names are compared without regard to case, and a "\\" may end the path.
    const Read read = ReadValue(RegistryHive::CurrentUser, Root() + u"\\gAME\\", u"pLAIN");
    EXPECT_EQ(read.result, 0u);
    EXPECT_EQ(read.data, Utf16Le(u"C:\\Games\\My \"Game\""));
    EXPECT_EQ(ReadValue(RegistryHive::CurrentUser, Root() + u"\\Game", u"Missing").result,
              kErrorFileNotFound);
}

TEST_F(RegistryTest, OpenFindsKeysByTheirPathAndRefusesMoreThanReading) {
    Put(u"Game", u"Value", kRegString, Utf16Le(u"x"));
    struct Case {
        RegistryHive hive;
        std::u16string path;
        std::uint32_t access;
        std::uint32_t result;
    };
    constexpr std::uint32_t kKeySetValue = 0x0002;
    const std::u16string root = Root();
    const std::u16string game = root + u"\\Game";
    const std::vector<Case> cases = {
        {RegistryHive::CurrentUser, u"", kKeyRead, 0},
        {RegistryHive::CurrentUser, root, kKeyRead, 0},
        {RegistryHive::CurrentUser, game, kKeyQueryValue, 0},
        {RegistryHive::CurrentUser, root + u"\\Gam", kKeyRead, kErrorFileNotFound},
        {RegistryHive::CurrentUser, game + u"\\Sub", kKeyRead, kErrorFileNotFound},
        {RegistryHive::LocalMachine, game, kKeyRead, kErrorFileNotFound},
        // A path with an empty name in it.
        {RegistryHive::CurrentUser, u"\\" + root, kKeyRead, kErrorFileNotFound},
        {RegistryHive::CurrentUser, root + u"\\\\Game", kKeyRead, kErrorFileNotFound},
        {RegistryHive::CurrentUser, game, kKeyRead | kKeySetValue, kErrorAccessDenied},
        {RegistryHive::CurrentUser, game, kKeyRead | kKeyWow64View32 | kKeyWow64View64,
         kErrorInvalidParameter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(util::ToUtf8(c.path) + " access " + std::to_string(c.access));
        RegistryKey key;
        EXPECT_EQ(key.Open(c.hive, c.path, c.access), c.result);
        EXPECT_EQ(key.IsOpen(), c.result == 0);
    }
}

TEST_F(RegistryTest, QueryFollowsTheBufferRules) {
    Put(u"A", u"Text", kRegString, Utf16Le(u"abc"));
    const std::u16string a = Root() + u"\\A";
    RegistryKey key;
    ASSERT_EQ(key.Open(RegistryHive::CurrentUser, a, kKeyRead), 0u);
    Bytes buffer(8, 0xEE);
    std::uint32_t type = 0;
    std::uint32_t size = 7;
    EXPECT_EQ(key.QueryValue(u"Text", &type, buffer.data(), &size), kErrorMoreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, kRegString);
    EXPECT_EQ(buffer, Bytes(8, 0xEE));
    EXPECT_EQ(key.QueryValue(u"Text", nullptr, buffer.data(), &size), 0u);
    EXPECT_EQ(buffer, Utf16Le(u"abc"));
    EXPECT_EQ(key.QueryValue(u"Text", nullptr, buffer.data(), nullptr), kErrorInvalidParameter);
    EXPECT_EQ(key.QueryValue(u"Text", nullptr, nullptr, nullptr), 0u);
    EXPECT_EQ(key.QueryValue(u"", nullptr, nullptr, &size), kErrorFileNotFound);
    key.Close();
    EXPECT_EQ(key.QueryValue(u"Text", nullptr, nullptr, &size), kErrorInvalidHandle);

    ASSERT_EQ(key.Open(RegistryHive::CurrentUser, a, kKeyEnumerateSubKeys), 0u);
    EXPECT_EQ(key.QueryValue(u"Text", nullptr, nullptr, &size), kErrorAccessDenied);
    constexpr std::uint32_t kKeySetValue = 0x0002;
    EXPECT_EQ(key.Open(RegistryHive::CurrentUser, a, kKeyRead | kKeySetValue), kErrorAccessDenied);
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryTest, MovedKeyStaysOpen) {
    Put(u"A", u"Text", kRegString, Utf16Le(u"abc"));
    RegistryKey moved;
    {
        RegistryKey original;
        ASSERT_EQ(original.Open(RegistryHive::CurrentUser, Root() + u"\\A", kKeyRead), 0u);
        moved = std::move(original);
        EXPECT_FALSE(original.IsOpen());
    }
    std::uint32_t size = 0;
    EXPECT_EQ(moved.QueryValue(u"Text", nullptr, nullptr, &size), 0u);
    EXPECT_EQ(size, 8u);
}

#ifdef _WIN32
// Windows only: the views of a 64-bit Windows, which the Linux build reads from the files of a
// win64 prefix (tested above against such files).

// A key of HKEY_LOCAL_MACHINE\Software in one view, deleted again when the object goes.
class MachineKeyInView {
public:
    MachineKeyInView(const std::wstring& path, REGSAM view, const wchar_t* text)
        : path_(path), view_(view) {
        HKEY key = nullptr;
        created_ = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | view, nullptr, &key, nullptr) == ERROR_SUCCESS;
        if (created_) {
            ::RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
            ::RegCloseKey(key);
        }
    }
    MachineKeyInView(const MachineKeyInView&) = delete;
    MachineKeyInView& operator=(const MachineKeyInView&) = delete;
    ~MachineKeyInView() {
        if (created_) {
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), view_, 0);
        }
    }

    [[nodiscard]] bool Created() const { return created_; }

private:
    std::wstring path_;
    REGSAM view_;
    bool created_ = false;
};

TEST_F(RegistryTest, ViewFlagsChooseTheViewAndTheProgramReadsItsOwn) {
    const std::u16string path =
        u"Software\\VarnugamesStarterViews-" + test::Wide(prefix_.Path().filename());
    const std::wstring widePath(path.begin(), path.end());
    const MachineKeyInView view64(widePath, KEY_WOW64_64KEY, L"64");
    const MachineKeyInView view32(widePath, KEY_WOW64_32KEY, L"32");
    if (!view64.Created() || !view32.Created()) {
        GTEST_SKIP() << "keys of HKEY_LOCAL_MACHINE need an administrator";
    }
    const std::u16string own = sizeof(void*) == 8 ? u"64" : u"32";
    const std::vector<std::pair<std::uint32_t, std::u16string>> cases = {
        {0, own}, {kKeyWow64View64, u"64"}, {kKeyWow64View32, u"32"}};
    for (const auto& [view, text] : cases) {
        SCOPED_TRACE(view);
        const Read read = ReadValue(RegistryHive::LocalMachine, path, u"Path", kKeyRead | view);
        EXPECT_EQ(read.result, 0u);
        EXPECT_EQ(read.data, Utf16Le(text));
    }
}
#else
// Linux only: the reading of the Wine prefix's registry files.

TEST_F(RegistryTest, ReadsEachValueTypeAndEscape) {
    WriteMachine("[Software\\\\Vendor\\\\Game] 1700000000\n"
                 "#time=1d9a1b2c3d4e5f6\n"
                 "@=\"default\"\n"
                 "\"Plain\"=\"C:\\\\Games\\\\My \\\"Game\\\"\"\n"
                 "\"Escapes\"=\"a\\nb\\rc\\td\\0e\\101\\x4e00f\\xe9\"\n"
                 "\"Utf8\"=\"\xEA\xB2\x8C\xEC\x9E\x84\"\n"
                 "\"Quote\\\"Name\"=\"q\"\n"
                 "\"Expand\"=str(2):\"%ProgramFiles%\\\\Game\"\n"
                 "\"Multi\"=str(7):\"a\\0b\\0\"\n"
                 "\"Count\"=dword:0000001a\n"
                 "\"Blob\"=hex:01,02,ff\n"
                 "\"Nothing\"=hex:\n"
                 "\"Qword\"=hex(b):01,00,00,00,00,00,00,80\n"
                 "\"MultiHex\"=hex(7):61,00,00,00,00,00\n"
                 "\"Long\"=hex:00,01,\\\n"
                 "  02,03,\\\n"
                 "  04\n"
                 "\"NoZero\"=hex(1):41,00\n"
                 "\n"
                 "[Software\\\\Vendor\\\\Spiel \\x00fc]\n"
                 "\"Name\"=\"umlaut\"\n");
    struct Case {
        std::u16string key;
        std::u16string value;
        std::uint32_t type;
        Bytes data;
    };
    const std::u16string game = u"Software\\Vendor\\Game";
    const std::vector<Case> cases = {
        {game, u"", kRegString, Utf16Le(u"default")},
        {game, u"Plain", kRegString, Utf16Le(u"C:\\Games\\My \"Game\"")},
        {u"SOFTWARE\\vendor\\GAME\\", u"pLAIN", kRegString, Utf16Le(u"C:\\Games\\My \"Game\"")},
        {game, u"Escapes", kRegString,
         Utf16Le(std::u16string(u"a\nb\rc\td") + u'\0' + u"eA\u4E00f\u00E9")},
        {game, u"Utf8", kRegString, Utf16Le(u"게임")},
        {game, u"Quote\"Name", kRegString, Utf16Le(u"q")},
        {game, u"Expand", kRegExpandString, Utf16Le(u"%ProgramFiles%\\Game")},
        {game, u"Multi", kRegMultiString, Utf16Le(std::u16string(u"a\0b\0", 4))},
        {game, u"Count", kRegDword, {0x1a, 0, 0, 0}},
        {game, u"Blob", kRegBinary, {1, 2, 0xff}},
        {game, u"Nothing", kRegBinary, {}},
        {game, u"Qword", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0x80}},
        {game, u"MultiHex", kRegMultiString, {0x61, 0, 0, 0, 0, 0}},
        {game, u"Long", kRegBinary, {0, 1, 2, 3, 4}},
        {game, u"NoZero", kRegString, {0x41, 0}},
        {u"software\\vendor\\SPIEL \u00DC", u"name", kRegString, Utf16Le(u"umlaut")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(util::ToUtf8(c.value));
        const Read read = ReadValue(RegistryHive::LocalMachine, c.key, c.value, kKeyRead);
        EXPECT_EQ(read.result, 0u);
        EXPECT_EQ(read.type, c.type);
        EXPECT_EQ(read.data, c.data);
    }
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u""), 0u);
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\Vendor"), 0u);
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\Vendor\\Gam"), kErrorFileNotFound);
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"\\Software"), kErrorFileNotFound);
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, game, u"Missing").result, kErrorFileNotFound);
}

TEST_F(RegistryTest, HivesReadTheirFilesAndClassesRootPrefersTheUser) {
    WriteMachine("[Software\\\\Classes\\\\.game]\n@=\"machine\"\n\"MachineOnly\"=\"m\"\n"
                 "[Software\\\\Classes\\\\.other]\n@=\"other\"\n");
    WriteUser("[Software\\\\Classes\\\\.game]\n@=\"user\"\n[Environment]\n\"Who\"=\"user\"\n");
    WriteDefaultUser("[Environment]\n\"Who\"=\"default\"\n");
    struct Case {
        RegistryHive hive;
        std::u16string key;
        std::u16string value;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {RegistryHive::ClassesRoot, u".game", u"", u"user"},
        {RegistryHive::ClassesRoot, u".GAME", u"MachineOnly", u"m"},
        {RegistryHive::ClassesRoot, u".other", u"", u"other"},
        {RegistryHive::CurrentUser, u"Environment", u"Who", u"user"},
        {RegistryHive::Users, u".DEFAULT\\Environment", u"Who", u"default"},
        {RegistryHive::Users, u"S-1-5-21-0-0-0-1000\\Environment", u"Who", u"user"},
    };
    for (const Case& c : cases) {
        const Read read = ReadValue(c.hive, c.key, c.value);
        EXPECT_EQ(read.result, 0u);
        EXPECT_EQ(read.data, Utf16Le(c.text));
    }
    EXPECT_EQ(OpenResult(RegistryHive::Users, u""), 0u);
    EXPECT_EQ(OpenResult(RegistryHive::Users, u"S-1-5-18"), kErrorFileNotFound);
    EXPECT_EQ(OpenResult(RegistryHive::ClassesRoot, u".none"), kErrorFileNotFound);
}

constexpr std::string_view kViewsBody =
    "[Software\\\\Vendor\\\\Game]\n\"Path\"=\"64\"\n"
    "[Software\\\\Wow6432Node\\\\Vendor\\\\Game]\n\"Path\"=\"32\"\n"
    "[Software\\\\Classes\\\\.game]\n@=\"shared\"\n"
    "[Software\\\\Classes\\\\CLSID\\\\{1}]\n@=\"64\"\n"
    "[Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\{1}]\n@=\"32\"\n";

struct ViewCase {
    RegistryHive hive;
    std::u16string key;
    std::uint32_t view;
    std::u16string value;
    std::u16string text;
};

void ExpectViews(const std::vector<ViewCase>& cases) {
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(util::ToUtf8(c.key) + " view " + std::to_string(c.view));
        const Read read = ReadValue(c.hive, c.key, c.value, kKeyRead | c.view);
        EXPECT_EQ(read.result, 0u);
        EXPECT_EQ(read.data, Utf16Le(c.text));
    }
}

TEST_F(RegistryTest, Win64PrefixGivesThe32BitViewByDefault) {
    WriteMachine(kViewsBody, true);
    const std::u16string game = u"Software\\Vendor\\Game";
    const std::u16string wowGame = u"Software\\Wow6432Node\\Vendor\\Game";
    ExpectViews({
        {RegistryHive::LocalMachine, game, 0, u"Path", u"32"},
        {RegistryHive::LocalMachine, game, kKeyWow64View32, u"Path", u"32"},
        {RegistryHive::LocalMachine, game, kKeyWow64View64, u"Path", u"64"},
        {RegistryHive::LocalMachine, wowGame, 0, u"Path", u"32"},
        {RegistryHive::LocalMachine, wowGame, kKeyWow64View64, u"Path", u"32"},
        {RegistryHive::ClassesRoot, u".game", 0, u"", u"shared"},
        {RegistryHive::ClassesRoot, u".game", kKeyWow64View64, u"", u"shared"},
        {RegistryHive::ClassesRoot, u"CLSID\\{1}", 0, u"", u"32"},
        {RegistryHive::ClassesRoot, u"CLSID\\{1}", kKeyWow64View64, u"", u"64"},
    });
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\Classes\\.game"), 0u);
    EXPECT_EQ(
        OpenResult(RegistryHive::LocalMachine, game, kKeyRead | kKeyWow64View32 | kKeyWow64View64),
        kErrorInvalidParameter);
}

TEST_F(RegistryTest, Win32PrefixHasOneView) {
    WriteMachine(kViewsBody, false);
    const std::u16string game = u"Software\\Vendor\\Game";
    ExpectViews({
        {RegistryHive::LocalMachine, game, 0, u"Path", u"64"},
        {RegistryHive::LocalMachine, game, kKeyWow64View32, u"Path", u"64"},
        {RegistryHive::ClassesRoot, u"CLSID\\{1}", 0, u"", u"64"},
    });
}

TEST_F(RegistryTest, FollowsLinkKeys) {
    const std::string target =
        HexList(Utf16Le(u"\\Registry\\Machine\\System\\ControlSet001", false));
    WriteMachine("[System\\\\CurrentControlSet]\n#link\n\"SymbolicLinkValue\"=hex(6):" + target +
                 "\n[System\\\\ControlSet001\\\\Control]\n\"Value\"=\"linked\"\n"
                 "[System\\\\Loop]\n#link\n\"SymbolicLinkValue\"=hex(6):" +
                 HexList(Utf16Le(u"\\Registry\\Machine\\System\\Loop", false)) + "\n");
    EXPECT_EQ(
        ReadValue(RegistryHive::LocalMachine, u"System\\CurrentControlSet\\Control", u"Value").data,
        Utf16Le(u"linked"));
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"System\\Loop"), kErrorFileNotFound);
}

TEST_F(RegistryTest, EveryKeyIsMissingWithoutAPrefix) {
    ::setenv("WINEPREFIX", (prefix_ / "none").c_str(), 1);
    for (const RegistryHive hive : {RegistryHive::ClassesRoot, RegistryHive::CurrentUser,
                                    RegistryHive::LocalMachine, RegistryHive::Users}) {
        EXPECT_EQ(OpenResult(hive, u""), kErrorFileNotFound);
        EXPECT_EQ(OpenResult(hive, u"Software"), kErrorFileNotFound);
    }
}

TEST_F(RegistryTest, DamagedFilesHoldNoKeys) {
    const std::vector<std::string> files = {
        "",
        "REGEDIT4\n[Software\\\\A]\n\"V\"=\"x\"\n",
        "WINE REGISTRY Version 1\n[Software\\\\A]\n\"V\"=\"x\"\n",
        std::string("\0\xff\x01[Software\\\\A]\n", 16),
    };
    for (const std::string& file : files) {
        test::WriteFile(prefix_ / "system.reg", file);
        EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u""), kErrorFileNotFound);
        EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\A"), kErrorFileNotFound);
    }
}

TEST_F(RegistryTest, DamagedLinesAreMissingAndTheRestIsRead) {
    WriteMachine("[Software\\\\A]\n"
                 "\"Unterminated\"=\"abc\n"
                 "\"BadHex\"=hex:01,zz\n"
                 "\"TrailingComma\"=hex:01,\n"
                 "\"BadDword\"=dword:xyz\n"
                 "\"BadType\"=hex(zz):01\n"
                 "\"Junk\"=\"a\" junk\n"
                 "\"NoEquals\" \"x\"\n"
                 "\"UnknownForm\"=qword:1\n"
                 "stray text\n"
                 "\"Good\"=\"ok\"\n"
                 "\"Cut\"=hex:01,\\\n"
                 "[Software\\\\B]\n"
                 "\"Good\"=\"b\"\n"
                 "[Software\\\\Broken\n"
                 "\"Orphan\"=\"x\"\n"
                 "[Software\\\\\\\\Empty]\n"
                 "\"Orphan\"=\"y\"\n"
                 "[Software\\\\" +
                 std::string(256, 'n') + "]\n" + DeepKeyLine(513) + DeepKeyLine(512) +
                 "\"Deep\"=\"ok\"\n");
    const std::u16string a = u"Software\\A";
    for (const std::u16string name : {u"Unterminated", u"BadHex", u"TrailingComma", u"BadDword",
                                      u"BadType", u"Junk", u"NoEquals", u"UnknownForm", u"Cut"}) {
        EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, a, name).result, kErrorFileNotFound);
    }
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, a, u"Good").data, Utf16Le(u"ok"));
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, u"Software\\B", u"Good").data, Utf16Le(u"b"));
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, u"Software\\B", u"Orphan").result,
              kErrorFileNotFound);
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\Broken"), kErrorFileNotFound);
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\Empty"), kErrorFileNotFound);
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, u"Software\\" + std::u16string(256, u'n')),
              kErrorFileNotFound);
    std::u16string deepest = u"d";
    for (int level = 1; level < 512; ++level) {
        deepest += u"\\d";
    }
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, deepest, u"Deep").data, Utf16Le(u"ok"));
    EXPECT_EQ(OpenResult(RegistryHive::LocalMachine, deepest + u"\\d"), kErrorFileNotFound);
}

TEST_F(RegistryTest, ReadsAFileAgainWhenItChanges) {
    WriteMachine("[Software\\\\A]\n\"V\"=\"first\"\n");
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, u"Software\\A", u"V").data, Utf16Le(u"first"));
    WriteMachine("[Software\\\\A]\n\"V\"=\"second one\"\n");
    EXPECT_EQ(ReadValue(RegistryHive::LocalMachine, u"Software\\A", u"V").data,
              Utf16Le(u"second one"));
}

#endif

} // namespace
} // namespace vg::platform
