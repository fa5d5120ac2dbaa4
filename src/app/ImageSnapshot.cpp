// Snapshot file layout (little-endian): u32 width, u32 height, u32 bits per
// pixel (all 0 for an image that is not valid); for 8 bits or less 2^bpp RGB
// triples (one triple for an invalid image); height x stride bytes of rows as
// the image holds them (bottom-up); then a trailer that keeps what a plain
// re-creation would lose: u32 transparency flag, u32 transparent index, u32
// transparent colour, u32 horizontal and u32 vertical resolution.
#include "app/ImageSnapshot.h"

#include <cstdlib>
#include <cstring>

#include "app/AppState.h"
#include "image/BinFile.h"
#include "image/Image.h"

CImageSnapshot UndoSnapshot;
CImageSnapshot RedoSnapshot;
CImageSnapshot ChannelViewSnapshot;

CImageSnapshot::~CImageSnapshot() { Discard(); }

int CImageSnapshot::Discard() {
    if (valid) {
        DeleteFileW(fileName);
        fileName[0] = 0;
        valid = 0;
    }
    return 0;
}

bool CImageSnapshot::Save() { return SaveFrom(AppState::CurrentImage); }

bool CImageSnapshot::SaveFrom(CImage& image) {
    Discard();
    wchar_t tempPath[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, tempPath);
    if (n == 0 || n >= MAX_PATH) return false;
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(tempPath, L"qrv", 0, name)) return false;

    bool ok = false;
    {
        CBinFile file;
        if (file.Open(name, BINFILE_WRITE | BINFILE_CREATE)) {
            const bool isValid = image.IsValid();
            const uint32_t width = isValid ? image.width : 0;
            const uint32_t height = isValid ? image.height : 0;
            const uint32_t bpp = isValid ? image.bpp : 0;
            ok = file.WriteDword(width) && file.WriteDword(height) && file.WriteDword(bpp);
            if (ok && bpp <= 8) {
                uint8_t rgb[256 * 3] = {};
                uint32_t entries = isValid ? (1u << bpp) : 1;
                if (isValid) image.GetPaletteRGB(rgb);
                ok = file.Write(rgb, entries * 3);
            }
            if (ok && isValid) {
                GdiFlush();
                uint64_t bytes = (uint64_t)height * image.stride;
                ok = bytes <= 0xFFFFFFFFull && image.bits && file.Write(image.bits, (uint32_t)bytes);
            }
            if (ok) {
                ok = file.WriteDword(isValid ? image.hasTransparency : 0) &&
                     file.WriteDword(isValid ? image.transparentIndex : 0) &&
                     file.WriteDword(isValid ? image.transparentColor : 0) &&
                     file.WriteDword(isValid ? image.xResolution : 0) &&
                     file.WriteDword(isValid ? image.yResolution : 0);
            }
            ok = file.Close() && ok;
        }
    }
    if (!ok) {
        // A short write (full disk) must not leave a snapshot that restores garbage.
        DeleteFileW(name);
        return false;
    }
    CopyMemory(fileName, name, sizeof(fileName));
    valid = 1;
    return true;
}

bool CImageSnapshot::Restore() { return RestoreInto(AppState::CurrentImage); }

bool CImageSnapshot::RestoreInto(CImage& image) {
    if (!ReadInto(image)) return false;
    Discard();
    return true;
}

bool CImageSnapshot::ReadInto(CImage& image) const {
    if (!valid) return false;
    CBinFile file;
    if (!file.Open(fileName, BINFILE_READ | BINFILE_SHARE_READ)) return false;
    const uint64_t length = file.GetLength();
    const uint32_t width = file.ReadDword();
    const uint32_t height = file.ReadDword();
    const uint32_t bpp = file.ReadDword();

    bool done = false;
    if (width == 0 && height == 0 && bpp == 0) {
        // The snapshot of an empty viewer: the image becomes empty again.
        image.Destroy();
        done = true;
    } else if (width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
               CImage::RoundDepth((int)bpp) == (int)bpp) {
        uint8_t rgb[256 * 3] = {};
        bool ok = true;
        if (bpp <= 8) ok = file.Read(rgb, (1u << bpp) * 3) == (1u << bpp) * 3;
        const uint64_t stride = CImage::RowBytes(width, (int)bpp);
        const uint64_t bytes = stride * height;
        const uint64_t header = 12 + (bpp <= 8 ? (1u << bpp) * 3 : 0);
        // The file must hold every row before the image is replaced.
        ok = ok && stride != 0 && bytes <= CImage::kMaxImageBytes && header + bytes <= length;
        uint8_t* rows = ok ? (uint8_t*)malloc((size_t)bytes) : nullptr;
        if (rows && file.Read(rows, (uint32_t)bytes) == bytes) {
            uint32_t trailer[5] = {};
            if (header + bytes + sizeof(trailer) <= length)
                for (auto& t : trailer) t = file.ReadDword();
            if (image.Create((int)width, (int)height, (int)bpp, rows, bpp <= 8 ? rgb : nullptr)) {
                image.hasTransparency = (uint8_t)trailer[0];
                image.transparentIndex = (uint8_t)trailer[1];
                image.transparentColor = trailer[2];
                image.xResolution = trailer[3];
                image.yResolution = trailer[4];
                done = true;
            }
        }
        free(rows);
    }
    file.Close();
    return done;
}
