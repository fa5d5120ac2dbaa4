#include "tools/BatchSettings.h"

#include "image/Common.h"

#define QRV_BATCH_LOAD_Dword(name, value) AppState::name = (int)registry.ReadDword(key, L## #name, (uint32_t)(value));
#define QRV_BATCH_LOAD_Text(name, value) registry.ReadString(key, L## #name, value, AppState::name);
#define QRV_BATCH_LOAD(kind, name, value) QRV_BATCH_LOAD_##kind(name, value)
#define QRV_BATCH_SAVE_Dword(name, value) registry.WriteDword(key, L## #name, (uint32_t)AppState::name);
#define QRV_BATCH_SAVE_Text(name, value) registry.WriteString(key, L## #name, AppState::name);
#define QRV_BATCH_SAVE(kind, name, value) QRV_BATCH_SAVE_##kind(name, value)
#define QRV_BATCH_RESET_Dword(name, value) AppState::name = value;
#define QRV_BATCH_RESET_Text(name, value) CopyStringW(AppState::name, value);
#define QRV_BATCH_RESET(kind, name, value) QRV_BATCH_RESET_##kind(name, value)

void LoadBatchProcessSettings(const wchar_t* key) {
    CRegistry registry(HKEY_CURRENT_USER);
    QRV_BATCH_SETTINGS_ROWS(QRV_BATCH_LOAD)
}

void SaveBatchProcessSettings(const wchar_t* key) {
    CRegistry registry(HKEY_CURRENT_USER);
    QRV_BATCH_SETTINGS_ROWS(QRV_BATCH_SAVE)
}

void ResetBatchProcessSettings() { QRV_BATCH_SETTINGS_ROWS(QRV_BATCH_RESET) }
