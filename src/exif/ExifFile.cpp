#include "exif/ExifFile.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/Common.h"

namespace {
const uint16_t kSoi = 0xFFD8, kDqt = 0xFFDB, kSos = 0xFFDA, kEoi = 0xFFD9;

bool IsParsedKey(uint16_t marker, const char* id) {
    return (marker == 0xFFE1 && !strcmp(id, "Exif")) ||
           (marker == 0xFFE3 && (!strcmp(id, "Meta") || !strcmp(id, "META") || !strcmp(id, "Exif")));
}

// Segments that describe a source's own coding or images that stay behind.
bool DescribesSourceData(uint16_t marker, const char* id) {
    return (marker == 0xFFE1 && !strcmp(id, "Exif")) || (marker == 0xFFEE && !strcmp(id, "Adobe")) ||
           (marker == 0xFFE2 && !strcmp(id, "MPF"));
}

const uint16_t kCom = 0xFFFE;

bool StandaloneMarker(uint16_t marker) { return marker == 0xFF01 || (marker >= 0xFFD0 && marker <= 0xFFD8); }

// A temporary file name in the system's temporary folder (the file exists).
std::string MakeTempName() {
    char folder[MAX_PATH], name[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH) strcpy(folder, ".");
    if (!GetTempFileNameA(folder, "qrv", 0, name)) return std::string();
    return name;
}
}  // namespace

bool ResolveIfdSelector(ExifIfdSelector selector, uint16_t& marker, const char*& identifier, ExifIfdPath& path) {
    marker = 0xFFE1;
    identifier = "Exif";
    switch (selector) {
    case 0: path = {{0, 0}}; return true;
    case 1: path = {{0, 0}, {34665, 0}}; return true;
    case 3: path = {{0, 0}, {34665, 0}, {40965, 0}}; return true;
    case 4: path = {{0, 0}, {34853, 0}}; return true;
    case 5: path = {{0, 1}}; return true;
    case 6:
        marker = 0xFFE3;
        identifier = "Meta";
        path = {{0, 0}};
        return true;
    default: return false;
    }
}

ExifImageFile::ExifImageFile() {
    EnsureExifSubIfdTags();
    auto add = [this](ExifTagEntry* e) {
        if (e) defaultTags[e->tag] = e;
    };
    try {
        add(new ExifShortVectorEntry(258, EXIF_TYPE_SHORT, 3, {8, 8, 8}));
        add(new ExifShortEntry(274, EXIF_TYPE_SHORT, 1, 1));
        add(new ExifShortEntry(277, EXIF_TYPE_SHORT, 1, 3));
        add(new ExifLongEntry(278, EXIF_TYPE_LONG, 1, 2147483647u));
        add(new ExifFloatEntry(282, EXIF_TYPE_RATIONAL, 1, 72.0f));
        add(new ExifFloatEntry(283, EXIF_TYPE_RATIONAL, 1, 72.0f));
        add(new ExifShortEntry(284, EXIF_TYPE_SHORT, 1, 1));
        add(new ExifShortEntry(296, EXIF_TYPE_SHORT, 1, 2));
        add(new ExifShortEntry(531, EXIF_TYPE_SHORT, 1, 2));
        add(new ExifCharVectorEntry(36864, EXIF_TYPE_UNDEFINED, 4, {'0', '2', '1', '0'}));
        add(new ExifCharVectorEntry(37121, EXIF_TYPE_UNDEFINED, 4, {4, 5, 6, 0}));
        add(new ExifCharVectorEntry(40960, EXIF_TYPE_UNDEFINED, 4, {'0', '1', '0', '0'}));
        add(new ExifShortEntry(40961, EXIF_TYPE_SHORT, 1, 1));
        add(new ExifLongEntry(40962, EXIF_TYPE_LONG, 1, 0));
        add(new ExifLongEntry(40963, EXIF_TYPE_LONG, 1, 0));
    } catch (...) {}
}

ExifImageFile::~ExifImageFile() {
    Close();
    for (auto& kv : defaultTags) delete kv.second;
    defaultTags.clear();
}

int ExifImageFile::SetIccProfile(const uint8_t* bytes, uint32_t length) {
    iccData = bytes;
    iccLength = length;
    return EXIF_OK;
}

