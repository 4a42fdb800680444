#pragma once
// The About box's launcher of the system-information program, and the
// registry read it uses.
#include "platform/fileSystem.h"

#include <cstdint>
#include <string>

namespace ovcache {

// Reads one registry value as text: REG_SZ as it is, REG_DWORD as the number
// its hexadecimal digits ("&h", last byte first) stand for, any other type
// leaves text as it was. False, with text emptied, when the key or the
// value cannot be read, the value is empty, it is longer than 1024 bytes, or
// a REG_DWORD holds more than 32 bits.
bool GetKeyValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName, std::string& text);

// What StartSysInfo needs from the box.
class SysInfoHost {
public:
    virtual ~SysInfoHost() = default;
    virtual bool StartProgram(const std::string& windowsPath, int windowStyle) = 0;
};

// Starts the system-information program found through the registry; false
// when it is unavailable.
bool StartSysInfo(SysInfoHost& host, FileSystemService& fso);

} // namespace ovcache
