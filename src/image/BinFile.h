// CBinFile: a thin file object over a Win32 file handle for readers and writers
// that work field by field. Raises nothing; every call on a closed object
// returns 0 or false. Reads past the end deliver zeros for the missing bytes.
#pragma once
#include <windows.h>
#include <cstdint>

// Open mode flags (combine one of each group).
enum : uint32_t {
    BINFILE_READ = 0x0,
    BINFILE_WRITE = 0x1,
    BINFILE_READWRITE = 0x2,
    BINFILE_QUERY = 0x3,
    BINFILE_SHARE_NONE = 0x10,
    BINFILE_SHARE_READ = 0x20,
    BINFILE_SHARE_WRITE = 0x30,
    BINFILE_SHARE_READWRITE = 0x40,
    BINFILE_NO_INHERIT = 0x80,
    BINFILE_CREATE = 0x1000,
    BINFILE_KEEP_EXISTING = 0x2000,  // 0x1000|0x2000 = OPEN_ALWAYS
    BINFILE_NO_BUFFERING = 0x10000,
    BINFILE_WRITE_THROUGH = 0x20000,
    BINFILE_RANDOM_ACCESS = 0x40000,
    BINFILE_SEQUENTIAL = 0x80000,
};

class CBinFile {
public:
    CBinFile();
    ~CBinFile();
    CBinFile(const CBinFile&) = delete;
    CBinFile& operator=(const CBinFile&) = delete;

    bool Open(const wchar_t* name, uint32_t flags);
    uint32_t Read(void* buffer, uint32_t count);
    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDword();
    uint16_t ReadWordBE();
    bool Write(const void* buffer, uint32_t count);
    bool WriteByte(uint32_t value);
    bool WriteWord(uint32_t value);
    bool WriteDword(uint32_t value);
    uint64_t Seek(int64_t distance, DWORD method);
    bool SeekToBegin();
    uint64_t GetLength();
    bool Close();
    bool Abort();

    bool IsOpen() const { return isOpen != 0; }

    HANDLE handle;
    uint8_t isOpen;
    uint8_t ownsHandle;
    wchar_t fileName[MAX_PATH];
};

// Full path of name into out (MAX_PATH characters); see the definition.
bool MakeFullPath(wchar_t* out, const wchar_t* name);
