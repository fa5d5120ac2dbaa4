#include "exif/ExifJpeg.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <jerror.h>

// ---- image buffer ----

void InitExifImageBuffer(ExifImageBuffer* buffer) {
    memset(buffer, 0, sizeof(*buffer));
    for (auto& c : buffer->channel) {
        c.kind = EXIF_KIND_RGB;
        c.factorX = 1;
        c.factorY = 1;
    }
}

int AllocExifImageBuffer(const ExifImageInfo& info, ExifImageBuffer* buffer) {
    uint32_t channels = info.components;
    if (channels == 0 || channels > 4) return EXIF_NO_MEMORY;
    uint64_t bytes = static_cast<uint64_t>(channels) * info.width * info.height;
    if (bytes == 0 || bytes > 0x7FFFFFFFu) return EXIF_NO_MEMORY;
    uint8_t* block = static_cast<uint8_t*>(malloc(static_cast<size_t>(bytes)));
    if (!block) return EXIF_NO_MEMORY;
    buffer->channels = channels;
    buffer->width = info.width;
    buffer->height = info.height;
    buffer->reserved = 0;
    for (uint32_t i = 0; i < channels; ++i) {
        ExifChannelInfo& c = buffer->channel[i];
        c.kind = EXIF_KIND_RGB;
        c.reserved = 0;
        c.factorX = 1;
        c.factorY = 1;
        c.sampleStep = static_cast<int32_t>(channels);
        c.rowStep = static_cast<int32_t>(channels * info.width);
        c.data = block + i;
    }
    return EXIF_OK;
}

int FreeExifImageBuffer(ExifImageBuffer* buffer) {
    if (buffer && buffer->channel[0].data) {
        free(buffer->channel[0].data);
        for (auto& c : buffer->channel) c.data = nullptr;
    }
    return EXIF_OK;
}

uint8_t ExifColorCodeOfBuffer(const ExifImageBuffer* buffer) {
    uint32_t kind = buffer->channel[0].kind;
    if (kind == EXIF_KIND_BGR) return EXIF_COLOR_BGR;
    if (kind == EXIF_KIND_YCBCR) return EXIF_COLOR_YCBCR;
    return buffer->channels == 1 ? EXIF_COLOR_GRAY : EXIF_COLOR_RGB;
}

static J_COLOR_SPACE ColorSpaceOf(uint8_t code) {
    if (code == EXIF_COLOR_YCBCR) return JCS_YCbCr;
    if (code == EXIF_COLOR_GRAY) return JCS_GRAYSCALE;
    return JCS_RGB;
}

static J_DCT_METHOD DctOf(int method) {
    if (method == 0) return JDCT_ISLOW;
    if (method == 2) return JDCT_FLOAT;
    return JDCT_IFAST;
}

static int MapDct(int method) { return method == 0 || method == 2 ? method : 1; }

// ---- error trap ----

static void TrapErrorExit(j_common_ptr cinfo) {
    ExifJpegErrorTrap* trap = reinterpret_cast<ExifJpegErrorTrap*>(cinfo->err);
    cinfo->err->format_message(cinfo, trap->message);
    *trap->code = EXIF_ERROR;
    longjmp(trap->jump, 1);
}

// Warnings end the operation like errors; trace messages are ignored.
static void TrapEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) cinfo->err->error_exit(cinfo);
}

static void TrapOutputMessage(j_common_ptr) {}

static void InstallTrap(ExifJpegErrorTrap& trap, int* code, char* message) {
    jpeg_std_error(&trap.pub);
    trap.pub.error_exit = TrapErrorExit;
    trap.pub.emit_message = TrapEmitMessage;
    trap.pub.output_message = TrapOutputMessage;
    trap.code = code;
    trap.message = message;
}

// ---- memory source ----

