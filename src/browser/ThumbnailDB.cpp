#include "browser/ThumbnailDB.h"

#include <io.h>
#include <shlobj.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include <jpeglib.h>

#include "image/Common.h"

namespace {

const wchar_t kSection[] = L"Directories";
const wchar_t kDirCount[] = L"DirCount";
const char kCacheMagic[] = "QRVDB";
const char kBlobMagic[] = "QVIMG";
constexpr uint32_t kHeaderSize = sizeof(ThumbCacheHeader);
constexpr uint32_t kBlobHeaderSize = sizeof(ThumbImageBlob);
// A continued file whose index starts before this offset holds no blob.
constexpr uint32_t kMinContinuedIndex = 20;
// No thumbnail is larger than this many pixels; a blob claiming more is damaged.
constexpr uint64_t kMaxThumbPixels = 4096ull * 4096ull;

std::wstring g_testRoot;

std::wstring WithSeparator(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path;
}

std::wstring DataRoot() {
    if (!g_testRoot.empty()) return g_testRoot;
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path))) path[0] = L'\0';
    return path;
}

// A cache file name as the index file lists it: a name in the cache folder,
// never a path that leads elsewhere.
bool IsPlainName(const wchar_t* name) {
    if (!name[0] || !wcscmp(name, L".") || !wcscmp(name, L"..")) return false;
    return !wcspbrk(name, L"\\/:");
}

// The folder's cache file name from the index file; empty when it is not
// listed (or listed with a name that is no file name).
std::wstring CacheNameOf(const wchar_t* folder) {
    wchar_t name[MAX_PATH] = {};
    GetPrivateProfileStringW(kSection, folder, L"", name, MAX_PATH, ThumbDBIndexPath().c_str());
    return IsPlainName(name) ? std::wstring(name) : std::wstring();
}

std::wstring CacheFilePath(const std::wstring& name) { return ThumbDBCacheFolder() + L"\\" + name; }

bool MagicIs(const char* field, const char* magic) { return _strnicmp(field, magic, 5) == 0; }

// The five magic bytes as text for a message, up to the first zero.
void MagicText(const char* field, wchar_t out[6]) {
    int i = 0;
    for (; i < 5 && field[i]; ++i) out[i] = (wchar_t)(unsigned char)field[i];
    out[i] = L'\0';
}

uint64_t FileSizeOf(FILE* file) {
    const int64_t here = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_END) != 0) return 0;
    const int64_t size = _ftelli64(file);
    _fseeki64(file, here, SEEK_SET);
    return size < 0 ? 0 : (uint64_t)size;
}

template <typename T>
bool ReadValue(FILE* file, T* value) {
    return fread(value, sizeof(T), 1, file) == 1;
}

template <typename T>
bool WriteValue(FILE* file, const T& value) {
    return fwrite(&value, sizeof(T), 1, file) == 1;
}

uint16_t ClampSide(int value) {
    if (value < 1) return 1;
    return value > 65535 ? 65535 : (uint16_t)value;
}

uint32_t DibStride(int width) { return ((uint32_t)width * 3 + 3) & ~3u; }

