// Paths in the extended-length form (\\?\C:\... and \\?\UNC\server\share\...). Win32 strips
// trailing dots and spaces from every name of a plain path and refuses paths over MAX_PATH;
// in this form the path reaches the file system as written, so a listed "trailing.dot." or
// a deep tree opens again. The form does no normalisation, so it is done here: '/' becomes
// '\', "." and ".." are taken out, and a relative path is made absolute.
#include "platform/Drives.h"
#include "platform/win32/Win32.h"

#include <vector>

namespace platform::win32 {

namespace {

bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The full path of a drive-relative or folder-relative start ("", "X:"), from the system.
std::wstring FullPathOf(const std::wstring& start) {
    const std::wstring query = start.empty() ? std::wstring(L".") : start;
    DWORD n = GetFullPathNameW(query.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(query.c_str(), n, out.data(), nullptr);
    if (n == 0 || n >= out.size()) return {};
    out.resize(n);
    return out;
}

// A bare DOS device name ("NUL", "com1", "CON.txt" too, as Win32 takes it).
bool IsDeviceName(const std::wstring& path) {
    if (path.find_first_of(L"\\/:") != std::wstring::npos) return false;
    std::wstring base = path.substr(0, path.find(L'.'));
    for (wchar_t& c : base)
        if (c >= L'a' && c <= L'z') c = wchar_t(c - L'a' + L'A');
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.rfind(L"COM", 0) == 0 || base.rfind(L"LPT", 0) == 0) && base[3] >= L'1' &&
           base[3] <= L'9';
}

// The names after the root, without "." and "..": the extended form takes them literally.
std::vector<std::wstring> ResolvedNames(const std::wstring& rest) {
    std::vector<std::wstring> names;
    size_t at = 0;
    while (at < rest.size()) {
        while (at < rest.size() && IsSep(rest[at])) ++at;
        size_t end = at;
        while (end < rest.size() && !IsSep(rest[end])) ++end;
        std::wstring name = rest.substr(at, end - at);
        at = end;
        if (name.empty() || name == L".") continue;
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace

std::wstring ExtendedPath(const std::wstring& path) {
    if (path.empty()) return path;
    // Already extended, or a device (\\.\E:, \\.\PhysicalDrive0): as it is.
    if (path.size() >= 4 && IsSep(path[0]) && IsSep(path[1]) && (path[2] == L'?' || path[2] == L'.') && IsSep(path[3]))
        return path;
    // "NUL", "CON" and the like are devices only in the plain form.
    if (IsDeviceName(path)) return path;
    std::wstring root, rest;
    if (IsSep(path[0]) && path.size() > 1 && IsSep(path[1])) {
        // \\server\share\rest
        size_t at = 2, server = 0;
        while (at < path.size() && !IsSep(path[at])) ++at;
        server = at;
        if (at < path.size()) ++at;
        while (at < path.size() && !IsSep(path[at])) ++at;
        if (server == 2 || server >= path.size()) return path; // not a share: leave it to Win32
        root = L"\\\\?\\UNC\\" + path.substr(2, server - 2) + L"\\" + path.substr(server + 1, at - server - 1);
        rest = at < path.size() ? path.substr(at) : std::wstring();
    } else if (path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && IsSep(path[2])) {
        root = L"\\\\?\\" + path.substr(0, 2);
        rest = path.substr(2);
    } else {
        // Relative: to the current folder, to the current folder of a drive ("X:name"), or to
        // the root of the current drive ("\name").
        std::wstring base;
        if (path.size() >= 2 && IsLetter(path[0]) && path[1] == L':') {
            base = FullPathOf(path.substr(0, 2));
            rest = path.substr(2);
        } else if (IsSep(path[0])) {
            base = FullPathOf(L"");
            if (base.size() >= 2 && base[1] == L':') base.resize(2);
            rest = path;
        } else {
            base = FullPathOf(L"");
            rest = path;
        }
        if (base.empty() || (IsSep(rest[0]) && base.size() != 2)) return path; // no drive to stand on
        return ExtendedPath(base + L"\\" + rest);
    }
    const std::vector<std::wstring> names = ResolvedNames(rest);
    std::wstring out = root;
    for (const std::wstring& name : names) out += L"\\" + name;
    // A trailing delimiter is kept: "C:\" names the root, "dir\" a folder.
    if (names.empty() || IsSep(rest.back())) out += L"\\";
    return out;
}

std::wstring FilePath(const std::string& path) { return ExtendedPath(Widen(ResolvePath(path))); }

} // namespace platform::win32