namespace {
const uint32_t kSourceChunk = 60000;

struct MemorySource {
    jpeg_source_mgr pub;
    const uint8_t* block;
    uint32_t size;
    JOCTET* work;
    bool startOfFile;
    uint32_t consumed;
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void SourceInit(j_decompress_ptr cinfo) { reinterpret_cast<MemorySource*>(cinfo->src)->startOfFile = true; }

boolean SourceFill(j_decompress_ptr cinfo) {
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    uint32_t remaining = src->size - src->consumed;
    if (remaining == 0) {
        // The block is exhausted: offer an end-of-image marker (a warning, so
        // the trap turns a truncated stream into an error).
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kFakeEoi;
        src->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    uint32_t n;
    if (remaining < kSourceChunk) n = remaining;
    else n = src->size > kSourceChunk ? 59950 : src->size;
    memcpy(src->work, src->block + src->consumed, n);
    src->consumed += n;
    src->pub.next_input_byte = src->work;
    src->pub.bytes_in_buffer = n;
    src->startOfFile = false;
    return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long n) {
    if (n <= 0) return;
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    while (n > static_cast<long>(src->pub.bytes_in_buffer)) {
        n -= static_cast<long>(src->pub.bytes_in_buffer);
        SourceFill(cinfo);
    }
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
}

void SourceTerm(j_decompress_ptr) {}

// ---- memory destination ----

const uint32_t kDestChunk = 4096;

struct MemoryDestination {
    jpeg_destination_mgr pub;
    JOCTET* work;
    ExifJpegCompress* owner;
};

void DestInit(j_compress_ptr cinfo) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->work = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kDestChunk));
    dest->pub.next_output_byte = dest->work;
    dest->pub.free_in_buffer = kDestChunk;
}

void DestCopy(j_compress_ptr cinfo, uint32_t n) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    ExifJpegCompress* owner = dest->owner;
    uint64_t end = static_cast<uint64_t>(owner->memWritten) + n;
    if (end > owner->memCapacity) ERREXIT(cinfo, JERR_BUFFER_SIZE);
    memcpy(owner->memBlock + owner->memWritten, dest->work, n);
    owner->memWritten = static_cast<uint32_t>(end);
}

boolean DestEmpty(j_compress_ptr cinfo) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    DestCopy(cinfo, kDestChunk);
    dest->pub.next_output_byte = dest->work;
    dest->pub.free_in_buffer = kDestChunk;
    return TRUE;
}

void DestTerm(j_compress_ptr cinfo) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    DestCopy(cinfo, kDestChunk - static_cast<uint32_t>(dest->pub.free_in_buffer));
}
}  // namespace

void JpegMemorySource(j_decompress_ptr cinfo, const uint8_t* block, uint32_t size) {
    if (!cinfo->src) {
        cinfo->src = static_cast<jpeg_source_mgr*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
        MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
        src->work = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kSourceChunk));
    }
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    src->pub.init_source = SourceInit;
    src->pub.fill_input_buffer = SourceFill;
    src->pub.skip_input_data = SourceSkip;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = SourceTerm;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->block = block;
    src->size = size;
    src->consumed = 0;
    src->startOfFile = true;
}

void JpegMemoryDestination(j_compress_ptr cinfo, ExifJpegCompress* owner) {
    if (!cinfo->dest) {
        cinfo->dest = static_cast<jpeg_destination_mgr*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemoryDestination)));
    }
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->pub.init_destination = DestInit;
    dest->pub.empty_output_buffer = DestEmpty;
    dest->pub.term_destination = DestTerm;
    dest->owner = owner;
    owner->memWritten = 0;
}

// ---- compressor ----

ExifJpegCompress::ExifJpegCompress() {
    memset(&cinfo, 0, sizeof(cinfo));
    InstallTrap(trap, &errorCode, message);
}

ExifJpegCompress::~ExifJpegCompress() {
    Destroy();
    free(swapRows);
    free(rowPointers);
}

void ExifJpegCompress::Destroy() {
    if (created) {
        jpeg_destroy_compress(&cinfo);
        created = false;
    }
}

int ExifJpegCompress::Configure() {
    errorCode = 0;
    Destroy();
    InstallTrap(trap, &errorCode, message);
    cinfo.err = &trap.pub;
    if (setjmp(trap.jump)) {
        Destroy();
        return errorCode ? errorCode : EXIF_ERROR;
    }
    jpeg_create_compress(&cinfo);
    created = true;
    if (stream) {
        jpeg_stdio_dest(&cinfo, stream);
    } else if (memBlock) {
        JpegMemoryDestination(&cinfo, this);
    } else {
        ERREXIT(&cinfo, JERR_BUFFER_SIZE);
    }
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = ColorSpaceOf(colorCode);
    jpeg_set_defaults(&cinfo);
    cinfo.smoothing_factor = smoothing;
    cinfo.optimize_coding = optimizeCoding ? TRUE : FALSE;
    if (progressive) jpeg_simple_progression(&cinfo);
    cinfo.write_JFIF_header = writeJfif ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = DctOf(dctMethod);
    bool any = quantStored[0] || quantStored[1] || quantStored[2];
    if (any) {
        int q = tableQualitySet ? tableQuality : quality;
        if (q < 1) q = 1;
        if (q > 100) q = 100;
        int scale = q >= 50 ? 200 - 2 * q : 5000 / q;
        for (int i = 0; i < 3; ++i) {
            if (!quantStored[i]) continue;
            unsigned int table[64];
            for (int k = 0; k < 64; ++k) table[k] = quantTables[i][k];
            jpeg_add_quant_table(&cinfo, i, table, scale, TRUE);
        }
        if (cinfo.num_components > 2) cinfo.comp_info[2].quant_tbl_no = 2;
    }
    return EXIF_OK;
}