int ExifImageFile::ReadSegments(ExifFileHandle* h, bool ownSegments) {
    h->SetJpegByteOrder();
    if (!h->SeekTo(0)) return EXIF_SHORT_READ;
    uint16_t soi;
    if (!h->ReadU16(soi)) return EXIF_SHORT_READ;
    if (soi != kSoi) return EXIF_BAD_MAGIC;
    for (;;) {
        int64_t pos = h->Tell();
        uint16_t marker;
        if (!h->ReadU16(marker)) return EXIF_SHORT_READ;
        if ((marker >> 8) != 0xFF) return EXIF_SHORT_READ;  // not at a marker: the lengths are wrong
        if (marker == 0xFFFF) {                             // a fill byte
            if (!h->SeekTo(pos + 1)) return EXIF_SHORT_READ;
            continue;
        }
        if (marker == kDqt || marker == kSos) return EXIF_OK;
        if (marker == kEoi) return EXIF_SHORT_READ;
        if (StandaloneMarker(marker)) continue;
        uint16_t length;
        if (!h->ReadU16(length)) return EXIF_SHORT_READ;
        if (length < 2) return EXIF_SHORT_READ;
        int64_t next = pos + 2 + length;
        bool application = marker >= 0xFFE0 && marker <= 0xFFEF;
        if (application || (!ownSegments && marker == kCom)) {
            char id[128] = {};
            uint32_t available = length - 2u;
            uint32_t first = available < 16 ? available : 16;
            uint8_t head[16];
            if (!h->ReadAll(head, first)) return EXIF_SHORT_READ;
            uint32_t zero = first;
            for (uint32_t i = 0; i < first; ++i)
                if (head[i] == 0) {
                    zero = i;
                    break;
                }
            if (!application) {
                // A comment has no identifier.
            } else if (zero < first) {
                memcpy(id, head, zero);
            } else {
                // Past the first 16 bytes: one byte at a time, within the
                // segment; the identifier and its zero byte fit 128 bytes.
                memcpy(id, head, first);
                uint32_t n = first;
                bool found = false;
                while (n < available && n < sizeof(id)) {
                    uint8_t b;
                    if (!h->ReadAll(&b, 1)) return EXIF_SHORT_READ;
                    if (b == 0) {
                        found = true;
                        break;
                    }
                    if (n == sizeof(id) - 1) break;  // no room left for the zero byte
                    id[n++] = static_cast<char>(b);
                }
                if (!found) {
                    memset(id, 0, sizeof(id));
                    strcpy(id, "INVALID");
                }
            }
            if (ownSegments || !DescribesSourceData(marker, id)) {
                ExifRawAppSeg* segment = new (std::nothrow) ExifRawAppSeg(marker, id);
                if (!segment) return EXIF_NO_MEMORY;
                if (!h->SeekTo(pos)) {
                    delete segment;
                    return EXIF_SHORT_READ;
                }
                int status = segment->Read(h, length, static_cast<uint32_t>(pos + 4));
                if (status != EXIF_OK) {
                    delete segment;
                    return status;
                }
                // Copied segments keep the source's order behind the Exif
                // segment; only JFIF segments go before it.
                bool added = ownSegments || marker == 0xFFE0
                                 ? segments.Insert(segment, true, ownSegments && IsParsedKey(marker, id))
                                 : segments.Append(segment, true, false);
                if (!added) {
                    delete segment;
                    return EXIF_NO_MEMORY;
                }
            }
        }
        if (!h->SeekTo(next)) return EXIF_SHORT_READ;
    }
}

