#include "image/BinFile.h"

#include <cwchar>

CBinFile::CBinFile() : handle(INVALID_HANDLE_VALUE), isOpen(0), ownsHandle(0) { fileName[0] = L'\0'; }

CBinFile::~CBinFile() { Abort(); }

bool CBinFile::Open(const wchar_t* name, uint32_t flags) {
    if (isOpen || !name) return false;
    handle = INVALID_HANDLE_VALUE;
    ownsHandle = 0;
    fileName[0] = L'\0';
    MakeFullPath(fileName, name);

    static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
    DWORD share = 0;
    switch (flags & 0x70) {
    case 0x20: share = FILE_SHARE_READ; break;
    case 0x30: share = FILE_SHARE_WRITE; break;
    case 0x40: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;  // 0x10 or nothing: no sharing
    }
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, (flags & BINFILE_NO_INHERIT) ? FALSE : TRUE};
    DWORD creation = OPEN_EXISTING;
    if (flags & BINFILE_CREATE) creation = (flags & BINFILE_KEEP_EXISTING) ? OPEN_ALWAYS : CREATE_ALWAYS;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (flags & BINFILE_NO_BUFFERING) attributes |= FILE_FLAG_NO_BUFFERING;
    if (flags & BINFILE_WRITE_THROUGH) attributes |= FILE_FLAG_WRITE_THROUGH;
    if (flags & BINFILE_RANDOM_ACCESS) attributes |= FILE_FLAG_RANDOM_ACCESS;
    if (flags & BINFILE_SEQUENTIAL) attributes |= FILE_FLAG_SEQUENTIAL_SCAN;

    HANDLE h = CreateFileW(name, access[flags & 3], share, &security, creation, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        fileName[0] = L'\0';
        return false;
    }
    handle = h;
    isOpen = 1;
    ownsHandle = 1;
    return true;
}

uint32_t CBinFile::Read(void* buffer, uint32_t count) {
    if (!isOpen || count == 0 || !buffer) return 0;
    DWORD got = 0;
    if (!ReadFile(handle, buffer, count, &got, nullptr)) return 0;
    return got;
}

uint8_t CBinFile::ReadByte() {
    uint8_t b = 0;
    Read(&b, 1);
    return b;
}

uint16_t CBinFile::ReadWord() {
    uint8_t b[2] = {0, 0};
    Read(b, 2);
    return (uint16_t)(b[0] | (b[1] << 8));
}

uint32_t CBinFile::ReadDword() {
    uint8_t b[4] = {0, 0, 0, 0};
    Read(b, 4);
    return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
}

uint16_t CBinFile::ReadWordBE() {
    uint8_t b[2] = {0, 0};
    Read(b, 2);
    return (uint16_t)((b[0] << 8) | b[1]);
}

bool CBinFile::Write(const void* buffer, uint32_t count) {
    if (!isOpen || count == 0 || !buffer) return false;
    DWORD written = 0;
    return WriteFile(handle, buffer, count, &written, nullptr) && written == count;
}

bool CBinFile::WriteByte(uint32_t value) {
    uint8_t b = (uint8_t)value;
    return Write(&b, 1);
}

bool CBinFile::WriteWord(uint32_t value) {
    uint8_t b[2] = {(uint8_t)value, (uint8_t)(value >> 8)};
    return Write(b, 2);
}

bool CBinFile::WriteDword(uint32_t value) {
    uint8_t b[4] = {(uint8_t)value, (uint8_t)(value >> 8), (uint8_t)(value >> 16), (uint8_t)(value >> 24)};
    return Write(b, 4);
}

uint64_t CBinFile::Seek(int64_t distance, DWORD method) {
    if (!isOpen) return 0;
    LARGE_INTEGER move, position;
    move.QuadPart = distance;
    if (!SetFilePointerEx(handle, move, &position, method)) return 0;
    return (uint64_t)position.QuadPart;
}

bool CBinFile::SeekToBegin() {
    Seek(0, FILE_BEGIN);
    return true;
}

uint64_t CBinFile::GetLength() {
    if (!isOpen) return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) return 0;
    return (uint64_t)size.QuadPart;
}

bool CBinFile::Close() {
    bool ok = true;
    if (handle != INVALID_HANDLE_VALUE && ownsHandle) ok = CloseHandle(handle) != 0;
    handle = INVALID_HANDLE_VALUE;
    isOpen = 0;
    ownsHandle = 0;
    fileName[0] = L'\0';
    return ok;
}

bool CBinFile::Abort() {
    bool failed = false;
    if (handle != INVALID_HANDLE_VALUE) failed = CloseHandle(handle) == 0;
    handle = INVALID_HANDLE_VALUE;
    isOpen = 0;
    ownsHandle = 0;
    fileName[0] = L'\0';
    return failed;
}

bool MakeFullPath(wchar_t* out, const wchar_t* name) {
    wchar_t* filePart = nullptr;
    DWORD n = GetFullPathNameW(name, MAX_PATH, out, &filePart);
    if (n == 0 || n >= MAX_PATH) {
        lstrcpynW(out, name, MAX_PATH);
        return false;
    }
    // The root of the path: "C:\" or "\\server\share\".
    wchar_t root[MAX_PATH];
    lstrcpynW(root, out, MAX_PATH);
    if (root[0] == L'\\' && root[1] == L'\\') return true;  // UNC
    if (root[0] && root[1] == L':') {
        root[2] = L'\\';
        root[3] = L'\0';
    }
    DWORD volumeFlags = 0;
    if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &volumeFlags, nullptr, 0)) return false;
    if (!(volumeFlags & FS_CASE_IS_PRESERVED)) CharUpperW(out);
    if (volumeFlags & FS_UNICODE_STORED_ON_DISK) return true;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(name, &found);
    if (h != INVALID_HANDLE_VALUE) {
        FindClose(h);
        wchar_t* last = wcsrchr(out, L'\\');
        if (last) {
            size_t keep = (size_t)(last - out) + 1;
            if (keep + wcslen(found.cFileName) < MAX_PATH) wcscpy(out + keep, found.cFileName);
        }
    }
    return true;
}