int ExifJpegCompress::Start() {
    rowsWritten = 0;
    // The chunk count and sequence numbers of the APP2 profile chunks are single bytes.
    if (!icc.empty() && (icc.size() + 65511) / 65512 > 255) {
        strcpy(message, "ICC profile too large for 255 APP2 chunks");
        errorCode = EXIF_ERROR;
        return EXIF_ERROR;
    }
    int status = Configure();
    if (status != EXIF_OK) return status;
    if (setjmp(trap.jump)) {
        Destroy();
        return errorCode ? errorCode : EXIF_ERROR;
    }
    jpeg_start_compress(&cinfo, TRUE);
    state = 1;
    if (!icc.empty()) return WriteIccProfile();
    return EXIF_OK;
}

int ExifJpegCompress::WriteScanLines(uint8_t* rows, int32_t rowStep, uint32_t count, uint16_t* writtenNow,
                                     uint32_t* total) {
    if (writtenNow) *writtenNow = 0;
    if (state != 1 || !created) return EXIF_ERROR;
    free(swapRows);
    swapRows = nullptr;
    free(rowPointers);
    rowPointers = static_cast<JSAMPROW*>(malloc(sizeof(JSAMPROW) * (count ? count : 1)));
    if (!rowPointers) return EXIF_NO_MEMORY;
    uint32_t rowBytes = width * components;
    if (colorCode == EXIF_COLOR_BGR) {
        swapRows = static_cast<uint8_t*>(malloc(static_cast<size_t>(rowBytes) * (count ? count : 1)));
        if (!swapRows) return EXIF_NO_MEMORY;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* src = rows + static_cast<ptrdiff_t>(rowStep) * i;
        if (swapRows) {
            uint8_t* dst = swapRows + static_cast<size_t>(rowBytes) * i;
            memcpy(dst, src, rowBytes);
            for (uint32_t x = 0; x + 2 < rowBytes; x += 3) {
                uint8_t t = dst[x];
                dst[x] = dst[x + 2];
                dst[x + 2] = t;
            }
            rowPointers[i] = dst;
        } else {
            rowPointers[i] = src;
        }
    }
    if (setjmp(trap.jump)) {
        jpeg_abort_compress(&cinfo);
        state = 0;
        return errorCode ? errorCode : EXIF_ERROR;
    }
    JDIMENSION done = jpeg_write_scanlines(&cinfo, rowPointers, count);
    rowsWritten += done;
    if (writtenNow) *writtenNow = static_cast<uint16_t>(done);
    if (total) *total = rowsWritten;
    free(swapRows);
    swapRows = nullptr;
    free(rowPointers);
    rowPointers = nullptr;
    return EXIF_OK;
}

int ExifJpegCompress::Finish() {
    if (!created) return state == 2 ? EXIF_OK : EXIF_ERROR;
    if (setjmp(trap.jump)) {
        Destroy();
        state = 2;
        return errorCode ? errorCode : EXIF_ERROR;
    }
    if (state == 1) jpeg_finish_compress(&cinfo);
    if (stream && fflush(stream) != 0) {
        Destroy();
        state = 2;
        strcpy(message, "Output file write error");
        return errorCode = EXIF_SHORT_WRITE;
    }
    Destroy();
    state = 2;
    return EXIF_OK;
}

int ExifJpegCompress::SetQuantTable(int index, const uint16_t* values, int q) {
    if (q != 0) {
        tableQualitySet = true;
        tableQuality = q;
    }
    if (index >= 0 && index < 4 && values) {
        memcpy(quantTables[index], values, sizeof(quantTables[index]));
        quantStored[index] = true;
    }
    customTables = true;
    return EXIF_OK;
}

