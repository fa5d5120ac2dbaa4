// JPEG image over an EXIF stream and the two libjpeg wrappers it codes with.
// Every libjpeg error and warning becomes status 1; nothing leaves through
// exit() or an exception.
#pragma once
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "exif/ExifIO.h"

// A decoded image exchanged with the program: channel records over one block of
// interleaved samples, rows top to bottom.
enum : uint32_t { EXIF_KIND_YCBCR = 0, EXIF_KIND_BGR = 5, EXIF_KIND_RGB = 6 };

struct ExifChannelInfo {
    uint32_t kind;  // EXIF_KIND_*
    uint32_t reserved;
    uint32_t factorX;
    uint32_t factorY;
    int32_t sampleStep;  // bytes between horizontally adjacent samples
    int32_t rowStep;     // bytes between rows
    uint8_t* data;       // first sample of the channel
};

struct ExifImageBuffer {
    uint32_t channels;
    uint32_t width;
    uint32_t height;
    uint32_t reserved;
    ExifChannelInfo channel[4];
};

// Colour codes of both wrappers.
enum : uint8_t { EXIF_COLOR_YCBCR = 0, EXIF_COLOR_RGB = 1, EXIF_COLOR_BGR = 4, EXIF_COLOR_GRAY = 12 };

struct ExifImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t components = 3;
    uint16_t bitsPerSample = 8;
    uint8_t colorCode = EXIF_COLOR_RGB;
};

void InitExifImageBuffer(ExifImageBuffer* buffer);
// Returns 0 or 14 (also for sizes whose product does not fit).
int AllocExifImageBuffer(const ExifImageInfo& info, ExifImageBuffer* buffer);
int FreeExifImageBuffer(ExifImageBuffer* buffer);

// The libjpeg error manager with the trap of the wrapper operation running.
struct ExifJpegErrorTrap {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int* code;
    char* message;
};

class ExifJpegCompress {
public:
    ExifJpegCompress();
    virtual ~ExifJpegCompress();
    ExifJpegCompress(const ExifJpegCompress&) = delete;
    ExifJpegCompress& operator=(const ExifJpegCompress&) = delete;

    int Configure();
    int Start();
    int WriteScanLines(uint8_t* rows, int32_t rowStep, uint32_t count, uint16_t* writtenNow, uint32_t* total);
    int Finish();
    int SetQuantTable(int index, const uint16_t* values, int quality);
    int SetIccProfile(const uint8_t* bytes, uint32_t length);
    int WriteIccProfile();

    int state = 0;  // 0 new, 1 compressing, 2 finished
    uint16_t quality = 90;
    uint16_t smoothing = 0;
    uint8_t optimizeCoding = 0;
    uint8_t progressive = 0;
    int dctMethod = 0;
    uint8_t* memBlock = nullptr;
    uint32_t memCapacity = 0;
    uint32_t memWritten = 0;
    FILE* stream = nullptr;
    uint32_t width = 0, height = 0;
    uint16_t components = 3;
    uint8_t colorCode = EXIF_COLOR_RGB;
    bool writeJfif = false;
    bool tableQualitySet = false;
    int tableQuality = 0;
    uint16_t quantTables[4][64] = {};
    bool quantStored[4] = {};
    bool customTables = false;
    jpeg_compress_struct cinfo;
    bool created = false;
    ExifJpegErrorTrap trap;
    int errorCode = 0;
    char message[JMSG_LENGTH_MAX > 200 ? JMSG_LENGTH_MAX : 200] = {};
    std::vector<uint8_t> icc;
    uint32_t rowsWritten = 0;

private:
    void Destroy();
    uint8_t* swapRows = nullptr;  // BGR rows copied for one call
    JSAMPROW* rowPointers = nullptr;
};

class ExifJpegDecompress {
public:
    ExifJpegDecompress();
    virtual ~ExifJpegDecompress();
    ExifJpegDecompress(const ExifJpegDecompress&) = delete;
    ExifJpegDecompress& operator=(const ExifJpegDecompress&) = delete;

