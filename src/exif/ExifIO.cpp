#include "exif/ExifIO.h"

#include <cstring>
#include <new>

// ---- file stream ----

int32_t ExifFileIO::Read(void* buffer, uint32_t n) {
    if (!file) return 0;
    if (n == 0) return 0;
    return fread(buffer, n, 1, file) == 1 ? static_cast<int32_t>(n) : 0;
}

int32_t ExifFileIO::Write(const void* buffer, uint32_t n) {
    if (!file) return 0;
    if (n == 0) return 0;
    return fwrite(buffer, n, 1, file) == 1 ? static_cast<int32_t>(n) : 0;
}

int64_t ExifFileIO::Seek(int64_t offset, int whence) {
    if (!file) return -1;
    if (_fseeki64(file, offset, whence) != 0) return -1;
    return _ftelli64(file);
}

int64_t ExifFileIO::Size() {
    if (!file) return 0;
    int64_t here = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_END) != 0) return 0;
    int64_t size = _ftelli64(file);
    _fseeki64(file, here, SEEK_SET);
    return size;
}

int ExifFileIO::Close() {
    if (!file) return EXIF_CLOSE_FAILED;
    int rc = fclose(file);
    file = nullptr;
    if (owner) owner->file = nullptr;
    return rc == 0 ? EXIF_OK : EXIF_CLOSE_FAILED;
}

// ---- memory stream ----

int32_t ExifMemoryIO::Read(void* buffer, uint32_t n) {
    if (!owner || !owner->CanRead()) return -1;
    if (static_cast<uint64_t>(position) + n > length) return -1;
    if (n) memcpy(buffer, block + position, n);
    position += n;
    return static_cast<int32_t>(n);
}

int32_t ExifMemoryIO::Write(const void* buffer, uint32_t n) {
    if (!owner || !owner->CanWrite()) return -1;
    if (static_cast<uint64_t>(position) + n > capacity) return -1;
    if (n) memcpy(block + position, buffer, n);
    position += n;
    if (position > length) length = position;
    return static_cast<int32_t>(n);
}

int64_t ExifMemoryIO::Seek(int64_t offset, int whence) {
    int64_t base = whence == 0 ? 0 : whence == 1 ? position : length;
    int64_t target = base + offset;
    if (target < 0) target = 0;
    if (target > length) target = length;
    position = static_cast<uint32_t>(target);
    return position;
}

// ---- handle ----

int ExifFileHandle::CloseStream() {
    if (!io) return EXIF_OK;
    int status = io->Close();
    delete io;
    io = nullptr;
    file = nullptr;
    return status;
}

bool ExifFileHandle::ReadU16(uint16_t& value) {
    if (!ReadAll(&value, 2)) return false;
    Swap16(value);
    return true;
}

bool ExifFileHandle::ReadU32(uint32_t& value) {
    if (!ReadAll(&value, 4)) return false;
    Swap32(value);
    return true;
}

bool ExifFileHandle::WriteU16(uint16_t value) {
    Swap16(value);
    return WriteAll(&value, 2);
}

bool ExifFileHandle::WriteU32(uint32_t value) {
    Swap32(value);
    return WriteAll(&value, 4);
}

void ExifFileHandle::Swap16(uint16_t& value) const {
    if (Swaps()) value = static_cast<uint16_t>((value >> 8) | (value << 8));
}

void ExifFileHandle::Swap32(uint32_t& value) const {
    if (Swaps()) value = __builtin_bswap32(value);
}

void ExifFileHandle::Swap16Array(uint16_t* values, size_t n) const {
    if (!Swaps()) return;
    for (size_t i = 0; i < n; ++i) values[i] = static_cast<uint16_t>((values[i] >> 8) | (values[i] << 8));
}

void ExifFileHandle::Swap32Array(uint32_t* values, size_t n) const {
    if (!Swaps()) return;
    for (size_t i = 0; i < n; ++i) values[i] = __builtin_bswap32(values[i]);
}

void ExifFileHandle::Swap64Array(uint64_t* values, size_t n) const {
    if (!Swaps()) return;
    for (size_t i = 0; i < n; ++i) values[i] = __builtin_bswap64(values[i]);
}

