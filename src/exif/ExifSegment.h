// Application segments (APP0 ... APP15) of a JPEG file held in memory: raw
// bytes first, TIFF-structured ones parsed on first use, each writing itself
// back when the file is written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "exif/ExifIO.h"
#include "exif/ExifIfd.h"

class ExifAppSegment {
public:
    ExifAppSegment(uint16_t marker, const char* identifier);
    ExifAppSegment(const ExifAppSegment&) = default;
    ExifAppSegment& operator=(const ExifAppSegment&) = delete;
    virtual ~ExifAppSegment() = default;
    virtual ExifAppSegment* Clone() const = 0;
    virtual int Read(ExifFileHandle* handle, uint32_t length, uint32_t offset);
    virtual int Write(ExifFileHandle* handle) = 0;

    uint32_t offset = 0;
    uint32_t lengthPos = 0;
    uint16_t marker;
    uint16_t length = 0;
    char identifier[128] = {};
};

class ExifRawAppSeg : public ExifAppSegment {
public:
    ExifRawAppSeg(uint16_t marker, const char* identifier) : ExifAppSegment(marker, identifier) {}
    ExifRawAppSeg(const ExifRawAppSeg& other);
    ~ExifRawAppSeg() override;
    ExifAppSegment* Clone() const override;
    // Stream standing on the marker; reads the length field and the rest.
    int Read(ExifFileHandle* handle, uint32_t length, uint32_t offset) override;
    int Write(ExifFileHandle* handle) override;

    uint8_t* data = nullptr;  // the length field and the rest of the segment
};

class ExifTiffAppSeg : public ExifAppSegment {
public:
    ExifTiffAppSeg(uint16_t marker, const char* identifier) : ExifAppSegment(marker, identifier) {}
    ExifTiffAppSeg(const ExifTiffAppSeg& other);
    ~ExifTiffAppSeg() override;
    ExifAppSegment* Clone() const override;
    int Read(ExifFileHandle* handle, uint32_t length, uint32_t offset) override;
    // Writes the segment; a segment that would not fit the 16-bit length is
    // written without thumbnails, and refused (24) when still too large.
    int Write(ExifFileHandle* handle) override;

    ExifIfd* FindIfd(const ExifIfdPath& path) const;
    ExifTagEntry* FindTag(uint32_t tag, const ExifIfdPath& path) const;
    int MakeIfdPath(const ExifIfdPath& path);
    int SetTag(const ExifTagEntry* entry, const ExifIfdPath& path);
    int SetTags(const std::vector<ExifPathTags>& list);
    void CollectTags(std::vector<ExifPathTags>& list) const;

    uint16_t byteOrder = 0x4949;
    uint16_t magic = 42;
    uint32_t firstIfdOffset = 0;
    std::vector<ExifIfd*> ifds;
    ExifByteOrderState callerState;
    ExifByteOrderState ownState;

private:
    int WriteBody(ExifFileHandle* handle);
};

class ExifApp0Seg : public ExifAppSegment {
public:
    ExifApp0Seg(uint16_t marker, const char* identifier) : ExifAppSegment(marker, identifier) {}
    ExifAppSegment* Clone() const override { return new ExifApp0Seg(*this); }
    int Read(ExifFileHandle* handle, uint32_t length, uint32_t offset) override;
    int Write(ExifFileHandle* handle) override;

    uint16_t version = 0;
    uint8_t units = 0;
    uint16_t xDensity = 1;
    uint16_t yDensity = 1;
    uint8_t xThumbnail = 0;
    uint8_t yThumbnail = 0;
};

// "FFE1Exif": marker in upper-case hex without leading zeros, then the identifier.
std::string FormatExifSegmentKey(uint16_t marker, const char* identifier);
// Keeps the first prototype of a key; the map owns the prototype either way.
bool RegisterExifSegmentPrototype(const std::string& key, ExifAppSegment* prototype);
const ExifAppSegment* FindExifSegmentPrototype(const std::string& key);

class ExifAppSegmentList {
public:
    struct Node {
        Node* next;
        ExifAppSegment* segment;
        bool fromFile;
        bool parseOnUse;
        bool parsed;
    };
    ExifAppSegmentList() = default;
    ExifAppSegmentList(const ExifAppSegmentList&) = delete;
    ExifAppSegmentList& operator=(const ExifAppSegmentList&) = delete;
    ~ExifAppSegmentList() { Clear(); }

    bool Insert(ExifAppSegment* segment, bool fromFile, bool parseOnUse);
    // Adds the segment behind every other one, whatever its marker.
    bool Append(ExifAppSegment* segment, bool fromFile, bool parseOnUse);
    ExifAppSegment* Find(uint16_t marker, const char* identifier, bool parse);
    std::vector<ExifAppSegment*> All(bool parse);
    void Clear();
    Node* head = nullptr;

private:
    void Parse(Node* node);
};