int GatherJpegImageData(ExifFileHandle* h, std::vector<uint8_t>& out) {
    out.clear();
    ExifByteOrderState saved = ExifByteOrderState::Of(*h);
    h->SetJpegByteOrder();
    auto done = [&](int status) {
        saved.ApplyTo(*h);
        return status;
    };
    int64_t size = h->Size();
    if (!h->SeekTo(2)) return done(EXIF_SHORT_READ);
    try {
        for (;;) {
            int64_t pos = h->Tell();
            uint16_t marker;
            if (!h->ReadU16(marker) || (marker >> 8) != 0xFF) return done(EXIF_NO_IMAGE_DATA);
            if (marker == 0xFFFF) {
                h->SeekTo(pos + 1);
                continue;
            }
            if (marker == kEoi) return done(EXIF_NO_IMAGE_DATA);
            if (marker == kDqt || marker == kSos) {
                size_t start = out.size();
                int64_t rest = size - pos;
                if (rest <= 0 || rest > 0x7FFFFFFF) return done(EXIF_NO_IMAGE_DATA);
                out.resize(start + static_cast<size_t>(rest));
                if (!h->SeekTo(pos) || !h->ReadAll(out.data() + start, static_cast<uint32_t>(rest)))
                    return done(EXIF_SHORT_READ);
                return done(EXIF_OK);
            }
            if (StandaloneMarker(marker)) continue;
            uint16_t length;
            if (!h->ReadU16(length) || length < 2) return done(EXIF_SHORT_READ);
            if (!(marker >= 0xFFE0 && marker <= 0xFFEF)) {
                // COM, SOF, DHT, DRI ... before the tables stay with the image data.
                size_t start = out.size();
                out.resize(start + 2 + length);
                if (!h->SeekTo(pos) || !h->ReadAll(out.data() + start, 2u + length)) return done(EXIF_SHORT_READ);
            }
            if (!h->SeekTo(pos + 2 + length)) return done(EXIF_SHORT_READ);
        }
    } catch (...) { return done(EXIF_NO_MEMORY); }
}

int ExifImageFile::CreateDefaultExifSegment() {
    ExifTiffAppSeg* segment = new (std::nothrow) ExifTiffAppSeg(0xFFE1, "Exif");
    if (!segment) return EXIF_NO_MEMORY;
    if (!segments.Insert(segment, false, false)) {
        delete segment;
        return EXIF_NO_MEMORY;
    }
    segment->byteOrder = 0x4949;
    if (segment->MakeIfdPath({{0, 0}, {34665, 0}}) != EXIF_OK) return EXIF_NO_EXIF_IFD;
    ExifIfd* exif = segment->FindIfd({{0, 0}, {34665, 0}});
    if (!exif) return EXIF_NO_EXIF_IFD;
    for (uint32_t tag : {36864, 37121, 40960, 40961, 40962, 40963}) exif->AddTag(defaultTags[tag]);
    ExifIfd* ifd0 = segment->FindIfd({{0, 0}});
    if (!ifd0) return EXIF_NO_IFD0;
    for (uint32_t tag : {282, 283, 296, 531}) ifd0->AddTag(defaultTags[tag]);
    return EXIF_OK;
}

int ExifImageFile::Open(const char* name) {
    try {
        if (!handle) return EXIF_ERROR;
        segments.Clear();
        handle->SetJpegByteOrder();
        if (handle->mode == EXIF_MODE_WRITE) return CreateDefaultExifSegment();
        if (handle->mode == EXIF_MODE_UPDATE) {
            uint8_t head[2] = {};
            bool jpeg = handle->SeekTo(0) && handle->ReadAll(head, 2) && head[0] == 0xFF && head[1] == 0xD8;
            if (jpeg && CheckExifJpegFile(name) != 0) {
                // Not an Exif JPEG: its own segments (JFIF, colour profile,
                // IPTC ...) are loaded too so that the rewrite keeps them, and
                // the default APP1 "Exif" segment joins them unless the file
                // has one further on.
                int status = ReadSegments(handle);
                if (status != EXIF_OK) return status;
                if (!segments.Find(0xFFE1, "Exif", false)) {
                    status = CreateDefaultExifSegment();
                    if (status != EXIF_OK) return status;
                }
                status = ExifJpegImage::Open(name);
                if (status != EXIF_OK) return status;
                ExifLongEntry w(40962, EXIF_TYPE_LONG, 1, info.width), h(40963, EXIF_TYPE_LONG, 1, info.height);
                SetTag(&w, 1);
                SetTag(&h, 1);
                return EXIF_OK;
            }
        }
        int status = ReadSegments(handle);
        if (status != EXIF_OK) return status;
        return ExifJpegImage::Open(name);
    } catch (...) { return EXIF_NO_MEMORY; }
}

