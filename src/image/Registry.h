// CRegistry: the settings store. Each object is bound to one root key; callers
// use HKEY_CURRENT_USER and sub keys below "Software\Quorvane". Texts are REG_SZ
// values and numbers REG_DWORD; a value that is missing, unreadable or of
// another type reads as the caller's default.
#pragma once
#include <windows.h>
#include <cstdint>

#define QRV_REGISTRY_KEY L"Software\\Quorvane"

// Transfer record of one value: data on a private heap of the record's own.
struct RegistryValue {
    HANDLE heap = nullptr;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t type = REG_NONE;

    RegistryValue();
    ~RegistryValue();
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

    void SetString(const wchar_t* text, bool expand);
    void SetDword(uint32_t value);
    bool Allocate(uint32_t bytes);  // zero-filled; frees what was held
    void Release();
};

bool RegistryWriteValue(const wchar_t* subKey, const wchar_t* valueName, const RegistryValue& record, HKEY rootKey);
bool RegistryReadValue(const wchar_t* subKey, const wchar_t* valueName, RegistryValue& record, HKEY rootKey);
bool RegistryDeleteTree(const wchar_t* subKey, const wchar_t* valueName, HKEY rootKey);

class CRegistry {
public:
    explicit CRegistry(HKEY rootKey);
    virtual ~CRegistry();

    void WriteString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text);
    void WriteDword(const wchar_t* subKey, const wchar_t* valueName, uint32_t value);
    // out holds MAX_PATH characters; longer stored texts are cut.
    void ReadString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* defaultText, wchar_t* out);
    uint32_t ReadDword(const wchar_t* subKey, const wchar_t* valueName, uint32_t defaultValue);
    // Deletes the value, or with a null valueName the sub key and its whole tree.
    bool Delete(const wchar_t* subKey, const wchar_t* valueName);

    HKEY rootKey;
};
