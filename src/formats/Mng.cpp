// MNG and JNG files through libmng: reading and the viewer's animation, and
// the MNG writers. See formats/Mng.h.
#include "formats/Mng.h"

#include <libmng.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <vector>

#include "formats/ErrorPicture.h"
#include "formats/FormatCodecs.h"
#include "formats/Gif.h"
#include "formats/LoadFlags.h"
#include "formats/Png.h"
#include "formats/ReaderServices.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kMngSignature[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kJngSignature[8] = {0x8B, 'J', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Display steps a still picture or an animation's thumbnail may take before
// the reader gives up waiting for its end (a file may loop for ever).
constexpr int kMaxDisplaySteps = 1000;

std::atomic<MngTickSource> g_tickSource{nullptr};

DWORD Ticks() {
    MngTickSource source = g_tickSource.load();
    return source ? source() : GetTickCount();
}

// ------------------------------------------------------------ the chunk walk

void ChunkName(uint32_t id, char* out) {
    for (int i = 0; i < 4; ++i) {
        const char c = (char)(id >> (24 - 8 * i));
        out[i] = (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    out[4] = 0;
}

void FormatMngError(wchar_t* errorText, int code, uint32_t chunk, uint32_t sequence, const char* text) {
    char name[5];
    ChunkName(chunk, name);
    wchar_t message[FORMAT_ERROR_CHARS];
    _snwprintf(message, FORMAT_ERROR_CHARS - 1, L"Error (code %d) in chunk %hs (%u): %hs", code, name,
               (unsigned)sequence, text ? text : "");
    message[FORMAT_ERROR_CHARS - 1] = 0;
    SetFormatError(errorText, message);
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
}

constexpr uint32_t ChunkId(const char (&name)[5]) {
    return (uint32_t)(uint8_t)name[0] << 24 | (uint32_t)(uint8_t)name[1] << 16 | (uint32_t)(uint8_t)name[2] << 8 |
           (uint32_t)(uint8_t)name[3];
}

enum class WalkResult { Sound, NotMng, Broken };

// Walks every chunk of the file up to its end chunk (IEND of a PNG or JNG,
// MEND of an MNG): each must lie inside the file with a matching CRC, and the
// picture sizes in IHDR, JHDR and MHDR must be such as an image can have.
WalkResult WalkChunks(const wchar_t* path, wchar_t* errorText) {
    FILE* file = _wfopen(path, L"rb");
    if (!file) {
        SetFormatError(errorText, L"Unable to open file!");
        return WalkResult::Broken;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> closer(file, std::fclose);
    _fseeki64(file, 0, SEEK_END);
    const int64_t fileSize = _ftelli64(file);
    _fseeki64(file, 0, SEEK_SET);
    uint8_t signature[8];
    if (fileSize < 8 || std::fread(signature, 1, 8, file) != 8) return WalkResult::NotMng;
    uint32_t endChunk;
    if (!std::memcmp(signature, kMngSignature, 8)) endChunk = ChunkId("MEND");
    else if (!std::memcmp(signature, kPngSignature, 8) || !std::memcmp(signature, kJngSignature, 8))
        endChunk = ChunkId("IEND");
    else return WalkResult::NotMng;

    std::vector<uint8_t> buffer(1 << 16);
    int64_t offset = 8;
    uint32_t sequence = 0;
    for (;;) {
        uint8_t head[8];
        if (offset + 8 > fileSize || std::fread(head, 1, 8, file) != 8) {
            FormatMngError(errorText, MNG_UNEXPECTEDEOF, 0, sequence, "Encountered unexpected end-of-file");
            return WalkResult::Broken;
        }
        ++sequence;
        const uint32_t length = BigEndian32(head);
        const uint32_t id = BigEndian32(head + 4);
        if (length > 0x7FFFFFFFu || offset + 12 + (int64_t)length > fileSize) {
            FormatMngError(errorText, MNG_INVALIDLENGTH, id, sequence, "Chunk-length is invalid");
            return WalkResult::Broken;
        }
        uLong crc = crc32(0, head + 4, 4);
        uint8_t fields[16] = {};
        for (uint32_t done = 0; done < length;) {
            const uint32_t part = length - done < buffer.size() ? length - done : (uint32_t)buffer.size();
            if (std::fread(buffer.data(), 1, part, file) != part) {
                FormatMngError(errorText, MNG_UNEXPECTEDEOF, id, sequence, "Encountered unexpected end-of-file");
                return WalkResult::Broken;
            }
            if (done < sizeof fields)
                std::memcpy(fields + done, buffer.data(), part < sizeof fields - done ? part : sizeof fields - done);
            crc = crc32(crc, buffer.data(), part);
            done += part;
        }
        uint8_t stored[4];
        if (std::fread(stored, 1, 4, file) != 4 || BigEndian32(stored) != (uint32_t)crc) {
            FormatMngError(errorText, MNG_INVALIDCRC, id, sequence, "The CRC for this chunk is invalid");
            return WalkResult::Broken;
        }
        if (id == ChunkId("IHDR") || id == ChunkId("JHDR") || id == ChunkId("MHDR")) {
            const uint64_t width = length >= 8 ? BigEndian32(fields) : 0;
            const uint64_t height = length >= 8 ? BigEndian32(fields + 4) : 0;
            // libmng keeps 16-bit RGBA objects: 8 bytes a pixel.
            if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || width * height * 8 > CImage::kMaxImageBytes) {
                FormatMngError(errorText, MNG_IMAGETOOLARGE, id, sequence, "Image is larger than defined maximum");
                return WalkResult::Broken;
            }
        }
        offset += 12 + (int64_t)length;
        if (id == endChunk) return WalkResult::Sound;
    }
}

// ------------------------------------------------------------ reading

// One handle's state, owned by whoever created the handle and freed with it.
struct MngUserData {
    FILE* stream = nullptr;
    wchar_t path[MAX_PATH] = {};
    int timerDelay = 0;
    CImage canvas;             // the drawing target of a background load
    CImage* target = nullptr;  // the drawing target (canvas, or the viewer's image)
    COLORREF fill = 0;
    bool openFailed = false;
    bool headerRefused = false;
    int errorCode = 0;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
};

// The viewer's animation, kept open for its bar (user-interface thread only).
mng_handle g_viewerHandle = nullptr;
MngUserData* g_viewerData = nullptr;

MngUserData* DataOf(mng_handle handle) { return static_cast<MngUserData*>(mng_get_userdata(handle)); }

mng_ptr MNG_DECL Allocate(mng_size_t size) { return std::calloc(1, size); }
void MNG_DECL Release(mng_ptr pointer, mng_size_t) { std::free(pointer); }

mng_bool MNG_DECL OpenStream(mng_handle handle) {
    MngUserData* data = DataOf(handle);
    if (data->stream) return MNG_TRUE;
    data->stream = _wfopen(data->path, L"rb");
    if (!data->stream) {
        data->openFailed = true;
        return MNG_FALSE;
    }
    return MNG_TRUE;
}

mng_bool MNG_DECL CloseStream(mng_handle handle) {
    MngUserData* data = DataOf(handle);
    if (!data->stream) return MNG_TRUE;
    const bool closed = std::fclose(data->stream) == 0;
    data->stream = nullptr;
    return closed ? MNG_TRUE : MNG_FALSE;
}

mng_bool MNG_DECL ReadData(mng_handle handle, mng_ptr buffer, mng_uint32 count, mng_uint32p read) {
    MngUserData* data = DataOf(handle);
    *read = data->stream ? (mng_uint32)std::fread(buffer, 1, count, data->stream) : 0;
    return MNG_TRUE;
}

mng_bool MNG_DECL ProcessHeader(mng_handle handle, mng_uint32 width, mng_uint32 height) {
    try {
        MngUserData* data = DataOf(handle);
        const mng_imgtype type = mng_get_imagetype(handle);
        int depth = 24;
        if (type == mng_it_png || type == mng_it_jng) {
            depth = mng_get_bitdepth(handle);
            const int colorType = mng_get_colortype(handle);
            if (colorType == 2) depth *= 3;
            else if (colorType == 6) depth *= 4;
        }
        const int bpp = depth == 32 ? 32 : 24;
        if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
            (uint64_t)CImage::RowBytes(width, bpp) * height > CImage::kMaxImageBytes ||
            !data->target->CreateEmpty((int)width, (int)height, bpp, data->fill, nullptr)) {
            data->headerRefused = true;
            return MNG_FALSE;
        }
        // The bitmap is blue-first for every image type: JNG rows too come
        // out right only in the blue-first layouts (red-first swaps them).
        mng_set_canvasstyle(handle, bpp == 32 ? MNG_CANVAS_BGRA8 : MNG_CANVAS_BGR8);
        return MNG_TRUE;
    } catch (...) { return MNG_FALSE; }
}

mng_ptr MNG_DECL CanvasLine(mng_handle handle, mng_uint32 line) {
    CImage* target = DataOf(handle)->target;
    if (!target->IsValid()) return nullptr;
    if (line >= target->height) line = target->height - 1;
    return target->ScanLine(target->height - 1 - line);
}

mng_bool MNG_DECL Refresh(mng_handle, mng_uint32, mng_uint32, mng_uint32, mng_uint32) { return MNG_TRUE; }

mng_uint32 MNG_DECL TickCount(mng_handle) { return Ticks(); }

mng_bool MNG_DECL SetTimer(mng_handle handle, mng_uint32 milliseconds) {
    DataOf(handle)->timerDelay = (int)milliseconds;
    return MNG_TRUE;
}

mng_bool MNG_DECL OnError(mng_handle handle, mng_int32 code, mng_int8, mng_chunkid chunk, mng_uint32 sequence,
                          mng_int32, mng_int32, mng_pchar text) {
    MngUserData* data = DataOf(handle);
    if (data && !data->errorCode) {
        data->errorCode = code ? code : -1;
        FormatMngError(data->error, code, (uint32_t)chunk, sequence, text);
    }
    return MNG_FALSE;
}

void ReleaseHandle(mng_handle handle, MngUserData* data) {
    if (handle) mng_cleanup(&handle);
    if (data && data->stream) {
        std::fclose(data->stream);
        data->stream = nullptr;
    }
    delete data;
}

// The viewer's animation released and its bar reset.
void ReleaseViewerAnimation() {
    NotifyViewerAnimation(ViewerAnimationEvent::Reset);
    mng_handle handle = g_viewerHandle;
    MngUserData* data = g_viewerData;
    g_viewerHandle = nullptr;
    g_viewerData = nullptr;
    if (handle || data) ReleaseHandle(handle, data);
}

bool Failed(mng_retcode code) { return code != MNG_NOERROR && code != MNG_NEEDTIMERWAIT; }

// The text of a failed libmng call.
void TakeError(const MngUserData& data, mng_retcode code, wchar_t* errorText) {
    if (data.headerRefused) SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
    else if (data.error[0]) SetFormatError(errorText, data.error);
    else FormatMngError(errorText, code, 0, 0, "libmng error");
}

}  // namespace