ExifTiffAppSeg* ExifImageFile::TiffSegment(uint16_t marker, const char* identifier, bool create, int& status) {
    status = EXIF_OK;
    ExifAppSegment* segment = segments.Find(marker, identifier, true);
    if (!segment) {
        if (!create) {
            status = EXIF_NO_SEGMENT;
            return nullptr;
        }
        ExifTiffAppSeg* made = new (std::nothrow) ExifTiffAppSeg(marker, identifier);
        if (!made || !segments.Insert(made, false, false)) {
            delete made;
            status = EXIF_NO_MEMORY;
            return nullptr;
        }
        return made;
    }
    ExifTiffAppSeg* tiff = dynamic_cast<ExifTiffAppSeg*>(segment);
    if (!tiff) status = create ? EXIF_ERROR : EXIF_NO_SEGMENT;
    return tiff;
}

int ExifImageFile::ReadSegmentTags(uint16_t marker, const char* identifier, std::vector<ExifPathTags>& out) {
    int status;
    ExifTiffAppSeg* tiff = TiffSegment(marker, identifier, false, status);
    if (tiff) {
        try {
            tiff->CollectTags(out);
        } catch (...) { return EXIF_NO_MEMORY; }
    }
    return EXIF_OK;
}

int ExifImageFile::WriteSegmentTags(uint16_t marker, const char* identifier, const std::vector<ExifPathTags>& list) {
    try {
        int status;
        ExifTiffAppSeg* tiff = TiffSegment(marker, identifier, true, status);
        if (!tiff) return status;
        return tiff->SetTags(list);
    } catch (...) { return EXIF_NO_MEMORY; }
}

ExifTagEntry* ExifImageFile::FindTag(uint32_t tag, ExifIfdSelector selector, int& status) {
    try {
        uint16_t marker;
        const char* id;
        ExifIfdPath path;
        if (!ResolveIfdSelector(selector, marker, id, path)) {
            status = EXIF_BAD_SELECTOR;
            return nullptr;
        }
        ExifTiffAppSeg* tiff = TiffSegment(marker, id, false, status);
        if (!tiff) return nullptr;
        return tiff->FindTag(tag, path);
    } catch (...) {
        status = EXIF_NO_MEMORY;
        return nullptr;
    }
}

int ExifImageFile::SetTag(const ExifTagEntry* entry, ExifIfdSelector selector) {
    try {
        uint16_t marker;
        const char* id;
        ExifIfdPath path;
        if (!ResolveIfdSelector(selector, marker, id, path)) return EXIF_BAD_SELECTOR;
        int status;
        ExifTiffAppSeg* tiff = TiffSegment(marker, id, true, status);
        if (!tiff) return EXIF_ERROR;
        return tiff->SetTag(entry, path);
    } catch (...) { return EXIF_NO_MEMORY; }
}

ExifImageBuffer* ExifImageFile::ReadThumbnail() {
    try {
        int status;
        ExifTiffAppSeg* tiff = TiffSegment(0xFFE1, "Exif", false, status);
        if (!tiff || tiff->ifds.size() < 2) return nullptr;
        return tiff->ifds[1]->DecodeThumbnail();
    } catch (...) { return nullptr; }
}

int ExifImageFile::CopyThumbnailFrom(ExifImageFile& source) {
    try {
        int status;
        ExifTiffAppSeg* from = source.TiffSegment(0xFFE1, "Exif", false, status);
        if (!from || from->ifds.size() < 2) return EXIF_OK;
        ExifIfd* src = from->ifds[1];
        if (!src->thumbBytes && !src->thumbImage) return EXIF_OK;
        ExifTiffAppSeg* to = TiffSegment(0xFFE1, "Exif", true, status);
        if (!to) return status;
        if (to->ifds.empty() && (status = to->MakeIfdPath({{0, 0}})) != EXIF_OK) return status;
        if (to->ifds.size() < 2 && (status = to->MakeIfdPath({{0, 1}})) != EXIF_OK) return status;
        ExifIfd* dst = to->ifds[1];
        if (src->thumbBytes) {
            if (!dst->SetThumbnailBytes(src->thumbBytes, src->thumbLength)) return EXIF_NO_MEMORY;
        } else {
            ExifIfd copy(*src);  // copies the image
            dst->DropThumbnail();
            std::swap(dst->thumbImage, copy.thumbImage);
        }
        return EXIF_OK;
    } catch (...) { return EXIF_NO_MEMORY; }
}

