// The EXIF file interface: reads the application segments of a JPEG file,
// gives access to their tag directories and the thumbnail, and writes a JPEG
// file from compressed rows and the segments. Every operation returns a small
// status code (ExifIO.h); nothing raises.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "exif/ExifIO.h"
#include "exif/ExifIfd.h"
#include "exif/ExifJpeg.h"
#include "exif/ExifSegment.h"

// Names one directory: 0 IFD0, 1 Exif, 3 interoperability, 4 GPS, 5 IFD1
// (thumbnail) of APP1 "Exif"; 6 IFD0 of APP3 "Meta". Anything else: status 21.
using ExifIfdSelector = int;
bool ResolveIfdSelector(ExifIfdSelector selector, uint16_t& marker, const char*& identifier, ExifIfdPath& path);

class ExifImageFile : public ExifJpegImage {
public:
    using ExifOpenFile::Open;
    ExifImageFile();
    ~ExifImageFile() override;

    int Close() override;
    int Open(const char* name) override;
    int WriteScanLines(ExifImageBuffer* buffer, uint32_t rows, uint32_t* totalWritten, uint16_t* writtenNow) override;
    int SetImageInfo(const ExifImageInfo& info) override { return encoder.SetImageInfo(info); }
    int SetDctMethod(int method) override { return encoder.SetDctMethod(method); }
    int SetQuality(uint16_t q) override { return encoder.SetQuality(q); }
    int SetSmoothing(uint16_t s) override { return encoder.SetSmoothing(s); }
    int SetOptimizeCoding(uint8_t flag) override { return encoder.SetOptimizeCoding(flag); }
    int SetProgressive(uint8_t flag) override { return encoder.SetProgressive(flag); }
    int GetOutputSize(int scale, uint32_t* w, uint32_t* h) override { return encoder.GetOutputSize(scale, w, h); }
    int SetCodingTables(const uint8_t* const quant[4], const uint8_t* const huff[4], uint32_t key) override {
        return encoder.SetCodingTables(quant, huff, key);
    }
    int SetQuantTable(int index, const uint8_t* table) override { return encoder.SetQuantTable(index, table); }
    int SetIccProfile(const uint8_t* bytes, uint32_t length) override;

    int ReadSegmentTags(uint16_t marker, const char* identifier, std::vector<ExifPathTags>& out);
    int WriteSegmentTags(uint16_t marker, const char* identifier, const std::vector<ExifPathTags>& list);
    ExifTagEntry* FindTag(uint32_t tag, ExifIfdSelector selector, int& status);
    int SetTag(const ExifTagEntry* entry, ExifIfdSelector selector);
    ExifImageBuffer* ReadThumbnail();
    // Carries the thumbnail of another file's IFD1 (JPEG bytes or image) into
    // this file's IFD1, as copying its tags alone cannot.
    int CopyThumbnailFrom(ExifImageFile& source);
    // Takes over the metadata of a JPEG source opened for reading into this
    // file opened for writing: its Exif tags in its byte order (the maker note
    // at its offset from the TIFF header), and a copy of every other
    // application segment and comment in the source's order behind the Exif
    // segment (JFIF before it), except those that describe the source's own
    // coding or images it does not pass on (APP14 "Adobe", APP2 "MPF").
    int CopyMetadataFrom(ExifImageFile& source);
    // Makes this image (owned by the file from now on) the thumbnail of IFD1,
    // compressed as JPEG unless IFD1 says otherwise.
    int SetThumbnailImage(ExifImageBuffer* image);

    ExifAppSegmentList segments;
    const uint8_t* iccData = nullptr;
    uint32_t iccLength = 0;
    ExifJpegImage encoder;
    std::map<uint32_t, ExifTagEntry*> defaultTags;
    std::string tempName;
    uint8_t rowsWritten = 0;
    // Set when the encoder has finished the image (every row compressed).
    uint8_t imageComplete = 0;

private:
    // Which segments the marker walk loads: true for the source's own list
    // (APP0 ... APP15, the Exif-structured ones parsed on use), false for the
    // segments copied from another file.
    int ReadSegments(ExifFileHandle* h, bool ownSegments = true);
    int CreateDefaultExifSegment();
    ExifTiffAppSeg* TiffSegment(uint16_t marker, const char* identifier, bool create, int& status);
    int Finish();
};

// 0 Exif JPEG, 1 not, 7 cannot be opened (narrow path).
int CheckExifJpegFile(const char* path);
// Wide path; false also when the path has no ANSI form.
bool IsExifJpegFile(const wchar_t* path);
int GetExifTagInt(ExifIfdSelector selector, ExifImageFile* file, uint32_t tag);
// Gathers the bytes a rewritten file keeps after its application segments:
// every other segment before the first DQT or SOS marker, then everything
// from there to the end. Walks the segments by their lengths.
int GatherJpegImageData(ExifFileHandle* handle, std::vector<uint8_t>& out);