MngTickSource SetMngTickSource(MngTickSource source) { return g_tickSource.exchange(source); }

bool MngAnimationOpen() { return g_viewerHandle != nullptr; }

void StopMngAnimation() {
    // The viewer's animation belongs to the viewer's loads alone.
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return;
    ReleaseViewerAnimation();
}

ReadStatus LoadMng(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!path || !*path) return NotThisFormat(errorText);
    if (!CanOpenForRead(path, errorText)) return false;
    switch (WalkChunks(path, errorText)) {
    case WalkResult::NotMng: return NotThisFormat(errorText);
    case WalkResult::Broken: return false;
    case WalkResult::Sound: break;
    }

    const bool background = call.request.Quiet();
    if (!background && g_viewerHandle) StopMngAnimation();

    MngUserData* data = new (std::nothrow) MngUserData;
    if (!data) {
        SetFormatError(errorText, L"Unable to allocate MNG struct!");
        return false;
    }
    CopyStringW(data->path, path, MAX_PATH);
    data->target = background ? &data->canvas : &image;
    data->fill = background ? RGB(255, 255, 255) : call.request.background;

    mng_handle handle = mng_initialize(data, Allocate, Release, MNG_NULL);
    if (!handle) {
        delete data;
        SetFormatError(errorText, L"MNG Initialize Error!");
        return false;
    }
    mng_set_storechunks(handle, MNG_FALSE);
    const COLORREF back = data->fill;
    mng_set_bgcolor(handle, (mng_uint16)(GetRValue(back) * 257), (mng_uint16)(GetGValue(back) * 257),
                    (mng_uint16)(GetBValue(back) * 257));
    mng_set_doprogressive(handle, MNG_FALSE);
    mng_setcb_openstream(handle, OpenStream);
    mng_setcb_closestream(handle, CloseStream);
    mng_setcb_readdata(handle, ReadData);
    mng_setcb_errorproc(handle, OnError);
    mng_setcb_processheader(handle, ProcessHeader);
    mng_setcb_getcanvasline(handle, CanvasLine);
    mng_setcb_refresh(handle, Refresh);
    mng_setcb_gettickcount(handle, TickCount);
    mng_setcb_settimer(handle, SetTimer);

    mng_retcode code = mng_readdisplay(handle);
    if (data->openFailed) {
        ReleaseHandle(handle, data);
        SetFormatError(errorText, L"Unable to open file!");
        return false;
    }
    if (Failed(code) || data->errorCode || !data->target->IsValid()) {
        if (!Failed(code) && !data->errorCode) SetFormatError(errorText, L"No picture found in the file!");
        else TakeError(*data, code, errorText);
        ReleaseHandle(handle, data);
        return false;
    }

    const mng_imgtype type = mng_get_imagetype(handle);
    const mng_uint32 frameCount = mng_get_framecount(handle);
    const bool animation = type == mng_it_mng && frameCount != 1;

    if (!background && animation && code == MNG_NEEDTIMERWAIT) {
        // The viewer plays it: the handle stays open, drawing into image.
        g_viewerHandle = handle;
        g_viewerData = data;
        AnimationFrameTables& tables = call.result.NewFrames();
        tables.kind = ANIM_KIND_MNG;
        tables.frameCount = (int)(frameCount > 0x7FFFFFFF ? 0x7FFFFFFF : frameCount);
        tables.callerValue = (int)mng_get_layercount(handle);
        tables.loop = true;
        tables.singleDelay = false;
        tables.FrameDelayTable[0] = data->timerDelay > 1 ? data->timerDelay : 100;
        call.result.showFrames = true;
        call.result.playFrames = true;
        return true;
    }

    // Displayed to its end; an animation's thumbnail keeps its first frame.
    if (!(background && animation))
        for (int step = 0; code == MNG_NEEDTIMERWAIT && step < kMaxDisplaySteps; ++step)
            code = mng_display_resume(handle);
    if (Failed(code) || data->errorCode) {
        TakeError(*data, code, errorText);
        ReleaseHandle(handle, data);
        return false;
    }
    bool ok = true;
    if (background && !image.Copy(data->canvas)) {
        SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        ok = false;
    }
    ReleaseHandle(handle, data);
    return ok;
}