int ExifJpegCompress::SetIccProfile(const uint8_t* bytes, uint32_t length) {
    try {
        if (bytes && length) icc.assign(bytes, bytes + length);
        else icc.clear();
    } catch (...) {
        icc.clear();
        return EXIF_NO_MEMORY;
    }
    return EXIF_OK;
}

int ExifJpegCompress::WriteIccProfile() {
    const uint32_t kChunk = 65512;
    uint8_t* work = static_cast<uint8_t*>(malloc(65536));
    if (!work) return EXIF_ERROR;
    size_t length = icc.size();
    uint8_t chunks = static_cast<uint8_t>((length + kChunk - 1) / kChunk);
    if (setjmp(trap.jump)) {
        free(work);
        jpeg_abort_compress(&cinfo);
        state = 0;
        return errorCode ? errorCode : EXIF_ERROR;
    }
    size_t done = 0;
    uint8_t sequence = 1;
    while (done < length) {
        uint32_t n = static_cast<uint32_t>(length - done < kChunk ? length - done : kChunk);
        memcpy(work, "ICC_PROFILE", 12);
        work[12] = sequence++;
        work[13] = chunks;
        memcpy(work + 14, icc.data() + done, n);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 2, work, n + 14);
        done += n;
    }
    free(work);
    return EXIF_OK;
}

// ---- decompressor ----

ExifJpegDecompress::ExifJpegDecompress() {
    memset(&dinfo, 0, sizeof(dinfo));
    InstallTrap(trap, &errorCode, message);
    dinfo.err = &trap.pub;
    if (setjmp(trap.jump)) return;  // creation only fails when memory runs out
    jpeg_create_decompress(&dinfo);
}

ExifJpegDecompress::~ExifJpegDecompress() {
    if (dinfo.mem) jpeg_destroy_decompress(&dinfo);
    free(rowBuffer);
}

