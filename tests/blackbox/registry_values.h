// Registry values a black-box test gives the program, and the two forms they are written in:
// the registry files of a Wine prefix, and a file for "reg import".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vg::test {

struct RegistryValue {
    enum class Hive { kCurrentUser, kLocalMachine };
    using Data = std::variant<std::string, std::uint32_t>;

    Hive hive;
    std::string key; ///< below the hive, "\"-separated
    std::string name;
    std::optional<Data> data; ///< none: the value is absent
};

/// The text of a Wine prefix's file for `hive` ("user.reg" or "system.reg") that holds exactly
/// the values with data of that hive.
std::string WineRegistryFileText(const std::vector<RegistryValue>& values,
                                 RegistryValue::Hive hive);

/// The bytes of a ".reg" file (UTF-16 with a byte-order mark) that sets every value with data
/// and deletes every value without.
std::string RegImportFileBytes(const std::vector<RegistryValue>& values);

} // namespace vg::test
