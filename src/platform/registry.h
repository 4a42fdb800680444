#pragma once
// Reads one registry value: its type and its bytes, string types in UTF-8
// (their NUL kept where the value has one), however the value was written.
// On Windows
// this is the real registry (its 32-bit view, where the game's installer
// writes); elsewhere it is the registry of the current Wine prefix.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ovcache {

constexpr std::uint32_t kHKeyCurrentUser = 0x80000001;
constexpr std::uint32_t kHKeyLocalMachine = 0x80000002;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

struct RegValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// Nothing when the key or the value cannot be read.
std::optional<RegValue> QueryRegValue(std::uint32_t root, const std::string& subKey, const std::string& valueName);

} // namespace ovcache