bool AdvanceMngFrame(int* delayOut) {
    if (!g_viewerHandle) return false;
    const mng_retcode code = mng_display_resume(g_viewerHandle);
    if (code == MNG_NEEDTIMERWAIT && !g_viewerData->errorCode) {
        if (delayOut) *delayOut = g_viewerData->timerDelay;
        return true;
    }
    if (Failed(code) || g_viewerData->errorCode) {
        // The viewer shows what went wrong where the animation was.
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        TakeError(*g_viewerData, code, text);
        NotifyViewerAnimation(ViewerAnimationEvent::Stop);
        DrawLoadErrorImage(*g_viewerData->target, g_viewerData->path, L"%ls", text);
    }
    ReleaseViewerAnimation();
    NotifyViewerAnimation(ViewerAnimationEvent::Ended);
    return false;
}

// ------------------------------------------------------------ writing

namespace {

MngWriterData* WriterDataOf(mng_handle handle) { return static_cast<MngWriterData*>(mng_get_userdata(handle)); }

mng_bool MNG_DECL OpenOutput(mng_handle handle) {
    MngWriterData* data = WriterDataOf(handle);
    if (data->opened) return MNG_TRUE;
    data->opened = data->out.Open(data->path);
    if (!data->opened) data->writeFailed = true;
    return data->opened ? MNG_TRUE : MNG_FALSE;
}

mng_bool MNG_DECL CloseOutput(mng_handle handle) {
    MngWriterData* data = WriterDataOf(handle);
    if (!data->opened) return MNG_TRUE;
    // A failed write or close removes the file.
    if (data->writeFailed || !data->out.Finish()) data->closeFailed = true;
    data->opened = false;
    return data->closeFailed ? MNG_FALSE : MNG_TRUE;
}

mng_bool MNG_DECL WriteOutput(mng_handle handle, mng_ptr buffer, mng_uint32 count, mng_uint32p written) {
    MngWriterData* data = WriterDataOf(handle);
    const bool ok = data->opened && data->out.Write(buffer, count);
    if (!ok) data->writeFailed = true;
    *written = ok ? count : 0;
    return ok ? MNG_TRUE : MNG_FALSE;
}

mng_bool MNG_DECL WriterError(mng_handle, mng_int32, mng_int8, mng_chunkid, mng_uint32, mng_int32, mng_int32,
                              mng_pchar) {
    return MNG_FALSE;
}

// Rows of the rectangle (x, y, w, h) of a top-down pixel block, each led by
// filter byte 0 and packed at depth from bit position x of its source row,
// compressed at level 9 into IDAT, then IEND.
bool WriteImageData(mng_handle handle, const uint8_t* rows, uint32_t stride, int depth, int x, int y, int w, int h,
                    wchar_t* errorText) {
    const uint64_t rowBytes = depth == 24 ? (uint64_t)w * 3 : ((uint64_t)w * depth + 7) / 8;
    const uint64_t raw = (rowBytes + 1) * (uint64_t)h;
    std::vector<uint8_t> source, packed;
    try {
        if (raw > 0x7FFFFFFF) throw std::bad_alloc();
        source.assign((size_t)raw, 0);
    } catch (...) {
        SetFormatError(errorText, L"Failed: allocate Mem for tmpbuffer!");
        return false;
    }
    for (int row = 0; row < h; ++row) {
        const uint8_t* in = rows + (size_t)(y + row) * stride;
        uint8_t* out = &source[(size_t)row * (size_t)(rowBytes + 1)];
        *out++ = 0;
        if (depth == 8) std::memcpy(out, in + x, (size_t)w);
        else if (depth == 24) std::memcpy(out, in + (size_t)x * 3, (size_t)w * 3);
        else {
            const int perByte = 8 / depth, mask = (1 << depth) - 1;
            for (int k = 0; k < w; ++k) {
                const int sx = x + k;
                const int value = (in[sx / perByte] >> ((perByte - 1 - sx % perByte) * depth)) & mask;
                out[k / perByte] |= (uint8_t)(value << ((perByte - 1 - k % perByte) * depth));
            }
        }
    }
    uLongf packedSize = (uLongf)(raw + raw / 1000 + 12);
    try {
        packed.resize(packedSize);
    } catch (...) {
        SetFormatError(errorText, L"Failed: allocate Mem for dstbuffer!");
        return false;
    }
    if (compress2(packed.data(), &packedSize, source.data(), (uLong)raw, 9) != Z_OK) {
        wchar_t text[128];
        _snwprintf(text, 127, L"Failed: compress2()! X%d Y%d W%d H%d", x, y, w, h);
        text[127] = 0;
        SetFormatError(errorText, text);
        return false;
    }
    if (mng_putchunk_idat(handle, (mng_uint32)packedSize, packed.data()) != MNG_NOERROR ||
        mng_putchunk_iend(handle) != MNG_NOERROR) {
        SetFormatError(errorText, L"Failed to store the image data!");
        return false;
    }
    return true;
}

// The 256 palette entries of an image as libmng takes them.
void PaletteOf(const CImage& image, mng_palette8 palette, int count) {
    std::memset(palette, 0, sizeof(mng_palette8));
    for (int i = 0; i < count && i < 256; ++i) {
        palette[i].iRed = image.palette[i][2];
        palette[i].iGreen = image.palette[i][1];
        palette[i].iBlue = image.palette[i][0];
    }
}

// A tRNS of the embedded image (palette type): index + 1 alpha bytes, 255
// but 0 at the transparent index.
bool PutTransparentIndex(mng_handle handle, int index) {
    mng_uint8arr values;
    std::memset(values, 255, sizeof values);
    values[index] = 0;
    mng_uint8arr raw;
    std::memcpy(raw, values, sizeof raw);
    return mng_putchunk_trns(handle, MNG_FALSE, MNG_FALSE, 3, (mng_uint32)(index + 1), values, 0, 0, 0, 0, 0, raw) ==
           MNG_NOERROR;
}

uint32_t PixelAt(const uint8_t* row, int x, int depth) {
    if (depth == 8) return row[x];
    const int perByte = 8 / depth;
    return (row[x / perByte] >> ((perByte - 1 - x % perByte) * depth)) & ((1 << depth) - 1);
}

}  // namespace

