// Settings-path derivation on any module path bytes and any reported length:
// never past the buffer, never the module's own file, always in its folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "plugin/SettingsPath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // First byte picks the buffer size (1..260), the rest is the module path.
    const std::size_t bufferSize = 1 + data[0] % kSettingsPathSize;
    const std::string module(reinterpret_cast<const char*>(data + 1), size - 1);
    // The platform fills at most bufferSize bytes and reports the length it copied.
    std::vector<char> buffer(bufferSize);  // exactly the size: ASan sees any overrun
    const std::size_t copied = module.size() < bufferSize ? module.size() : bufferSize;
    std::memcpy(buffer.data(), module.data(), copied);
    if (copied < bufferSize)
        buffer[copied] = '\0';
    const std::string before(buffer.data(), copied);

    bool ok = DeriveSettingsPath(buffer.data(), bufferSize, copied, Cp932IsLeadByte);
    const std::size_t length = strnlen(buffer.data(), bufferSize);
    Check(length < bufferSize, "the result is terminated inside the buffer");
    const std::string path(buffer.data(), length);
    if (!ok) {
        Check(path.empty(), "a refused path is the empty text");
        return 0;
    }
    const std::size_t nameLength = sizeof(kSettingsFileName) - 1;
    Check(path.size() > nameLength && path.compare(path.size() - nameLength, nameLength, kSettingsFileName) == 0,
          "the path ends in the settings file name");
    const std::string folder = path.substr(0, path.size() - nameLength);
    Check(folder.back() == '\\', "the file goes right after a backslash");
    Check(before.compare(0, folder.size(), folder) == 0, "the folder is a prefix of the module path");
    std::string lowerPath = path, lowerModule = before;
    for (std::string* s : {&lowerPath, &lowerModule})
        for (char& c : *s)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    Check(lowerPath != lowerModule.c_str(), "never the module's own file, in any letter case");
    // The backslash ending the folder must be a real one, not a trail byte.
    std::size_t i = 0;
    while (i + 1 < folder.size())
        i += (Cp932IsLeadByte(static_cast<unsigned char>(folder[i])) ? 2 : 1);
    Check(i == folder.size() - 1, "the folder ends on a character boundary");
    // And it is the last one in the module path.
    for (std::size_t j = folder.size(); j < before.size();) {
        unsigned char c = static_cast<unsigned char>(before[j]);
        if (c == 0)
            break;
        Check(c != '\\', "no backslash after the chosen one");
        // The name ends at its NUL even when a lead byte stands right before it.
        j += (Cp932IsLeadByte(c) && j + 1 < before.size() && before[j + 1] != '\0') ? 2 : 1;
    }
    return 0;
}