BITMAPINFO BottomUpDib24(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: the bottom row comes first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// libjpeg's standard error manager with the recovery point of the call that
// owns it. A warning (a cut or damaged stream) ends the call like an error:
// a cached thumbnail is either whole or decoded afresh from its file.
struct JpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

[[noreturn]] void JpegExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

void JpegEmit(j_common_ptr cinfo, int level) {
    if (level < 0) JpegExit(cinfo);
}

void JpegSilent(j_common_ptr) {}

void InitError(JpegError& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegExit;
    err.pub.emit_message = JpegEmit;
    err.pub.output_message = JpegSilent;
}

// Everything one decode owns; RunDecode holds no object with a destructor,
// so the library's long jump leaves nothing behind.
struct DecodeCall {
    jpeg_decompress_struct cinfo;
    JpegError err;
    bool created = false;
    FILE* file = nullptr;
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    bool noBitmap = false;
};

bool RunDecode(DecodeCall& c) {
    InitError(c.err);
    c.cinfo.err = &c.err.pub;
    if (setjmp(c.err.jump)) return false;
    jpeg_create_decompress(&c.cinfo);
    c.created = true;
    jpeg_stdio_src(&c.cinfo, c.file);
    if (jpeg_read_header(&c.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    // Only what the database writes: a sequential three-component picture of
    // exactly the blob's size.
    if ((int)c.cinfo.image_width != c.width || (int)c.cinfo.image_height != c.height) return false;
    if (c.cinfo.num_components != 3 || c.cinfo.progressive_mode) return false;
    if (c.cinfo.jpeg_color_space != JCS_YCbCr && c.cinfo.jpeg_color_space != JCS_RGB) return false;
    c.cinfo.out_color_space = JCS_RGB;
    c.cinfo.scale_num = 1;
    c.cinfo.scale_denom = 1;

    BITMAPINFO info = BottomUpDib24(c.width, c.height);
    void* bits = nullptr;
    c.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!c.bitmap || !bits) {
        c.noBitmap = true;
        return false;
    }
    c.bits = (uint8_t*)bits;

    jpeg_start_decompress(&c.cinfo);
    if ((int)c.cinfo.output_width != c.width || (int)c.cinfo.output_height != c.height ||
        c.cinfo.output_components != 3)
        return false;
    const uint32_t stride = DibStride(c.width);
    while (c.cinfo.output_scanline < c.cinfo.output_height) {
        JSAMPROW row = c.bits + (size_t)c.cinfo.output_scanline * stride;
        if (jpeg_read_scanlines(&c.cinfo, &row, 1) != 1) return false;
    }
    jpeg_finish_decompress(&c.cinfo);
    return true;
}

struct EncodeCall {
    jpeg_compress_struct cinfo;
    JpegError err;
    bool created = false;
    FILE* file = nullptr;
    int width = 0, height = 0, quality = 80;
    uint8_t* rows = nullptr;  // bottom-up 24-bit DIB rows
};

bool RunEncode(EncodeCall& c) {
    InitError(c.err);
    c.cinfo.err = &c.err.pub;
    if (setjmp(c.err.jump)) return false;
    jpeg_create_compress(&c.cinfo);
    c.created = true;
    jpeg_stdio_dest(&c.cinfo, c.file);
    c.cinfo.image_width = (JDIMENSION)c.width;
    c.cinfo.image_height = (JDIMENSION)c.height;
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_quality(&c.cinfo, c.quality, TRUE);
    c.cinfo.smoothing_factor = 0;
    jpeg_start_compress(&c.cinfo, TRUE);
    const uint32_t stride = DibStride(c.width);
    for (int y = 0; y < c.height; ++y) {
        JSAMPROW row = c.rows + (size_t)y * stride;
        jpeg_write_scanlines(&c.cinfo, &row, 1);
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

}  // namespace

void SetThumbDBRootForTesting(const wchar_t* folder) { g_testRoot = folder ? folder : L""; }

std::wstring ThumbDBProgramFolder() { return WithSeparator(DataRoot()) + L"Quorvane"; }
std::wstring ThumbDBIndexPath() { return ThumbDBProgramFolder() + L"\\qrv.dbt"; }
std::wstring ThumbDBCacheFolder() { return ThumbDBProgramFolder() + L"\\Cache"; }

bool RemoveFolderFromThumbDB(const wchar_t* folder) {
    const std::wstring name = CacheNameOf(folder);
    WritePrivateProfileStringW(kSection, folder, nullptr, ThumbDBIndexPath().c_str());
    if (!name.empty()) DeleteFileW(CacheFilePath(name).c_str());
    return true;
}

CThumbnailDB::CThumbnailDB() {
    slots_ = static_cast<ThumbIndexSlot*>(std::calloc(kSlots, sizeof(ThumbIndexSlot)));
    if (!slots_) FatalError(L"Out of memory for the thumbnail index.");
}

CThumbnailDB::~CThumbnailDB() {
    Close();
    std::free(slots_);
}

void CThumbnailDB::Close() {
    if (file_) fclose(file_);
    file_ = nullptr;
}

void CThumbnailDB::Release() {
    Close();
    count_ = 0;
}

void CThumbnailDB::DropDamagedFile(const wchar_t* fileName, const char* magicRead) {
    Release();
    wchar_t magic[6];
    MagicText(magicRead, magic);
    ShowMessage(L"Invalid Cachefile found! ReCreation follows. : %s : id:%s/%s", fileName, magic, L"QRVDB");
    RemoveFolderFromThumbDB(folder_.c_str());
}

bool CThumbnailDB::OpenExisting(const wchar_t* folder, int* cellWidth, int* cellHeight, int* border) {
    Release();
    const std::wstring name = CacheNameOf(folder);
    if (name.empty()) return false;
    folder_ = folder;
    fileName_ = name;
    file_ = _wfopen(CacheFilePath(name).c_str(), L"rb");
    if (!file_) {
        ShowMessage(L"Unable to open dbFile for directory: %s", folder);
        return false;
    }
    const uint64_t size = FileSizeOf(file_);
    fileSize_ = size > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)size;
    header_ = {};
    const bool whole = ReadValue(file_, &header_);
    if (!whole || !MagicIs(header_.magic, kCacheMagic)) {
        DropDamagedFile(name.c_str(), whole ? header_.magic : "\0\0\0\0");
        return false;
    }
    if (cellWidth) *cellWidth = header_.cellWidth;
    if (cellHeight) *cellHeight = header_.cellHeight;
    if (border) *border = header_.border;
    if (!ReadIndex()) {
        DropDamagedFile(name.c_str(), header_.magic);
        return false;
    }
    return true;
}

bool CThumbnailDB::ReadIndex() {
    if (!file_) return false;
    if (!LoadIndex()) {
        count_ = 0;
        return false;
    }
    return true;
}

bool CThumbnailDB::LoadIndex() {
    count_ = 0;
    const uint32_t indexOffset = header_.indexOffset;
    if (indexOffset < kHeaderSize || (uint64_t)indexOffset + 2 > fileSize_) return false;
    if (_fseeki64(file_, indexOffset, SEEK_SET) != 0) return false;
    uint16_t stored = 0;
    if (!ReadValue(file_, &stored)) return false;
    const int count = stored > kSlots ? kMaxEntries : stored;
    for (int i = 0; i < count; ++i) {
        ThumbIndexSlot& slot = slots_[i];
        std::memset(&slot, 0, sizeof(slot));
        uint8_t length = 0;
        if (!ReadValue(file_, &length) || length == 0) return false;
        if (fread(slot.name, sizeof(wchar_t), length, file_) != length) return false;
        slot.name[length] = L'\0';
        slot.nameLength = length;
        if (!ReadValue(file_, &slot.lastWrite) || !ReadValue(file_, &slot.blobOffset) ||
            !ReadValue(file_, &slot.fullWidth) || !ReadValue(file_, &slot.fullHeight))
            return false;
        // Every blob lies between the header and the index.
        if (slot.blobOffset < kHeaderSize || (uint64_t)slot.blobOffset + kBlobHeaderSize > indexOffset) return false;
        slot.valid = 1;
    }
    count_ = (uint16_t)count;
    return true;
}

bool CThumbnailDB::Find(const wchar_t* name, const FILETIME* lastWrite, int* index) {
    for (int i = 0; i < count_; ++i) {
        ThumbIndexSlot& slot = slots_[i];
        if (lstrcmpiW(slot.name, name) != 0) continue;
        if (CompareFileTime(&slot.lastWrite, lastWrite) != 0) {
            slot.valid = 0;
            return false;
        }
        if (index) *index = i;
        return true;
    }
    return false;
}

HBITMAP CThumbnailDB::ReadThumbnail(int index, int* thumbWidth, int* thumbHeight, int* fullWidth, int* fullHeight,
                                    int* bitDepth) {
    if (!file_ || index < 0 || index >= count_) return nullptr;
    const ThumbIndexSlot& slot = slots_[index];
    if (_fseeki64(file_, slot.blobOffset, SEEK_SET) != 0) {
        ShowMessage(L"seek to blob failed!?!");
        return nullptr;
    }
    ThumbImageBlob blob = {};
    if (!ReadValue(file_, &blob) || !MagicIs(blob.magic, kBlobMagic)) {
        ShowMessage(L"Wrong imageid!?! File:%s - pos:%d", slot.name, (int)_ftelli64(file_));
        return nullptr;
    }
    if (blob.compression != 1 && blob.compression != 2) return nullptr;
    // A thumbnail lies within the cell the file was made for.
    if (blob.width < 1 || blob.height < 1 || blob.width > header_.cellWidth || blob.height > header_.cellHeight ||
        (uint64_t)blob.width * blob.height > kMaxThumbPixels)
        return nullptr;

    DecodeCall* call = new DecodeCall();
    call->file = file_;
    call->width = blob.width;
    call->height = blob.height;
    const bool ok = RunDecode(*call);
    if (call->created) jpeg_destroy_decompress(&call->cinfo);
    HBITMAP bitmap = call->bitmap;
    const bool noBitmap = call->noBitmap;
    delete call;
    if (noBitmap) ShowMessage(L"No create dib section! w: %d, h: %d", (int)blob.width, (int)blob.height);
    if (!ok) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    if (thumbWidth) *thumbWidth = blob.width;
    if (thumbHeight) *thumbHeight = blob.height;
    if (fullWidth) *fullWidth = slot.fullWidth;
    if (fullHeight) *fullHeight = slot.fullHeight;
    if (bitDepth) *bitDepth = blob.bitDepth;
    return bitmap;
}

bool CThumbnailDB::CreateOrOpen(const wchar_t* folder, int cellWidth, int cellHeight, int border) {
    Close();
    const std::wstring ini = ThumbDBIndexPath();
    CreateDirectoryW(ThumbDBProgramFolder().c_str(), nullptr);
    const int dirCount = (int)GetPrivateProfileIntW(kSection, kDirCount, 0, ini.c_str());
    std::wstring name = CacheNameOf(folder);
    bool isNew = name.empty();
    if (isNew) {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
        const int number = dirCount + 1;
        wchar_t text[32];
        swprintf(text, 32, L"%d", number);
        WritePrivateProfileStringW(kSection, kDirCount, text, ini.c_str());
        swprintf(text, 32, L"%6.6d.dbi", number);
        name = text;
        WritePrivateProfileStringW(kSection, folder, text, ini.c_str());
    }
    CreateDirectoryW(ThumbDBCacheFolder().c_str(), nullptr);
    const std::wstring path = CacheFilePath(name);
    if (!isNew) {
        file_ = _wfopen(path.c_str(), L"r+b");
        // A listed file that is missing is made afresh under its key.
        if (!file_ && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) isNew = true;
    }
    if (isNew) file_ = _wfopen(path.c_str(), L"wb");
    if (!file_) {
        ShowMessage(L"Unable to create/open dbFile for directory:%s", folder);
        return false;
    }
    folder_ = folder;
    fileName_ = name;

    if (!isNew) {
        const uint64_t size = FileSizeOf(file_);
        ThumbCacheHeader old = {};
        // A file that is not a cache, or whose index cannot be where it says,
        // holds nothing to continue.
        if (!ReadValue(file_, &old) || !MagicIs(old.magic, kCacheMagic) || old.indexOffset < kMinContinuedIndex ||
            old.indexOffset > size)
            isNew = true;
        else header_.indexOffset = old.indexOffset;
    }
    if (isNew) {
        count_ = 0;
        header_.indexOffset = 0;
    }
    std::memcpy(header_.magic, kCacheMagic, 5);
    header_.cellWidth = (uint16_t)cellWidth;
    header_.cellHeight = (uint16_t)cellHeight;
    header_.border = (uint16_t)border;
    if (_fseeki64(file_, 0, SEEK_SET) != 0 || !WriteValue(file_, header_)) {
        Release();
        ShowMessage(L"Unable to create/open dbFile for directory:%s", folder);
        return false;
    }
    if (!isNew) {
        // New blobs overwrite the old index; the slots loaded stay. A slot
        // that does not point before the index cannot be kept.
        _fseeki64(file_, header_.indexOffset, SEEK_SET);
        for (int i = 0; i < count_; ++i)
            if ((uint64_t)slots_[i].blobOffset + kBlobHeaderSize > header_.indexOffset) slots_[i].valid = 0;
    }
    return true;
}

bool CThumbnailDB::AppendThumbnail(const wchar_t* name, const FILETIME* lastWrite, int thumbWidth, int thumbHeight,
                                   int bitDepth, int compression, HBITMAP bitmap, int fullWidth, int fullHeight) {
    struct Owned {
        HBITMAP bitmap;
        ~Owned() {
            if (bitmap) DeleteObject(bitmap);
        }
    } owned = {bitmap};
    const uint16_t width = ClampSide(thumbWidth), height = ClampSide(thumbHeight);
    const uint16_t fullW = ClampSide(fullWidth), fullH = ClampSide(fullHeight);
    if (!file_ || count_ >= kMaxEntries) return false;
    if (compression != 1 && compression != 2) return true;
    const int64_t position = _ftelli64(file_);
    if (position < kHeaderSize || position > 0xFFFFFFFFll - kBlobHeaderSize) return false;

    const uint32_t stride = DibStride(width);
    uint8_t* rows = static_cast<uint8_t*>(std::malloc((size_t)stride * height));
    if (!rows) {
        ShowMessage(L"Failed to allocate memory for storing thumbnailimage!!");
        return false;
    }
    BITMAPINFO info = BottomUpDib24(width, height);
    std::memset(rows, 0, (size_t)stride * height);
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (bitmap) GetDIBits(dc, bitmap, 0, height, rows, &info, DIB_RGB_COLORS);
    ReleaseDC(desktop, dc);

    ThumbImageBlob blob = {};
    std::memcpy(blob.magic, kBlobMagic, 5);
    blob.width = width;
    blob.height = height;
    blob.bitDepth = (uint8_t)bitDepth;
    blob.compression = (uint8_t)compression;
    bool ok = WriteValue(file_, blob);
    if (ok) {
        EncodeCall* call = new EncodeCall();
        call->file = file_;
        call->width = width;
        call->height = height;
        call->quality = compression == 1 ? 80 : 50;
        call->rows = rows;
        ok = RunEncode(*call);
        if (call->created) jpeg_destroy_compress(&call->cinfo);
        delete call;
    }
    std::free(rows);
    if (!ok) {
        // Nothing refers to what was written: the next blob or the index
        // takes its place.
        _fseeki64(file_, position, SEEK_SET);
        return false;
    }

    ThumbIndexSlot& slot = slots_[count_];
    std::memset(&slot, 0, sizeof(slot));
    const size_t length = wcsnlen(name, 255);
    std::wmemcpy(slot.name, name, length);
    slot.nameLength = (uint8_t)length;
    slot.lastWrite = *lastWrite;
    slot.blobOffset = (uint32_t)position;
    slot.fullWidth = fullW;
    slot.fullHeight = fullH;
    slot.valid = 1;
    ++count_;
    return true;
}

bool CThumbnailDB::WriteIndex() {
    if (!file_) return false;
    const int64_t position = _ftelli64(file_);
    if (position < kHeaderSize || position > 0xFFFFFFFFll) return false;
    header_.indexOffset = (uint32_t)position;
    bool ok = _fseeki64(file_, 5, SEEK_SET) == 0 && WriteValue(file_, header_.indexOffset) &&
              _fseeki64(file_, position, SEEK_SET) == 0;
    if (!ok) return false;

    // Slots of files that no longer exist go, or the index would fill up.
    const std::wstring folder = WithSeparator(folder_);
    uint16_t kept = 0;
    for (int i = 0; i < count_; ++i) {
        ThumbIndexSlot& slot = slots_[i];
        if (slot.valid && !folder_.empty() &&
            GetFileAttributesW((folder + slot.name).c_str()) == INVALID_FILE_ATTRIBUTES)
            slot.valid = 0;
        if (slot.valid) ++kept;
    }
    ok = WriteValue(file_, kept);
    for (int i = 0; ok && i < count_; ++i) {
        const ThumbIndexSlot& slot = slots_[i];
        if (!slot.valid) continue;
        ok = WriteValue(file_, slot.nameLength) &&
             fwrite(slot.name, sizeof(wchar_t), slot.nameLength, file_) == slot.nameLength &&
             WriteValue(file_, slot.lastWrite) && WriteValue(file_, slot.blobOffset) &&
             WriteValue(file_, slot.fullWidth) && WriteValue(file_, slot.fullHeight);
    }
    if (!ok || fflush(file_) != 0) return false;
    // The index is last: what an earlier, longer index left behind goes.
    const int64_t end = _ftelli64(file_);
    return end >= 0 && _chsize_s(_fileno(file_), end) == 0;
}