bool ParseExifOpenMode(const char* modeText, uint32_t& mode) {
    mode = EXIF_MODE_READ;
    if (!modeText) return true;
    char c0 = modeText[0];
    char c1 = c0 ? modeText[1] : 0;
    if (c0 == 'r') {
        mode = c1 == '+' ? EXIF_MODE_UPDATE : EXIF_MODE_READ;
        return true;
    }
    if (c0 == 'w' && c1 != '+') {
        mode = EXIF_MODE_WRITE;
        return true;
    }
    return false;
}

uint32_t ExifModeByteOrderPreference(const char* modeText) {
    uint32_t pref = 0;
    for (const char* p = modeText; p && *p; ++p) {
        if (*p == 'B' || *p == 'H') pref = 1;
        else if (*p == 'L') pref = 2;
    }
    return pref;
}

ExifFileHandle* MakeExifFileHandle(const char* name, const char* modeText, int& status) {
    uint32_t mode;
    if (!ParseExifOpenMode(modeText, mode)) {
        status = EXIF_BAD_MODE;
        return nullptr;
    }
    if (!name || !*name) {
        status = EXIF_OPEN_FAILED;
        return nullptr;
    }
    const char* crtMode = mode == EXIF_MODE_READ ? "rb" : mode == EXIF_MODE_UPDATE ? "rb+" : "wb";
    FILE* file = fopen(name, crtMode);
    if (!file) {
        status = EXIF_OPEN_FAILED;
        return nullptr;
    }
    ExifFileHandle* handle = new (std::nothrow) ExifFileHandle;
    ExifFileIO* io = handle ? new (std::nothrow) ExifFileIO(handle, file) : nullptr;
    if (!io) {
        delete handle;
        fclose(file);
        status = EXIF_NO_MEMORY;
        return nullptr;
    }
    handle->io = io;
    handle->file = file;
    handle->name = name;
    handle->mode = mode;
    handle->modeText = modeText ? modeText : "";
    handle->flags |= ExifModeByteOrderPreference(modeText);
    status = EXIF_OK;
    return handle;
}

ExifFileHandle* MakeExifMemoryHandle(int& status, uint8_t* block, uint32_t capacity, const char* modeText,
                                     int64_t length) {
    uint32_t mode;
    if (!ParseExifOpenMode(modeText, mode)) {
        status = EXIF_BAD_MODE;
        return nullptr;
    }
    if (length < 0) length = (mode & 1) ? 0 : capacity;
    if (length > capacity) length = capacity;
    ExifFileHandle* handle = new (std::nothrow) ExifFileHandle;
    ExifMemoryIO* io =
        handle ? new (std::nothrow) ExifMemoryIO(handle, block, capacity, static_cast<uint32_t>(length)) : nullptr;
    if (!io) {
        delete handle;
        status = EXIF_NO_MEMORY;
        return nullptr;
    }
    handle->io = io;
    handle->mode = mode;
    handle->modeText = modeText ? modeText : "";
    handle->flags |= EXIF_FLAG_MEMORY | ExifModeByteOrderPreference(modeText);
    status = EXIF_OK;
    return handle;
}

// ---- open file object ----

ExifOpenFile::~ExifOpenFile() { ExifOpenFile::Close(); }

int ExifOpenFile::Close() {
    if (handle && ownsHandle) delete handle;
    handle = nullptr;
    ownsHandle = false;
    return EXIF_OK;
}

int ExifOpenFile::Open(const char* name, const char* modeText) {
    int status = EXIF_OK;
    ExifFileHandle* h = MakeExifFileHandle(name, modeText, status);
    if (!h) return status;
    if (handle && ownsHandle) delete handle;
    handle = h;
    ownsHandle = true;
    fileName = name;
    handle->flags |= EXIF_FLAG_MSB_FIRST;
    status = Open(name);
    if (status != EXIF_OK) {
        delete handle;
        handle = nullptr;
        ownsHandle = false;
    }
    return status;
}

int ExifOpenFile::OpenMemory(uint8_t* block, uint32_t capacity, const char* modeText, int64_t length) {
    int status = EXIF_OK;
    ExifFileHandle* h = MakeExifMemoryHandle(status, block, capacity, modeText, length);
    if (!h) return status;
    if (handle && ownsHandle) delete handle;
    handle = h;
    ownsHandle = true;
    fileName.clear();
    handle->flags |= EXIF_FLAG_MSB_FIRST;
    status = Open(nullptr);
    if (status != EXIF_OK) {
        delete handle;
        handle = nullptr;
        ownsHandle = false;
    }
    return status;
}