    virtual int ReadHeader(uint32_t* width, uint32_t* height, uint16_t* components);
    virtual int ReadScanLines(uint8_t* rows, uint32_t count, int32_t rowStep, uint16_t* rowsRead, uint32_t* nextRow);
    int SetScale(int scale);
    int GetScaledSize(int index, uint32_t* width, uint32_t* height);
    int Start();
    int Finish();

    int state = 0;
    int dctMethod = 0;
    const uint8_t* memBlock = nullptr;
    uint32_t memSize = 0;
    FILE* stream = nullptr;
    uint32_t width = 0, height = 0;
    uint32_t outputWidth = 0, outputHeight = 0;
    uint16_t components = 0;
    uint16_t bitsPerSample = 0;
    bool headerRead = false;
    int scaleIndex = 0;
    uint8_t colorCode = EXIF_COLOR_RGB;
    jpeg_decompress_struct dinfo;
    bool sourceSet = false;
    ExifJpegErrorTrap trap;
    int errorCode = 0;
    char message[JMSG_LENGTH_MAX > 200 ? JMSG_LENGTH_MAX : 200] = {};

private:
    uint8_t* rowBuffer = nullptr;
    uint8_t* pendingRows = nullptr;
    uint32_t pendingCount = 0;
    int32_t pendingStep = 0;
    uint32_t pendingDone = 0;
};

// Memory source and destination of the wrappers.
void JpegMemorySource(j_decompress_ptr cinfo, const uint8_t* block, uint32_t size);
void JpegMemoryDestination(j_compress_ptr cinfo, ExifJpegCompress* owner);

// 0 when the stream holds at least 12 bytes and begins FF D8, else 1.
int IsJpegStream(ExifFileHandle* handle);

class ExifJpegImage : public ExifOpenFile {
public:
    using ExifOpenFile::Open;
    ExifJpegImage() = default;
    ~ExifJpegImage() override;

    int Close() override;
    int Open(const char* name) override;
    virtual int WriteScanLines(ExifImageBuffer* buffer, uint32_t rows, uint32_t* totalWritten, uint16_t* writtenNow);
    virtual int SetImageInfo(const ExifImageInfo& info);
    virtual int SetDctMethod(int method);
    virtual int SetQuality(uint16_t q);
    virtual int SetSmoothing(uint16_t s);
    virtual int SetOptimizeCoding(uint8_t flag);
    virtual int SetProgressive(uint8_t flag);
    virtual int GetOutputSize(int scale, uint32_t* width, uint32_t* height);
    // Quantisation tables are 130-byte records (2-byte header, 64 u16 values),
    // Huffman tables 273-byte records; each may be null.
    virtual int SetCodingTables(const uint8_t* const quant[4], const uint8_t* const huff[4], uint32_t key);
    virtual int SetQuantTable(int index, const uint8_t* table);
    virtual int UseStandardTables(int on);
    virtual int SetToneCurves(const uint16_t* const curves[3], uint32_t n, int value);
    virtual int SetIccProfile(const uint8_t* bytes, uint32_t length);

    int ReadScanLines(ExifImageBuffer* buffer, uint32_t rows, uint32_t* nextRow, uint16_t* rowsRead);

    ExifImageInfo info;
    int dctMethod = 1;
    uint16_t quality = 90;
    uint16_t smoothing = 0;
    uint8_t optimizeCoding = 0;
    uint8_t progressive = 0;
    uint16_t scale = 1;
    std::vector<uint16_t> toneCurves[3];
    uint8_t toneCurveFlag = 0;
    int toneCurveValue = 0;
    uint8_t compressStarted = 0;
    uint8_t decompressStarted = 0;
    ExifJpegCompress* compressor = nullptr;
    ExifJpegDecompress* decompressor = nullptr;
    uint32_t outputSize[4][2] = {};
    std::vector<uint8_t> quantRecords[4];
    std::vector<uint8_t> huffRecords[4];
    uint32_t tableKey = 0;
    uint8_t tablesSet = 0;
};

// The colour code a buffer's first channel asks for.
uint8_t ExifColorCodeOfBuffer(const ExifImageBuffer* buffer);