MngRect FindChangedRect(const uint8_t* current, const uint8_t* previous, uint32_t rowBytes, int width, int height,
                        int depth) {
    int minX = width, minY = height, maxX = -1, maxY = -1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = current + (size_t)y * rowBytes;
        const uint8_t* b = previous + (size_t)y * rowBytes;
        for (int x = 0; x < width; ++x) {
            if (PixelAt(a, x, depth) == PixelAt(b, x, depth)) continue;
            if (x < minX) minX = x;
            if (x > maxX) maxX = x;
            if (y < minY) minY = y;
            if (y > maxY) maxY = y;
        }
    }
    if (maxX < 0) return {0, 0, width, height};
    // One pixel of margin before the first change, none after the last.
    const int x0 = minX > 0 ? minX - 1 : 0;
    const int y0 = minY > 0 ? minY - 1 : 0;
    return {x0, y0, maxX + 1 - x0, maxY + 1 - y0};
}

MngWriter CreateMngWriter(MngWriterData* data) {
    if (!data) return nullptr;
    mng_handle handle = mng_initialize(data, Allocate, Release, MNG_NULL);
    if (!handle) return nullptr;
    mng_setcb_openstream(handle, OpenOutput);
    mng_setcb_closestream(handle, CloseOutput);
    mng_setcb_writedata(handle, WriteOutput);
    mng_setcb_errorproc(handle, WriterError);
    if (mng_create(handle) != MNG_NOERROR) {
        mng_cleanup(&handle);
        return nullptr;
    }
    return handle;
}

