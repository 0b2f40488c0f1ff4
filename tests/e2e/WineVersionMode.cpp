#include "tests/e2e/WineVersionMode.h"

#include <windows.h>

namespace pd::e2e {

namespace {

constexpr const wchar_t* kValue = L"Version";

// Sets the value, or removes it for no version at all.
bool Put(const std::wstring& key, const std::optional<std::wstring>& version) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &opened, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG result = ERROR_SUCCESS;
    if (version && !version->empty()) {
        result = RegSetValueExW(opened, kValue, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(version->c_str()),
                                static_cast<DWORD>((version->size() + 1) * sizeof(wchar_t)));
    } else {
        result = RegDeleteValueW(opened, kValue);
        if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    }
    RegCloseKey(opened);
    return result == ERROR_SUCCESS;
}

std::optional<std::wstring> Get(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t text[64] = {};
    DWORD type = 0;
    DWORD size = sizeof text - sizeof(wchar_t);  // room for a terminator the value may lack
    const LONG result =
        RegQueryValueExW(opened, kValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(text);
}

}  // namespace

WineVersionMode::WineVersionMode(std::wstring program, const std::wstring& version)
    : key_(L"Software\\Wine\\AppDefaults\\" + std::move(program)),
      previous_(Get(key_)),
      ok_(Put(key_, version)) {}

WineVersionMode::~WineVersionMode() { Put(key_, previous_); }

}  // namespace pd::e2e
