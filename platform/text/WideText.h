#pragma once
// Windows only: the system's wide-character texts made from the UTF-8 texts the rest of the
// program uses.
#ifdef _WIN32
#include <windows.h>

#include <string>

namespace nulvane {

inline std::wstring Wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

}  // namespace nulvane
#endif