int ExifJpegDecompress::ReadHeader(uint32_t* w, uint32_t* h, uint16_t* c) {
    if (headerRead) return EXIF_OK;
    if (!dinfo.mem) return EXIF_NO_MEMORY;
    if (!memBlock && !stream) return EXIF_SHORT_READ;
    errorCode = 0;
    if (setjmp(trap.jump)) {
        jpeg_abort_decompress(&dinfo);
        return 3;
    }
    if (!sourceSet) {
        if (memBlock) {
            JpegMemorySource(&dinfo, memBlock, memSize);
        } else {
            fseek(stream, 0, SEEK_SET);
            jpeg_stdio_src(&dinfo, stream);
        }
        sourceSet = true;
    }
    if (jpeg_read_header(&dinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_abort_decompress(&dinfo);
        return 3;
    }
    width = dinfo.image_width;
    height = dinfo.image_height;
    components = static_cast<uint16_t>(dinfo.num_components);
    bitsPerSample = static_cast<uint16_t>(dinfo.data_precision);
    colorCode = dinfo.out_color_space == JCS_GRAYSCALE ? EXIF_COLOR_GRAY : EXIF_COLOR_RGB;
    outputWidth = width;
    outputHeight = height;
    headerRead = true;
    if (w) *w = width;
    if (h) *h = height;
    if (c) *c = components;
    return EXIF_OK;
}

int ExifJpegDecompress::SetScale(int scale) {
    switch (scale) {
    case 1: scaleIndex = 0; break;
    case 2: scaleIndex = 1; break;
    case 4: scaleIndex = 2; break;
    case 8: scaleIndex = 3; break;
    default: break;
    }
    return EXIF_OK;
}

int ExifJpegDecompress::GetScaledSize(int index, uint32_t* w, uint32_t* h) {
    if (index < 0 || index > 3) index = 0;
    uint32_t add = (1u << index) - 1;
    if (w) *w = static_cast<uint32_t>((static_cast<uint64_t>(width) + add) >> index);
    if (h) *h = static_cast<uint32_t>((static_cast<uint64_t>(height) + add) >> index);
    return EXIF_OK;
}

int ExifJpegDecompress::Start() {
    errorCode = 0;
    if (!headerRead) {
        int status = ReadHeader(nullptr, nullptr, nullptr);
        if (status != EXIF_OK) return EXIF_ERROR;
    }
    if (setjmp(trap.jump)) {
        jpeg_abort_decompress(&dinfo);
        headerRead = false;
        state = 0;
        return errorCode ? errorCode : EXIF_ERROR;
    }
    dinfo.scale_num = 1;
    dinfo.scale_denom = 1u << scaleIndex;
    dinfo.dct_method = DctOf(dctMethod);
    dinfo.out_color_space = colorCode == EXIF_COLOR_GRAY    ? JCS_GRAYSCALE
                            : colorCode == EXIF_COLOR_YCBCR ? JCS_YCbCr
                                                            : JCS_RGB;
    jpeg_calc_output_dimensions(&dinfo);
    jpeg_start_decompress(&dinfo);
    outputWidth = dinfo.output_width;
    outputHeight = dinfo.output_height;
    free(rowBuffer);
    rowBuffer = static_cast<uint8_t*>(malloc(static_cast<size_t>(dinfo.output_components) * outputWidth + 16));
    if (!rowBuffer) ERREXIT(&dinfo, JERR_OUT_OF_MEMORY);
    state = 1;
    return EXIF_OK;
}

int ExifJpegDecompress::ReadScanLines(uint8_t* rows, uint32_t count, int32_t rowStep, uint16_t* rowsRead,
                                      uint32_t* nextRow) {
    if (rowsRead) *rowsRead = 0;
    if (state != 1) return EXIF_ERROR;
    // Kept in members: locals of this frame are not reliable after the trap springs.
    pendingRows = rows;
    pendingCount = count;
    pendingStep = rowStep;
    pendingDone = 0;
    if (setjmp(trap.jump)) {
        jpeg_abort_decompress(&dinfo);
        headerRead = false;
        state = 0;
        return errorCode ? errorCode : EXIF_ERROR;
    }
    uint32_t rowBytes = static_cast<uint32_t>(dinfo.output_components) * outputWidth;
    JSAMPROW row = rowBuffer;
    while (pendingDone < pendingCount && dinfo.output_scanline < dinfo.output_height) {
        if (jpeg_read_scanlines(&dinfo, &row, 1) != 1) break;
        uint8_t* dst = pendingRows + static_cast<ptrdiff_t>(pendingStep) * pendingDone;
        if (colorCode == EXIF_COLOR_BGR) {
            for (uint32_t x = 0; x + 2 < rowBytes; x += 3) {
                dst[x] = rowBuffer[x + 2];
                dst[x + 1] = rowBuffer[x + 1];
                dst[x + 2] = rowBuffer[x];
            }
        } else {
            memcpy(dst, rowBuffer, rowBytes);
        }
        ++pendingDone;
    }
    if (rowsRead) *rowsRead = static_cast<uint16_t>(pendingDone);
    if (nextRow) *nextRow = dinfo.output_scanline;
    return EXIF_OK;
}

int ExifJpegDecompress::Finish() {
    if (setjmp(trap.jump)) {
        jpeg_abort_decompress(&dinfo);
        headerRead = false;
        state = 2;
        return errorCode ? errorCode : EXIF_ERROR;
    }
    if (state != 2) jpeg_finish_decompress(&dinfo);
    headerRead = false;
    sourceSet = false;  // a second pass starts from the beginning of the stream
    state = 2;
    return EXIF_OK;
}

int IsJpegStream(ExifFileHandle* handle) {
    uint8_t head[12];
    if (!handle || !handle->SeekTo(0)) return 1;
    if (!handle->ReadAll(head, 12)) return 1;
    return head[0] == 0xFF && head[1] == 0xD8 ? 0 : 1;
}

// ---- JPEG image ----

ExifJpegImage::~ExifJpegImage() {
    delete compressor;
    delete decompressor;
    compressor = nullptr;
    decompressor = nullptr;
}

int ExifJpegImage::Close() { return ExifOpenFile::Close(); }

int ExifJpegImage::Open(const char*) {
    if (!handle) return EXIF_ERROR;
    ExifHandleIO* io = handle->io;
    if (handle->mode == EXIF_MODE_READ || handle->mode == EXIF_MODE_UPDATE) {
        delete decompressor;
        decompressor = new (std::nothrow) ExifJpegDecompress;
        if (!decompressor) return EXIF_NO_MEMORY;
        decompressStarted = 0;
        if (io && io->Buffer()) {
            decompressor->memBlock = io->Buffer();
            decompressor->memSize = static_cast<uint32_t>(io->Size());
        } else if (handle->file) {
            handle->SeekTo(0);
            decompressor->stream = handle->file;
        }
        uint32_t w = 0, h = 0;
        uint16_t c = 0;
        if (decompressor->ReadHeader(&w, &h, &c) != EXIF_OK) return EXIF_ERROR;
        info.width = w;
        info.height = h;
        info.components = c;
        info.bitsPerSample = decompressor->bitsPerSample;
        for (int k = 0; k < 4; ++k) decompressor->GetScaledSize(k, &outputSize[k][0], &outputSize[k][1]);
    }
    if (handle->mode == EXIF_MODE_WRITE || handle->mode == EXIF_MODE_UPDATE) {
        delete compressor;
        compressor = new (std::nothrow) ExifJpegCompress;
        if (!compressor) return EXIF_NO_MEMORY;
        compressStarted = 0;
        if (io && io->Buffer()) {
            compressor->memBlock = io->Buffer();
            compressor->memCapacity = io->Capacity();
        } else {
            compressor->stream = handle->file;
        }
    }
    return EXIF_OK;
}

int ExifJpegImage::SetImageInfo(const ExifImageInfo& i) {
    info = i;
    return EXIF_OK;
}

int ExifJpegImage::SetDctMethod(int method) {
    dctMethod = method;
    return EXIF_OK;
}

int ExifJpegImage::SetQuality(uint16_t q) {
    if (q <= 100) quality = q;
    return EXIF_OK;
}

int ExifJpegImage::SetSmoothing(uint16_t s) {
    if (s <= 100) smoothing = s;
    return EXIF_OK;
}

int ExifJpegImage::SetOptimizeCoding(uint8_t flag) {
    optimizeCoding = flag;
    return EXIF_OK;
}

int ExifJpegImage::SetProgressive(uint8_t flag) {
    progressive = flag;
    return EXIF_OK;
}

int ExifJpegImage::GetOutputSize(int s, uint32_t* width, uint32_t* height) {
    if (decompressStarted) return EXIF_ERROR;
    scale = static_cast<uint16_t>(s);
    int k = s == 2 ? 1 : s == 4 ? 2 : s == 8 ? 3 : 0;
    if (width) *width = outputSize[k][0];
    if (height) *height = outputSize[k][1];
    return EXIF_OK;
}

int ExifJpegImage::SetCodingTables(const uint8_t* const quant[4], const uint8_t* const huff[4], uint32_t key) {
    if (tablesSet && key != tableKey) return EXIF_ERROR;
    try {
        for (int i = 0; i < 4; ++i) {
            quantRecords[i].clear();
            huffRecords[i].clear();
            if (quant && quant[i]) quantRecords[i].assign(quant[i], quant[i] + 130);
            if (huff && huff[i]) huffRecords[i].assign(huff[i], huff[i] + 273);
        }
    } catch (...) { return EXIF_NO_MEMORY; }
    tableKey = key;
    tablesSet = 1;
    return EXIF_OK;
}

int ExifJpegImage::SetQuantTable(int index, const uint8_t* table) {
    if (!compressor) return EXIF_ERROR;
    uint16_t values[64];
    memcpy(values, table + 2, sizeof(values));
    return compressor->SetQuantTable(index, values, quality);
}

int ExifJpegImage::UseStandardTables(int on) {
    static const uint8_t kQuant[64] = {2, 2, 3, 3, 3, 4, 3, 4, 2, 2, 4, 3, 2, 3, 4, 3, 2, 2, 2, 2, 2, 5,
                                       3, 4, 2, 2, 2, 2, 5, 3, 5, 7, 2, 3, 4, 2, 6, 6, 6, 8, 3, 4, 2, 6,
                                       7, 5, 9, 6, 3, 3, 5, 8, 4, 4, 5, 8, 4, 4, 3, 3, 4, 4, 9, 11};
    for (int i = 0; i < 4; ++i) {
        quantRecords[i].clear();
        huffRecords[i].clear();
    }
    if (on != 1) {
        tablesSet = 0;
        return EXIF_OK;
    }
    try {
        std::vector<uint8_t> record(130, 0);
        for (int k = 0; k < 64; ++k) {
            uint16_t v = kQuant[k];
            memcpy(&record[2 + 2 * k], &v, 2);
        }
        for (int i = 0; i < 3; ++i) quantRecords[i] = record;
        // The standard luminance and chrominance DC code lengths, kept for
        // completeness; the coder uses the library's own Huffman tables.
        static const uint8_t kDcLum[17] = {0, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
        static const uint8_t kDcChr[17] = {0, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
        huffRecords[0].assign(273, 0);
        huffRecords[1].assign(273, 0);
        memcpy(huffRecords[0].data(), kDcLum, 17);
        memcpy(huffRecords[1].data(), kDcChr, 17);
        for (int v = 0; v < 12; ++v) huffRecords[0][17 + v] = huffRecords[1][17 + v] = static_cast<uint8_t>(v);
    } catch (...) { return EXIF_NO_MEMORY; }
    tableKey = 1;
    tablesSet = 1;
    return EXIF_OK;
}

int ExifJpegImage::SetToneCurves(const uint16_t* const curves[3], uint32_t n, int value) {
    if (!curves || !curves[0] || !curves[1] || !curves[2]) return EXIF_ERROR;
    try {
        for (int i = 0; i < 3; ++i) toneCurves[i].assign(curves[i], curves[i] + n);
    } catch (...) { return EXIF_NO_MEMORY; }
    toneCurveValue = value;
    toneCurveFlag = 1;
    return EXIF_OK;
}

int ExifJpegImage::SetIccProfile(const uint8_t* bytes, uint32_t length) {
    if (compressor) compressor->SetIccProfile(bytes, length);
    return EXIF_OK;
}

int ExifJpegImage::ReadScanLines(ExifImageBuffer* buffer, uint32_t rows, uint32_t* nextRow, uint16_t* rowsRead) {
    if (rowsRead) *rowsRead = 0;
    if (!handle || !handle->CanRead() || !decompressor) return EXIF_SHORT_READ;
    if (!decompressStarted) {
        decompressor->SetScale(scale);
        decompressor->dctMethod = MapDct(dctMethod);
        decompressor->colorCode = ExifColorCodeOfBuffer(buffer);
        if (decompressor->Start() != EXIF_OK) return EXIF_ERROR;
        decompressStarted = 1;
    }
    uint16_t got = 0;
    uint32_t next = 0;
    if (decompressor->ReadScanLines(buffer->channel[0].data, rows, buffer->channel[0].rowStep, &got, &next) !=
        EXIF_OK) {
        decompressStarted = 0;
        return EXIF_ERROR;
    }
    if (rowsRead) *rowsRead = got;
    if (nextRow) *nextRow = next;
    if (next >= decompressor->outputHeight) {
        int status = decompressor->Finish();
        decompressStarted = 0;
        if (status != EXIF_OK) return status;
    }
    return EXIF_OK;
}

int ExifJpegImage::WriteScanLines(ExifImageBuffer* buffer, uint32_t rows, uint32_t* totalWritten,
                                  uint16_t* writtenNow) {
    if (writtenNow) *writtenNow = 0;
    if (!handle || !handle->CanWrite() || !compressor) return EXIF_SHORT_WRITE;
    if (!compressStarted) {
        compressor->colorCode = ExifColorCodeOfBuffer(buffer);
        compressor->width = info.width;
        compressor->height = info.height;
        compressor->components = info.components;
        compressor->dctMethod = MapDct(dctMethod);
        compressor->quality = quality;
        compressor->smoothing = smoothing;
        compressor->optimizeCoding = optimizeCoding;
        compressor->progressive = progressive;
        if (tablesSet) {
            for (int i = 0; i < 4; ++i) {
                if (quantRecords[i].size() < 130) continue;
                uint16_t values[64];
                memcpy(values, quantRecords[i].data() + 2, sizeof(values));
                compressor->SetQuantTable(i, values, quality);
            }
        }
        if (compressor->Start() != EXIF_OK) return EXIF_ERROR;
        compressStarted = 1;
    }
    uint16_t now = 0;
    uint32_t total = 0;
    int status = compressor->WriteScanLines(buffer->channel[0].data, buffer->channel[0].rowStep, rows, &now, &total);
    if (status != EXIF_OK) {
        compressStarted = 0;
        return status;
    }
    if (writtenNow) *writtenNow = now;
    if (totalWritten) *totalWritten = total;
    if (total >= info.height) {
        compressStarted = 0;
        // A memory destination that overflows or a disk-full flush fails here.
        return compressor->Finish();
    }
    return EXIF_OK;
}