int ExifImageFile::CopyMetadataFrom(ExifImageFile& source) {
    if (!handle || !source.handle) return EXIF_ERROR;
    try {
        std::vector<ExifPathTags> tags;
        int status = source.ReadSegmentTags(0xFFE1, "Exif", tags);
        if (status != EXIF_OK) return status;
        if (!tags.empty()) {
            status = WriteSegmentTags(0xFFE1, "Exif", tags);
            if (status != EXIF_OK) return status;
            // Maker notes without a byte-order mark of their own are read in
            // the order of the segment around them.
            auto* from = dynamic_cast<ExifTiffAppSeg*>(source.segments.Find(0xFFE1, "Exif", false));
            ExifTiffAppSeg* to = TiffSegment(0xFFE1, "Exif", false, status);
            if (from && to) to->byteOrder = from->byteOrder;
        }
        return ReadSegments(source.handle, false);
    } catch (...) { return EXIF_NO_MEMORY; }
}

int ExifImageFile::SetThumbnailImage(ExifImageBuffer* image) {
    if (!image) return EXIF_ERROR;
    int status;
    ExifTiffAppSeg* tiff = TiffSegment(0xFFE1, "Exif", true, status);
    if (tiff && tiff->ifds.empty()) status = tiff->MakeIfdPath({{0, 0}});
    if (tiff && status == EXIF_OK && tiff->ifds.size() < 2) status = tiff->MakeIfdPath({{0, 1}});
    if (!tiff || status != EXIF_OK) {
        FreeExifImageBuffer(image);
        delete image;
        return tiff ? status : EXIF_ERROR;
    }
    ExifIfd* ifd1 = tiff->ifds[1];
    ifd1->DropThumbnail();
    ifd1->thumbImage = image;
    if (!ifd1->compression) ifd1->SetTag(new (std::nothrow) ExifShortEntry(259, EXIF_TYPE_SHORT, 1, 6));
    return EXIF_OK;
}

int ExifImageFile::WriteScanLines(ExifImageBuffer* buffer, uint32_t rows, uint32_t* totalWritten,
                                  uint16_t* writtenNow) {
    if (writtenNow) *writtenNow = 0;
    if (!handle || !handle->CanWrite()) return EXIF_SHORT_WRITE;
    if (!rowsWritten) {
        if (tempName.empty()) tempName = MakeTempName();
        if (tempName.empty()) return EXIF_OPEN_FAILED;
        int status = encoder.Open(tempName.c_str(), "w");
        if (status != EXIF_OK) return status;
        rowsWritten = 1;
        imageComplete = 0;
        if (iccData) {
            encoder.SetIccProfile(iccData, iccLength);
            iccData = nullptr;
            iccLength = 0;
        }
    }
    if (!encoder.handle) return EXIF_SHORT_WRITE;  // the image was finished before
    uint32_t total = 0;
    int status = encoder.WriteScanLines(buffer, rows, &total, writtenNow);
    if (totalWritten) *totalWritten = total;
    // The encoder stays open until the last row so that rows may come in
    // several calls; it is closed when the image is complete or failed.
    if (status != EXIF_OK || total >= encoder.info.height) encoder.Close();
    imageComplete = status == EXIF_OK && total >= encoder.info.height;
    return status;
}