bool WriteMngHeader(MngWriter writer, uint32_t width, uint32_t height, uint32_t frameCount, uint32_t playTime) {
    mng_handle handle = static_cast<mng_handle>(writer);
    return handle &&
           mng_putchunk_mhdr(handle, width, height, 100, frameCount + 1, frameCount, playTime, 15) == MNG_NOERROR &&
           mng_putchunk_term(handle, 3, 2, 0, 0x7FFFFFFF) == MNG_NOERROR;
}

bool WriteMngFrame(MngWriter writer, CImage& image, int frameIndex, int frameCount, int delay, wchar_t* errorText) {
    mng_handle handle = static_cast<mng_handle>(writer);
    const int depth = image.GetBpp();
    if (!handle || (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
        SetFormatError(errorText, L"Only images of 1, 4, 8 or 24 bits can be written as MNG frames!");
        return false;
    }
    const bool transparent = depth <= 8 && image.hasTransparency;
    bool ok = mng_putchunk_fram(handle, MNG_FALSE, transparent ? 3 : 1, 0, nullptr, 2, 0, 0, 0, (mng_uint32)delay, 0, 0,
                                0, 0, 0, 0, 0, nullptr) == MNG_NOERROR &&
              mng_putchunk_defi(handle, 0, 0, 0, MNG_TRUE, 0, 0, MNG_FALSE, 0, 0, 0, 0) == MNG_NOERROR &&
              mng_putchunk_ihdr(handle, image.width, image.height, (mng_uint8)(depth == 24 ? 8 : depth),
                                depth == 24 ? 2 : 3, 0, 0, 0) == MNG_NOERROR;
    if (ok && depth <= 8) {
        mng_palette8 palette;
        PaletteOf(image, palette, 1 << depth);
        ok = mng_putchunk_plte(handle, (mng_uint32)(1 << depth), palette) == MNG_NOERROR;
        if (ok && transparent) ok = PutTransparentIndex(handle, image.transparentIndex);
    }
    if (!ok) {
        SetFormatError(errorText, L"Failed to store the frame's chunks!");
        return false;
    }
    GdiFlush();
    return WriteImageData(handle, image.bits, image.stride, depth, 0, 0, (int)image.width, (int)image.height,
                          errorText);
}

bool FinishMngWriter(MngWriter writer, wchar_t* errorText) {
    mng_handle handle = static_cast<mng_handle>(writer);
    if (!handle) return false;
    MngWriterData* data = WriterDataOf(handle);
    bool ok = mng_putchunk_mend(handle) == MNG_NOERROR;
    ok = mng_write(handle) == MNG_NOERROR && ok;
    // A stream libmng left open is closed (and removed after a failure) here.
    if (data->opened) CloseOutput(handle);
    ok = ok && !data->writeFailed && !data->closeFailed;
    mng_cleanup(&handle);
    if (!ok) {
        data->out.Finish();
        DeleteFileW(data->path);
        SetFormatError(errorText, L"Failed to write the MNG file!");
    }
    return ok;
}

namespace {

struct GifFrames {
    CImage image;  // every frame's slot, top row first, palette pixels
    std::unique_ptr<AnimationFrameTables> tables;
    int globalColorCount = 0;
    int frameCount = 0;
    int slots = 0;  // slots in the buffer (frames past the decoded ones stay empty at its start)
    uint32_t slotRows = 0;
    // An animation with local colour tables: each frame's own table and
    // rectangle, and the global PLTE written (what an empty PLTE stands for).
    std::unique_ptr<GifMngPalettes> palettes;
    mng_palette8 global;
    int globalCount = 0;
};

void PaletteOfRgb(const uint8_t* rgb, mng_palette8 palette, int count) {
    std::memset(palette, 0, sizeof(mng_palette8));
    for (int i = 0; i < count && i < 256; ++i) {
        palette[i].iRed = rgb[i * 3];
        palette[i].iGreen = rgb[i * 3 + 1];
        palette[i].iBlue = rgb[i * 3 + 2];
    }
}

bool SamePalette(const mng_palette8 a, const mng_palette8 b, int count) {
    for (int i = 0; i < count; ++i)
        if (a[i].iRed != b[i].iRed || a[i].iGreen != b[i].iGreen || a[i].iBlue != b[i].iBlue) return false;
    return true;
}

// A frame of an animation with local colour tables: its own rectangle (the
// whole screen for frame 0 and after disposal 2), a PLTE of its own where its
// table is not the global one or it has a transparent index, tRNS for that
// index. A frame that drew nothing is one transparent pixel.
bool WriteGifFrameOwnTable(mng_handle handle, GifFrames& gif, int i, const uint8_t* pixels, int disposal,
                           wchar_t* errorText) {
    CImage& image = gif.image;
    const GifMngPalettes::Frame& frame = gif.palettes->frames[(size_t)i];
    MngRect rect{0, 0, (int)image.width, (int)gif.slotRows};
    if (i > 0 && disposal != 2) rect = {frame.left, frame.top, frame.width, frame.height};
    const bool nothing = rect.width <= 0 || rect.height <= 0;
    const int t = nothing ? 0 : frame.transparentIndex;
    const bool transparent = t >= 0 && t < 256;
    mng_palette8 palette;
    int count = nothing ? 1 : frame.entries < 1 || frame.entries > 256 ? 256 : frame.entries;
    if (transparent && count <= t) count = t + 1;
    PaletteOfRgb(frame.rgb, palette, count);
    const bool own = transparent || count > gif.globalCount || !SamePalette(palette, gif.global, count);
    bool ok = mng_putchunk_defi(handle, 0, 0, 0, MNG_TRUE, nothing ? 0 : rect.x, nothing ? 0 : rect.y, MNG_FALSE, 0, 0,
                                0, 0) == MNG_NOERROR &&
              mng_putchunk_ihdr(handle, nothing ? 1 : (mng_uint32)rect.width, nothing ? 1 : (mng_uint32)rect.height,
                                (mng_uint8)image.GetBpp(), 3, 0, 0, 0) == MNG_NOERROR &&
              mng_putchunk_plte(handle, own ? (mng_uint32)count : 0, palette) == MNG_NOERROR;
    if (ok && transparent) ok = PutTransparentIndex(handle, t);

    if (!ok) {
        SetFormatError(errorText, L"Failed to store the frame's chunks!");
        return false;
    }
    if (nothing) {
        const uint8_t zero[4] = {};
        return WriteImageData(handle, zero, 4, 8, 0, 0, 1, 1, errorText);
    }
    return WriteImageData(handle, pixels, image.stride, image.GetBpp(), rect.x, rect.y, rect.width, rect.height,
                          errorText);
}

// One frame i of F as an embedded image: DEFI (not for a lone frame: libmng
// takes no chunk before a header), IHDR, PLTE (the global one's contents for a
// lone frame, else empty), tRNS for a lone transparent frame, IDAT, IEND.
bool WriteGifFrameAsMng(mng_handle handle, GifFrames& gif, int i, wchar_t* errorText) {
    CImage& image = gif.image;
    const int F = gif.frameCount, depth = image.GetBpp();
    const int width = (int)image.width, height = (int)gif.slotRows;
    const int slot = gif.slots - 1 - i;
    const uint8_t* pixels = image.bits + (size_t)slot * gif.slotRows * image.stride;
    const int disposal = slot < AnimationFrameTables::kMaxFrames ? gif.tables->DisposalTable[slot] : 1;
    if (F > 1 && gif.palettes && (size_t)i < gif.palettes->frames.size())
        return WriteGifFrameOwnTable(handle, gif, i, pixels, disposal, errorText);
    MngRect rect{0, 0, width, height};
    if (i > 0 && disposal != 2)
        rect =
            FindChangedRect(pixels, pixels + (size_t)gif.slotRows * image.stride, image.stride, width, height, depth);
    bool ok = true;
    if (F > 1) ok = mng_putchunk_defi(handle, 0, 0, 0, MNG_TRUE, rect.x, rect.y, MNG_FALSE, 0, 0, 0, 0) == MNG_NOERROR;
    ok = ok && mng_putchunk_ihdr(handle, (mng_uint32)rect.width, (mng_uint32)rect.height, (mng_uint8)depth, 3, 0, 0,
                                 0) == MNG_NOERROR;
    mng_palette8 palette;
    if (F == 1) {
        int count = gif.globalColorCount;
        if (count == 16 && depth == 8) count = 256;
        if (count < 1 || count > 256) count = 1 << depth;
        PaletteOf(image, palette, count);
        ok = ok && mng_putchunk_plte(handle, (mng_uint32)count, palette) == MNG_NOERROR;
        const int t = gif.tables->TransparentTable[0];
        if (ok && t >= 0 && t < 256) ok = PutTransparentIndex(handle, t);

    } else {
        // The global palette (an empty PLTE); a frame with a transparent
        // index carries the palette itself and a tRNS of its own (a global
        // one would hide that index in every frame, and a tRNS after an empty
        // PLTE is refused by PNG checkers).
        const int t = slot < AnimationFrameTables::kMaxFrames ? gif.tables->TransparentTable[slot] : -1;
        const bool transparent = t >= 0 && t < 256;
        int count = 0;
        if (transparent) {
            count = gif.globalColorCount;
            if (count == 16 && depth == 8) count = 256;
            if (count < 1 || count > 256) count = 1 << depth;
            if (count <= t) count = t + 1;
        }
        PaletteOf(image, palette, count);
        ok = ok && mng_putchunk_plte(handle, (mng_uint32)count, palette) == MNG_NOERROR;
        if (ok && transparent) ok = PutTransparentIndex(handle, t);
    }
    if (!ok) {
        SetFormatError(errorText, L"Failed to store the frame's chunks!");
        return false;
    }
    return WriteImageData(handle, pixels, image.stride, depth, rect.x, rect.y, rect.width, rect.height, errorText);
}

bool ReadGifFrames(const wchar_t* source, GifFrames& gif, wchar_t* errorText) {
    LoadCall call(LoadPurpose::Background);
    call.request.gifToMng = true;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    if (!LoadGif(gif.image, source, text, call) || !call.result.frames || !gif.image.IsValid()) {
        wchar_t message[FORMAT_ERROR_CHARS];
        _snwprintf(message, FORMAT_ERROR_CHARS - 1, L"GIF2MNG: Failed to load: %ls, Err:%ls", source, text);
        message[FORMAT_ERROR_CHARS - 1] = 0;
        SetFormatError(errorText, message);
        return false;
    }
    gif.tables = std::move(call.result.frames);
    gif.globalColorCount = call.result.globalColorCount;
    gif.palettes = std::move(call.result.gifPalettes);
    gif.frameCount = gif.tables->frameCount < 1 ? 1 : gif.tables->frameCount;
    gif.slotRows = gif.image.height;
    DIBSECTION section{};
    const int rows = GetObjectW(gif.image.bitmap, sizeof section, &section) == sizeof section
                         ? std::abs((int)section.dsBm.bmHeight)
                         : (int)gif.image.height;
    gif.slots = gif.slotRows ? rows / (int)gif.slotRows : 0;
    if (gif.slots < gif.frameCount) {
        SetFormatError(errorText, L"GIF2MNG: the frames do not fit the picture!");
        return false;
    }
    return true;
}

bool ConvertGifToMng(const wchar_t* target, const wchar_t* source, wchar_t* errorText) {
    auto gif = std::make_unique<GifFrames>();
    if (!ReadGifFrames(source, *gif, errorText)) return false;
    auto data = std::unique_ptr<MngWriterData>(new (std::nothrow) MngWriterData);
    if (!data) {
        SetFormatError(errorText, L"Cannot allocate data buffer.");
        return false;
    }
    CopyStringW(data->path, target, MAX_PATH);
    MngWriter writer = CreateMngWriter(data.get());
    if (!writer) {
        SetFormatError(errorText, L"Failed: mng_initialize()");
        return false;
    }
    mng_handle handle = static_cast<mng_handle>(writer);
    const AnimationFrameTables& tables = *gif->tables;
    const int F = gif->frameCount;
    bool ok = true;
    if (F == 1) {
        ok = WriteGifFrameAsMng(handle, *gif, 0, errorText);
    } else {
        uint32_t playTime = 0;
        for (int i = 0; i < F; ++i) playTime += (uint32_t)tables.GetFrameDelay(gif->slots - 1 - i);
        ok = WriteMngHeader(writer, gif->image.width, gif->slotRows, (uint32_t)F, playTime);
        const int depth = gif->image.GetBpp();
        int count = gif->globalColorCount;
        if (count == 16 && depth == 8) count = 256;
        if (count < 1 || count > 256) count = 1 << depth;
        // The GIF's global table where frames have tables of their own.
        if (gif->palettes && gif->palettes->hasGlobal) {
            count = gif->palettes->globalEntries;
            PaletteOfRgb(gif->palettes->global, gif->global, count);
        } else {
            PaletteOf(gif->image, gif->global, count);
        }
        gif->globalCount = count;
        ok = ok && mng_putchunk_plte(handle, (mng_uint32)count, gif->global) == MNG_NOERROR;
        if (!ok) SetFormatError(errorText, L"Failed to store the animation's chunks!");
        for (int i = 0; ok && i < F; ++i) {
            const int slot = gif->slots - 1 - i;
            const int disposal = slot < AnimationFrameTables::kMaxFrames ? tables.DisposalTable[slot] : 1;
            ok = mng_putchunk_fram(handle, MNG_FALSE, disposal == 2 ? 3 : 1, 0, nullptr, 2, 0, 0, 0,
                                   (mng_uint32)tables.GetFrameDelay(slot), 0, 0, 0, 0, 0, 0, 0, nullptr) == MNG_NOERROR;
            if (!ok) SetFormatError(errorText, L"Failed to store the frame's chunks!");
            ok = ok && WriteGifFrameAsMng(handle, *gif, i, errorText);
        }
        if (ok) ok = mng_putchunk_mend(handle) == MNG_NOERROR;
    }
    if (!ok) {
        mng_cleanup(&handle);
        return false;
    }
    // An animation ends with its MEND; a lone frame is written as a PNG stream.
    if (mng_write(handle) != MNG_NOERROR) ok = false;
    if (data->opened) CloseOutput(handle);
    ok = ok && !data->writeFailed && !data->closeFailed;
    mng_cleanup(&handle);
    if (!ok) {
        DeleteFileW(target);
        SetFormatError(errorText, L"Failed to write the MNG file!");
    }
    return ok;
}

}  // namespace

bool SaveMng(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    const JpegSaveOptions& source = options.jpeg;
    if (source.sourceFormat == FMT_GIF && source.sourcePath && *source.sourcePath && options.sourceUnchanged)
        return ConvertGifToMng(path, source.sourcePath, errorText);
    return SavePng(path, image, errorText, options.pngInterlace ? 1 : 0);
}
