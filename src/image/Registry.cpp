#include "image/Registry.h"

#include <cstring>
#include <cwchar>

RegistryValue::RegistryValue() { heap = HeapCreate(0, 0, 0); }

RegistryValue::~RegistryValue() {
    Release();
    if (heap) HeapDestroy(heap);
}

void RegistryValue::Release() {
    if (data && heap) HeapFree(heap, 0, data);
    data = nullptr;
    size = 0;
}

bool RegistryValue::Allocate(uint32_t bytes) {
    Release();
    if (!heap) return false;
    data = static_cast<uint8_t*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes ? bytes : 1));
    if (!data) return false;
    size = bytes;
    return true;
}

void RegistryValue::SetString(const wchar_t* text, bool expand) {
    if (!text) text = L"";
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    if (bytes > 0xFFFFFFFFu || !Allocate((uint32_t)bytes)) {
        type = REG_NONE;
        return;
    }
    std::memcpy(data, text, bytes);
    type = expand ? REG_EXPAND_SZ : REG_SZ;
}

void RegistryValue::SetDword(uint32_t value) {
    if (!Allocate(4)) {
        type = REG_NONE;
        return;
    }
    std::memcpy(data, &value, 4);
    type = REG_DWORD;
}

bool RegistryWriteValue(const wchar_t* subKey, const wchar_t* valueName, const RegistryValue& record, HKEY rootKey) {
    if (!record.data) return false;
    HKEY key;
    if (RegCreateKeyExW(rootKey, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExW(key, valueName, 0, record.type, record.data, record.size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool RegistryReadValue(const wchar_t* subKey, const wchar_t* valueName, RegistryValue& record, HKEY rootKey) {
    HKEY key;
    if (RegOpenKeyExW(rootKey, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    // Zero bytes after the data so a stored text without its terminator still
    // ends: two, and one more after an odd byte count, whose last character
    // would otherwise take its high byte from past the block. Counted in 64
    // bits: a size near 4 GiB must not wrap to a small block.
    const uint64_t room = (uint64_t)bytes + sizeof(wchar_t) + (bytes & 1);
    if (room > 0xFFFFFFFFull || !record.Allocate((uint32_t)room)) {
        RegCloseKey(key);
        return false;
    }
    DWORD got = bytes;
    if (RegQueryValueExW(key, valueName, nullptr, &type, record.data, &got) != ERROR_SUCCESS) {
        record.Release();
        record.type = REG_NONE;
        RegCloseKey(key);
        return false;
    }
    record.size = got;
    record.type = type;
    RegCloseKey(key);
    return true;
}

bool RegistryDeleteTree(const wchar_t* subKey, const wchar_t* valueName, HKEY rootKey) {
    HKEY key;
    if (RegOpenKeyExW(rootKey, subKey, 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    if (valueName) {
        bool ok = RegDeleteValueW(key, valueName) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }
    for (;;) {
        DWORD subKeys = 0, longest = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &longest, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS) {
            RegCloseKey(key);
            return false;
        }
        if (subKeys == 0) break;
        wchar_t name[256];
        if (RegEnumKeyW(key, 0, name, 256) != ERROR_SUCCESS || !RegistryDeleteTree(name, nullptr, key)) {
            RegCloseKey(key);
            return false;
        }
    }
    RegCloseKey(key);
    return RegDeleteKeyW(rootKey, subKey) == ERROR_SUCCESS;
}

CRegistry::CRegistry(HKEY root) : rootKey(root) {}

CRegistry::~CRegistry() = default;

void CRegistry::WriteString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) {
    RegistryValue record;
    record.SetString(text, false);
    RegistryWriteValue(subKey, valueName, record, rootKey);
}

void CRegistry::WriteDword(const wchar_t* subKey, const wchar_t* valueName, uint32_t value) {
    RegistryValue record;
    record.SetDword(value);
    RegistryWriteValue(subKey, valueName, record, rootKey);
}

void CRegistry::ReadString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* defaultText, wchar_t* out) {
    out[0] = L'\0';
    RegistryValue record;
    record.SetString(defaultText, false);
    RegistryReadValue(subKey, valueName, record, rootKey);
    const wchar_t* text = defaultText ? defaultText : L"";
    switch (record.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK:
    case REG_MULTI_SZ:
        if (record.data) text = reinterpret_cast<const wchar_t*>(record.data);
        break;
    default: break;
    }
    lstrcpynW(out, text, MAX_PATH);
}

uint32_t CRegistry::ReadDword(const wchar_t* subKey, const wchar_t* valueName, uint32_t defaultValue) {
    RegistryValue record;
    record.SetDword(defaultValue);
    RegistryReadValue(subKey, valueName, record, rootKey);
    if ((record.type == REG_DWORD || record.type == REG_DWORD_BIG_ENDIAN) && record.data && record.size >= 4) {
        uint32_t value;
        std::memcpy(&value, record.data, 4);
        return value;
    }
    return defaultValue;
}

bool CRegistry::Delete(const wchar_t* subKey, const wchar_t* valueName) {
    return RegistryDeleteTree(subKey, valueName, rootKey);
}