int ExifImageFile::Finish() {
    uint32_t width = rowsWritten ? encoder.info.width : info.width;
    uint32_t height = rowsWritten ? encoder.info.height : info.height;
    ExifLongEntry w(40962, EXIF_TYPE_LONG, 1, width), h(40963, EXIF_TYPE_LONG, 1, height);
    SetTag(&w, 1);
    SetTag(&h, 1);

    std::vector<uint8_t> data;
    int status = EXIF_OK;
    if (rowsWritten) {
        encoder.Close();
        int openStatus;
        std::unique_ptr<ExifFileHandle> temp(MakeExifFileHandle(tempName.c_str(), "r", openStatus));
        if (!temp) {
            status = openStatus;
        } else {
            status = ReadSegments(temp.get());
            if (status == EXIF_OK) status = GatherJpegImageData(temp.get(), data);
        }
        // Rows missing or a failed compression leave a stream no decoder
        // reads to the end: the file gets no image data and says so (22).
        if (!imageComplete) data.clear();
        temp.reset();
        remove(tempName.c_str());
        tempName.clear();
        rowsWritten = 0;
        if (status != EXIF_OK) return status;
    } else if (handle->mode == EXIF_MODE_UPDATE) {
        status = GatherJpegImageData(handle, data);
        if (status != EXIF_OK) return status;
    }

    // Update: everything goes to a new file that replaces the original only
    // when it is complete.
    std::unique_ptr<ExifFileHandle> replacement;
    std::string replacementName;
    ExifFileHandle* out = handle;
    if (handle->mode == EXIF_MODE_UPDATE) {
        replacementName = fileName + ".qrvtmp";
        int openStatus;
        replacement.reset(MakeExifFileHandle(replacementName.c_str(), "w", openStatus));
        if (!replacement) return openStatus;
        replacement->flags = handle->flags;
        replacement->bigEndian = handle->bigEndian;
        out = replacement.get();
    }
    out->SetJpegByteOrder();
    if (!out->SeekTo(0) || !out->WriteU16(kSoi)) status = EXIF_SHORT_WRITE;
    if (status == EXIF_OK) {
        for (ExifAppSegment* segment : segments.All(false)) {
            status = segment->Write(out);
            if (status != EXIF_OK) break;
        }
    }
    if (status == EXIF_OK) {
        if (data.empty()) status = EXIF_NO_IMAGE_DATA;
        else if (!out->WriteAll(data.data(), static_cast<uint32_t>(data.size()))) status = EXIF_SHORT_WRITE;
    }
    if (replacement) {
        int closeStatus = replacement->CloseStream();
        replacement.reset();
        if (status == EXIF_OK) status = closeStatus;
        if (status == EXIF_OK) {
            handle->CloseStream();
            if (!MoveFileExA(replacementName.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING))
                status = EXIF_SHORT_WRITE;
        }
        if (status != EXIF_OK) remove(replacementName.c_str());
    }
    return status;
}

int ExifImageFile::Close() {
    int status = EXIF_OK;
    if (handle && (handle->mode == EXIF_MODE_WRITE || handle->mode == EXIF_MODE_UPDATE)) {
        try {
            status = Finish();
        } catch (...) { status = EXIF_NO_MEMORY; }
    }
    if (encoder.handle) encoder.Close();
    if (!tempName.empty()) {
        remove(tempName.c_str());
        tempName.clear();
    }
    rowsWritten = 0;
    imageComplete = 0;
    if (handle) {
        int closeStatus = handle->CloseStream();
        if (status == EXIF_OK && closeStatus != EXIF_OK) status = closeStatus;
    }
    ExifJpegImage::Close();
    segments.Clear();
    return status;
}

int CheckExifJpegFile(const char* path) {
    if (!path) return EXIF_OPEN_FAILED;
    FILE* f = fopen(path, "rb");
    if (!f) return EXIF_OPEN_FAILED;
    int result = 1;
    uint8_t b[12];
    if (fread(b, 12, 1, f) == 1 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
        if (b[3] == 0xE1) {
            result = memcmp(b + 6, "Exif\0\0", 6) == 0 ? 0 : 1;
        } else if (b[3] == 0xE0) {
            long next = ((b[4] << 8) | b[5]) + 4;
            uint8_t c[10];
            if (fseek(f, next, SEEK_SET) == 0 && fread(c, 10, 1, f) == 1 && c[0] == 0xFF && c[1] == 0xE1 &&
                memcmp(c + 4, "Exif\0\0", 6) == 0)
                result = 0;
        }
    }
    fclose(f);
    return result;
}

bool IsExifJpegFile(const wchar_t* path) {
    char narrow[MAX_PATH];
    if (!WideToAnsiPath(narrow, path)) return false;
    return CheckExifJpegFile(narrow) == 0;
}

int GetExifTagInt(ExifIfdSelector selector, ExifImageFile* file, uint32_t tag) {
    if (!file) return 0;
    int status;
    ExifTagEntry* e = file->FindTag(tag, selector, status);
    if (!e || e->count > 1) return 0;
    switch (e->type) {
    case EXIF_TYPE_BYTE:
    case EXIF_TYPE_SHORT:
    case EXIF_TYPE_SSHORT:
    case EXIF_TYPE_LONG:
    case EXIF_TYPE_SLONG: {
        int64_t v;
        return ExifFirstInt(e, v) ? static_cast<int>(v) : 0;
    }
    default: return 0;
    }
}
