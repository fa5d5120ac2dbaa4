#include "exif/ExifIfd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

// ---- IFD-pointer tags ----

namespace {
std::mutex g_pointerTagsLock;
std::vector<uint16_t>& PointerTags() {
    static std::vector<uint16_t> tags;
    return tags;
}
}  // namespace

bool RegisterIfdPointerTag(uint16_t tag) {
    std::lock_guard<std::mutex> lock(g_pointerTagsLock);
    auto& tags = PointerTags();
    if (std::find(tags.begin(), tags.end(), tag) != tags.end()) return false;
    tags.push_back(tag);
    return true;
}

void EnsureExifSubIfdTags() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (uint16_t tag : {330, 34665, 34853, 40965, 50030, 50031}) RegisterIfdPointerTag(tag);
    });
}

bool IsIfdPointerTag(uint32_t tag) {
    EnsureExifSubIfdTags();
    std::lock_guard<std::mutex> lock(g_pointerTagsLock);
    auto& tags = PointerTags();
    return tag <= 0xFFFF && std::find(tags.begin(), tags.end(), static_cast<uint16_t>(tag)) != tags.end();
}

// ---- rationals ----

namespace {
// The relative error rounded to one significant digit (1.4e-10 -> 1e-10).
double RoundToOneDigit(double error) {
    char text[32];
    snprintf(text, sizeof(text), "%.0e", error);
    return strtod(text, nullptr);
}
}  // namespace

int DoubleToRational(double value, double tolerance, uint32_t& numerator, uint32_t& denominator) {
    numerator = 0;
    denominator = 1;
    if (!(tolerance >= 0)) return EXIF_NOT_RATIONAL;
    if (value == 0) return EXIF_OK;
    if (!(value >= 3e-10 && value <= 4e10)) return EXIF_NOT_RATIONAL;
    const double kMax = 4294967295.0;
    // A value whose integer part needs more than 32 bits has no rational of
    // 32-bit terms near it.
    if (std::floor(value) > kMax) {
        numerator = 0xFFFFFFFFu;
        return EXIF_NOT_RATIONAL;
    }
    // Two fractions on either side of the value: the fraction p/q and the
    // candidate cp/cq. Each step moves the candidate towards the value as far
    // as it stays on its side, then makes the fraction the sum of both, until
    // the fraction is exact or within the tolerance.
    double p = std::floor(value), q = 1, cp = p + 1, cq = 1;
    for (int step = 0; step < 256; ++step) {
        if (p == value * q) break;
        double r = (cp - value * cq) / (value * q - p);
        if (r <= 1) {
            // The candidate is the nearer one, unless its terms do not fit.
            if (cp > kMax || cq > kMax) break;
            std::swap(p, cp);
            std::swap(q, cq);
        }
        double error = std::fabs(1 - p / (value * q));
        if (error <= tolerance || RoundToOneDigit(error) <= tolerance) break;
        double k = std::floor(r >= 1 ? r : 1 / r);
        double np = cp + k * p, nq = cq + k * q;
        // The next fraction would need more than 32 bits: keep this one.
        if (p + np > kMax || q + nq > kMax) break;
        cp = np;
        cq = nq;
        p += cp;
        q += cq;
    }
    numerator = static_cast<uint32_t>(p);
    denominator = static_cast<uint32_t>(q);
    return EXIF_OK;
}

// ---- value helpers ----

namespace {
template <typename T>
bool CollectAs(const ExifTagEntry* e, std::vector<double>& out) {
    if (auto* one = dynamic_cast<const ExifTagEntryT<T>*>(e)) {
        out.push_back(static_cast<double>(one->value));
        return true;
    }
    if (auto* many = dynamic_cast<const ExifTagEntryT<std::vector<T>>*>(e)) {
        for (const T& v : many->value) out.push_back(static_cast<double>(v));
        return true;
    }
    return false;
}

// Every numeric value of an entry, whatever its member type.
std::vector<double> NumericValues(const ExifTagEntry* e) {
    std::vector<double> out;
    CollectAs<unsigned char>(e, out) || CollectAs<char>(e, out) || CollectAs<unsigned short>(e, out) ||
        CollectAs<short>(e, out) || CollectAs<unsigned int>(e, out) || CollectAs<int>(e, out) ||
        CollectAs<float>(e, out) || CollectAs<double>(e, out);
    return out;
}

template <typename T>
ExifTagEntry* MakeEntry(uint32_t tag, uint16_t type, const std::vector<T>& v) {
    if (v.size() == 1) return new ExifTagEntryT<T>(tag, type, 1, v[0]);
    return new ExifTagEntryT<std::vector<T>>(tag, type, static_cast<uint32_t>(v.size()), v);
}

void PutU16(std::vector<uint8_t>& out, uint16_t v, const ExifFileHandle* h) {
    h->Swap16(v);
    uint8_t b[2];
    memcpy(b, &v, 2);
    out.insert(out.end(), b, b + 2);
}
void PutU32(std::vector<uint8_t>& out, uint32_t v, const ExifFileHandle* h) {
    h->Swap32(v);
    uint8_t b[4];
    memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
}
void PutU64(std::vector<uint8_t>& out, uint64_t v, const ExifFileHandle* h) {
    h->Swap64Array(&v, 1);
    uint8_t b[8];
    memcpy(b, &v, 8);
    out.insert(out.end(), b, b + 8);
}

uint32_t StreamEnd(ExifFileHandle* h) {
    int64_t end = h->Seek(0, 2);
    return end < 0 ? 0 : static_cast<uint32_t>(end);
}

const uint32_t kThumbnailTags[] = {513, 514, 256, 257, 258, 262, 277, 278, 284};
}  // namespace

bool ExifEntryBytes(const ExifTagEntry* e, std::vector<uint8_t>& out) {
    if (auto* a = dynamic_cast<const ExifByteEntry*>(e)) {
        out.push_back(a->value);
        return true;
    }
    if (auto* b = dynamic_cast<const ExifCharEntry*>(e)) {
        out.push_back(static_cast<uint8_t>(b->value));
        return true;
    }
    if (auto* c = dynamic_cast<const ExifByteVectorEntry*>(e)) {
        out.assign(c->value.begin(), c->value.end());
        return true;
    }
    if (auto* d = dynamic_cast<const ExifCharVectorEntry*>(e)) {
        for (char ch : d->value) out.push_back(static_cast<uint8_t>(ch));
        return true;
    }
    if (auto* s = dynamic_cast<const ExifStringEntry*>(e)) {
        out.assign(s->value.begin(), s->value.end());
        return true;
    }
    return false;
}

bool ExifExtendStream(ExifFileHandle* h, int64_t position) {
    int64_t end = h->Seek(0, 2);
    if (end < 0) return false;
    static const uint8_t zeros[256] = {};
    while (end < position) {
        uint32_t n = static_cast<uint32_t>(std::min<int64_t>(position - end, sizeof(zeros)));
        if (!h->WriteAll(zeros, n)) return false;
        end += n;
    }
    return true;
}

// ---- construction ----

ExifIfd::ExifIfd(uint16_t pointerTag, uint32_t directoryPosition, uint32_t readBase, uint16_t index)
    : directoryPos(directoryPosition), readBase(readBase), pointerTag(pointerTag), index(index) {}

ExifIfd::ExifIfd(uint16_t pointerTag, uint16_t index) : pointerTag(pointerTag), index(index) {}

ExifIfd::ExifIfd(const ExifIfd& other) : pointerTag(other.pointerTag), index(other.index) { CopyFrom(other); }

ExifIfd::~ExifIfd() { Clear(); }

void ExifIfd::Clear() {
    imageWidth = imageLength = photometric = planarConfig = samplesPerPixel = rowsPerStrip = compression = nullptr;
    jpegOffset = jpegLength = ycbcrSubSampling = bitsPerSample = stripOffsets = stripByteCounts = nullptr;
    for (auto& kv : tags) delete kv.second;
    tags.clear();
    for (auto& kv : subIfds)
        for (ExifIfd* d : kv.second) delete d;
    subIfds.clear();
    DropThumbnail();
}

void ExifIfd::DropThumbnail() {
    if (thumbImage) {
        FreeExifImageBuffer(thumbImage);
        delete thumbImage;
        thumbImage = nullptr;
    }
    free(thumbBytes);
    thumbBytes = nullptr;
    thumbLength = 0;
}

bool ExifIfd::SetThumbnailBytes(const uint8_t* bytes, uint32_t length) {
    DropThumbnail();
    if (!bytes || !length) return true;
    thumbBytes = static_cast<uint8_t*>(malloc(length));
    if (!thumbBytes) return false;
    memcpy(thumbBytes, bytes, length);
    thumbLength = length;
    return true;
}

// ---- tags ----

ExifTagEntry* ExifIfd::FindTag(uint32_t tag) const {
    auto it = tags.find(tag);
    return it == tags.end() ? nullptr : it->second;
}

void ExifIfd::ForgetQuickRef(const ExifTagEntry* e) {
    ExifTagEntry** refs[] = {&imageWidth,    &imageLength,  &photometric,    &planarConfig, &samplesPerPixel,
                             &rowsPerStrip,  &compression,  &jpegOffset,     &jpegLength,   &ycbcrSubSampling,
                             &bitsPerSample, &stripOffsets, &stripByteCounts};
    for (ExifTagEntry** r : refs)
        if (*r == e) *r = nullptr;
}

void ExifIfd::NoteSpecialTag(ExifTagEntry* e) {
    switch (e->tag) {
    case 256: imageWidth = e; break;
    case 257: imageLength = e; break;
    case 258: bitsPerSample = e; break;
    case 259: compression = e; break;
    case 262: photometric = e; break;
    case 273: stripOffsets = e; break;
    case 277: samplesPerPixel = e; break;
    case 278: rowsPerStrip = e; break;
    case 279: stripByteCounts = e; break;
    case 284: planarConfig = e; break;
    case 513: jpegOffset = e; break;
    case 514: jpegLength = e; break;
    case 530: ycbcrSubSampling = e; break;
    default: break;
    }
}

bool ExifIfd::RemoveTag(uint32_t tag) {
    bool had = false;
    auto it = tags.find(tag);
    if (it != tags.end()) {
        ForgetQuickRef(it->second);
        delete it->second;
        tags.erase(it);
        had = true;
    }
    auto sub = subIfds.find(tag);
    if (sub != subIfds.end()) {
        for (ExifIfd* d : sub->second) delete d;
        subIfds.erase(sub);
    }
    return had;
}

void ExifIfd::SetTag(ExifTagEntry* entry) {
    if (!entry) return;
    RemoveTag(entry->tag);
    try {
        tags[entry->tag] = entry;
    } catch (...) {
        delete entry;
        return;
    }
    if (IsIfdPointerTag(entry->tag)) LoadSubIfds(entry);
    NoteSpecialTag(entry);
}

int ExifIfd::AddTag(const ExifTagEntry* entry) {
    if (!entry) return EXIF_OK;
    ExifTagEntry* copy = entry->Clone();
    if (!copy) return EXIF_NO_MEMORY;
    SetTag(copy);
    return EXIF_OK;
}

void ExifIfd::LoadSubIfds(ExifTagEntry* entry) {
    std::vector<unsigned int> values = ExifLongValues(entry);
    if (values.size() > EXIF_MAX_SUBIFDS_PER_TAG) values.resize(EXIF_MAX_SUBIFDS_PER_TAG);
    for (size_t i = 0; i < values.size(); ++i) {
        uint64_t position = static_cast<uint64_t>(readBase) + values[i];
        ExifIfd* d = new (std::nothrow)
            ExifIfd(static_cast<uint16_t>(entry->tag), position > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(position),
                    readBase, static_cast<uint16_t>(i));
        if (!d) return;
        if (AddSubIfd(d) != EXIF_OK) delete d;
    }
}

bool ExifIfd::GetSubIfds(uint32_t tag, std::vector<ExifIfd*>& out) const {
    auto it = subIfds.find(tag);
    if (it == subIfds.end()) return false;
    out = it->second;
    return true;
}

ExifIfd* ExifIfd::GetSubIfd(uint32_t tag, uint32_t i) const {
    auto it = subIfds.find(tag);
    if (it == subIfds.end() || i >= it->second.size()) return nullptr;
    return it->second[i];
}

int ExifIfd::AddSubIfd(ExifIfd* directory) {
    try {
        subIfds[directory->pointerTag].push_back(directory);
    } catch (...) { return EXIF_NO_MEMORY; }
    return EXIF_OK;
}

int ExifIfd::CreateSubIfd(uint32_t tag) {
    if (!IsIfdPointerTag(tag)) return EXIF_NOT_POINTER_TAG;
    try {
        auto it = tags.find(tag);
        if (it != tags.end()) {
            std::vector<unsigned int> values = ExifLongValues(it->second);
            values.push_back(0);
            auto* replacement =
                new ExifLongVectorEntry(tag, EXIF_TYPE_LONG, static_cast<uint32_t>(values.size()), values);
            ForgetQuickRef(it->second);
            delete it->second;
            it->second = replacement;
        } else {
            tags[tag] = new ExifLongEntry(tag, EXIF_TYPE_LONG, 1, 0);
        }
        auto sub = subIfds.find(tag);
        uint16_t next = sub == subIfds.end() ? 0 : static_cast<uint16_t>(sub->second.size());
        ExifIfd* d = new ExifIfd(static_cast<uint16_t>(tag), next);
        if (AddSubIfd(d) != EXIF_OK) {
            delete d;
            return EXIF_NO_MEMORY;
        }
    } catch (...) { return EXIF_NO_MEMORY; }
    return EXIF_OK;
}

int64_t ExifIfd::TagInt(const ExifTagEntry* entry, int64_t fallback) const {
    int64_t v;
    return ExifFirstInt(entry, v) ? v : fallback;
}

void ExifIfd::StoreLongList(uint32_t tag, const std::vector<unsigned int>& values) {
    ExifTagEntry* e = nullptr;
    try {
        if (values.size() < 2)
            e = new ExifLongEntry(tag, EXIF_TYPE_LONG, static_cast<uint32_t>(values.size()),
                                  values.empty() ? 0 : values[0]);
        else e = new ExifLongVectorEntry(tag, EXIF_TYPE_LONG, static_cast<uint32_t>(values.size()), values);
    } catch (...) { return; }
    SetTag(e);
}

std::vector<unsigned int> ExifIfd::StripOffsets() const { return ExifLongValues(stripOffsets); }
std::vector<unsigned int> ExifIfd::StripByteCounts() const { return ExifLongValues(stripByteCounts); }

int64_t ExifIfd::StripCount() const {
    int64_t length = TagInt(imageLength, -1);
    if (length < 0) return -1;
    int64_t rps = TagInt(rowsPerStrip, 0xFFFFFFFF);
    int64_t n;
    // RowsPerStrip 0 would divide by zero: it counts as one strip of all rows.
    if (rps == 0xFFFFFFFF || rps <= 0) n = length ? 1 : 0;
    else n = (length + rps - 1) / rps;
    if (TagInt(planarConfig, 1) == 2) n *= TagInt(samplesPerPixel, 1);
    return n;
}

int64_t ExifIfd::RowBytes() const {
    int64_t width = TagInt(imageWidth, -1);
    int64_t bits = TagInt(bitsPerSample, -1);
    if (width < 0 || bits < 0) return -1;
    int64_t bitsPerRow = bits * width;
    if (TagInt(planarConfig, 1) == 1) bitsPerRow *= TagInt(samplesPerPixel, 1);
    return (bitsPerRow + 7) / 8;
}

// ---- reading ----

int ExifIfd::ReadEntries(ExifFileHandle* stream, std::vector<ExifRawEntry>& entries) {
    entries.clear();
    if (!stream->SeekTo(directoryPos)) return EXIF_SHORT_READ;
    uint16_t n;
    if (!stream->ReadU16(n)) return EXIF_SHORT_READ;
    if (n > EXIF_MAX_ENTRIES) return EXIF_SHORT_READ;
    std::vector<uint8_t> block;
    try {
        block.resize(static_cast<size_t>(n) * 12);
        entries.resize(n);
    } catch (...) { return EXIF_NO_MEMORY; }
    if (!stream->ReadAll(block.data(), static_cast<uint32_t>(block.size()))) return EXIF_SHORT_READ;
    for (uint16_t i = 0; i < n; ++i) {
        const uint8_t* p = &block[static_cast<size_t>(i) * 12];
        ExifRawEntry& r = entries[i];
        memcpy(&r.tag, p, 2);
        memcpy(&r.type, p + 2, 2);
        memcpy(&r.count, p + 4, 4);
        memcpy(&r.value, p + 8, 4);
        memcpy(r.valueBytes, p + 8, 4);
        stream->Swap16(r.tag);
        stream->Swap16(r.type);
        stream->Swap32(r.count);
        stream->Swap32(r.value);
    }
    return EXIF_OK;
}

ExifTagEntry* ExifIfd::EntryFactory(ExifFileHandle* stream, const ExifRawEntry& raw, int& status) {
    status = EXIF_OK;
    if (raw.count == 0) return nullptr;
    uint32_t unit = ExifTypeUnitSize(raw.type);
    if (unit == 0) return nullptr;
    uint64_t total = static_cast<uint64_t>(raw.count) * unit;
    std::vector<uint8_t> bytes;
    try {
        if (total <= 4) {
            bytes.assign(raw.valueBytes, raw.valueBytes + total);
        } else {
            // The count comes from the file: the values must lie inside the
            // stream before anything is allocated for them.
            uint64_t position = static_cast<uint64_t>(readBase) + raw.value;
            int64_t size = stream->Size();
            if (size < 0 || position > static_cast<uint64_t>(size) || total > static_cast<uint64_t>(size) - position)
                return nullptr;
            bytes.resize(static_cast<size_t>(total));
            if (!stream->SeekTo(static_cast<int64_t>(position))) return nullptr;
            if (!stream->ReadAll(bytes.data(), static_cast<uint32_t>(total))) return nullptr;
        }
        const uint32_t n = raw.count;
        const uint8_t* p = bytes.data();
        uint32_t tag = raw.tag;
        switch (raw.type) {
        case EXIF_TYPE_BYTE: return MakeEntry<unsigned char>(tag, raw.type, std::vector<unsigned char>(p, p + n));
        case EXIF_TYPE_ASCII:
            return new ExifStringEntry(tag, raw.type, n, std::string(reinterpret_cast<const char*>(p), n - 1));
        case EXIF_TYPE_SBYTE:
        case EXIF_TYPE_UNDEFINED: return MakeEntry<char>(tag, raw.type, std::vector<char>(p, p + n));
        case EXIF_TYPE_SHORT:
        case EXIF_TYPE_SSHORT: {
            std::vector<uint16_t> v(n);
            memcpy(v.data(), p, static_cast<size_t>(n) * 2);
            stream->Swap16Array(v.data(), n);
            if (raw.type == EXIF_TYPE_SSHORT)
                return MakeEntry<short>(tag, raw.type, std::vector<short>(v.begin(), v.end()));
            if (IsExifWidenedTag(tag))
                return MakeEntry<unsigned int>(tag, EXIF_TYPE_LONG, std::vector<unsigned int>(v.begin(), v.end()));
            return MakeEntry<unsigned short>(tag, raw.type, std::vector<unsigned short>(v.begin(), v.end()));
        }
        case EXIF_TYPE_LONG:
        case EXIF_TYPE_SLONG:
        case EXIF_TYPE_FLOAT: {
            std::vector<uint32_t> v(n);
            memcpy(v.data(), p, static_cast<size_t>(n) * 4);
            stream->Swap32Array(v.data(), n);
            if (raw.type == EXIF_TYPE_LONG) return MakeEntry<unsigned int>(tag, raw.type, v);
            if (raw.type == EXIF_TYPE_SLONG) return MakeEntry<int>(tag, raw.type, std::vector<int>(v.begin(), v.end()));
            std::vector<float> f(n);
            memcpy(f.data(), v.data(), static_cast<size_t>(n) * 4);
            return MakeEntry<float>(tag, raw.type, f);
        }
        case EXIF_TYPE_RATIONAL:
        case EXIF_TYPE_SRATIONAL: {
            std::vector<uint32_t> v(static_cast<size_t>(n) * 2);
            memcpy(v.data(), p, static_cast<size_t>(n) * 8);
            stream->Swap32Array(v.data(), v.size());
            std::vector<float> f(n);
            for (uint32_t i = 0; i < n; ++i) {
                uint32_t num = v[2 * i], den = v[2 * i + 1];
                if (raw.type == EXIF_TYPE_RATIONAL) {
                    if (num == 0) f[i] = 0;
                    else if (den == 0) {
                        status = EXIF_ZERO_DENOMINATOR;
                        return nullptr;
                    } else f[i] = static_cast<float>(static_cast<double>(num) / den);
                } else {
                    if (den == 0) {
                        status = EXIF_ZERO_DENOMINATOR;
                        return nullptr;
                    }
                    f[i] =
                        static_cast<float>(static_cast<double>(static_cast<int32_t>(num)) / static_cast<int32_t>(den));
                }
            }
            ExifTagEntry* e = MakeEntry<float>(tag, raw.type, f);
            e->rationalPairs = std::move(v);
            return e;
        }
        case EXIF_TYPE_DOUBLE: {
            std::vector<uint64_t> v(n);
            memcpy(v.data(), p, static_cast<size_t>(n) * 8);
            stream->Swap64Array(v.data(), n);
            std::vector<double> d(n);
            memcpy(d.data(), v.data(), static_cast<size_t>(n) * 8);
            return MakeEntry<double>(tag, raw.type, d);
        }
        default: return nullptr;
        }
    } catch (...) {
        status = EXIF_OK;
        return nullptr;
    }
}

int ExifIfd::Read(ExifFileHandle* stream) {
    ExifReadContext context;
    return Read(stream, context, 0);
}

int ExifIfd::Read(ExifFileHandle* stream, ExifReadContext& context, uint32_t depth) {
    stream->flags &= ~EXIF_FLAG_STRIPS_READY;
    if (directoryPos == 0) return EXIF_OK;
    // A directory reached twice (a loop in the file) or beyond the limits is
    // left empty.
    if (context.directories >= EXIF_MAX_DIRECTORIES || !context.visited.insert(directoryPos).second) {
        directoryPos = 0;
        return EXIF_OK;
    }
    ++context.directories;
    std::vector<ExifRawEntry> raw;
    int status = ReadEntries(stream, raw);
    if (status != EXIF_OK) return status;
    for (const ExifRawEntry& r : raw) {
        // A value that cannot be read (a zero denominator, values outside the
        // stream) drops that entry only: the rest of the directory, its
        // thumbnail and its sub-directories are still read.
        int valueStatus;
        ExifTagEntry* e = EntryFactory(stream, r, valueStatus);
        if (!e) continue;
        if (static_cast<uint64_t>(ExifTypeUnitSize(r.type)) * r.count > 4) e->valueOffset = r.value;
        // Sub-directories hang below this one: cap the nesting here, and the
        // number of directory objects the whole segment makes (pointers that
        // fan out to directories read before would otherwise multiply them).
        if (IsIfdPointerTag(e->tag)) {
            size_t made = std::min<size_t>(ExifLongValues(e).size(), EXIF_MAX_SUBIFDS_PER_TAG);
            if (depth + 1 >= EXIF_MAX_DEPTH || context.made + made > EXIF_MAX_DIRECTORIES) {
                delete e;
                continue;
            }
            context.made += static_cast<uint32_t>(made);
        }
        AddTag(e);
        delete e;
    }
    raw.clear();

    if (imageWidth || (jpegOffset && jpegLength)) {
        int64_t comp = TagInt(compression, jpegOffset && jpegLength ? 6 : 1);
        if (comp == 1) {
            int64_t w = TagInt(imageWidth, 0), h = TagInt(imageLength, 0), c = TagInt(samplesPerPixel, 1);
            int64_t bits = TagInt(bitsPerSample, 8);
            // Each factor is checked on its own so that the product cannot wrap.
            if (w > 0 && h > 0 && c >= 1 && c <= 4 && bits == 8 && w <= 65535 && h <= 65535 && w * h * c <= 65535) {
                ExifImageInfo info;
                info.width = static_cast<uint32_t>(w);
                info.height = static_cast<uint32_t>(h);
                info.components = static_cast<uint16_t>(c);
                ExifImageBuffer* image = new (std::nothrow) ExifImageBuffer;
                if (image) {
                    InitExifImageBuffer(image);
                    if (AllocExifImageBuffer(info, image) == EXIF_OK) {
                        memset(image->channel[0].data, 0, static_cast<size_t>(w * h * c));
                        bool other = false;
                        ExifStripImage strips(this, stream, &other);
                        if (strips.ReadImage(image) == EXIF_OK) {
                            thumbImage = image;
                            image = nullptr;
                        } else {
                            FreeExifImageBuffer(image);
                        }
                    }
                    delete image;
                }
            }
        } else if (comp == 6) {
            int64_t length = TagInt(jpegLength, 0), offset = TagInt(jpegOffset, -1);
            int64_t size = stream->Size();
            int64_t start = static_cast<int64_t>(readBase) + offset;
            if (length >= 1 && length <= 65534 && offset >= 0 && start + length <= size) {
                uint8_t* bytes = static_cast<uint8_t*>(malloc(static_cast<size_t>(length)));
                if (bytes && stream->SeekTo(start) && stream->ReadAll(bytes, static_cast<uint32_t>(length))) {
                    thumbBytes = bytes;
                    thumbLength = static_cast<uint32_t>(length);
                } else {
                    free(bytes);
                }
            }
        }
    }

    for (auto& kv : subIfds) {
        for (ExifIfd* d : kv.second) {
            status = d->Read(stream, context, depth + 1);
            if (status != EXIF_OK) return status;
        }
    }
    return EXIF_OK;
}

ExifImageBuffer* ExifIfd::DecodeThumbnail() {
    if (thumbImage) return thumbImage;
    if (!thumbBytes || !thumbLength) return nullptr;
    ExifJpegImage jpeg;
    if (jpeg.OpenMemory(thumbBytes, thumbLength, "r", thumbLength) != EXIF_OK) return nullptr;
    ExifImageInfo info = jpeg.info;
    info.components = info.components == 1 ? 1 : 3;
    info.bitsPerSample = 8;
    info.colorCode = EXIF_COLOR_RGB;
    if (info.width == 0 || info.height == 0 || info.width > 65535 || info.height > 65535 ||
        static_cast<uint64_t>(info.width) * info.height > EXIF_MAX_THUMBNAIL_PIXELS)
        return nullptr;
    ExifImageBuffer* image = new (std::nothrow) ExifImageBuffer;
    if (!image) return nullptr;
    InitExifImageBuffer(image);
    if (AllocExifImageBuffer(info, image) != EXIF_OK) {
        delete image;
        return nullptr;
    }
    uint32_t row = 0;
    while (row < info.height) {
        ExifImageBuffer view = *image;
        view.channel[0].data = image->channel[0].data + static_cast<size_t>(row) * image->channel[0].rowStep;
        uint32_t next = 0;
        uint16_t got = 0;
        if (jpeg.ReadScanLines(&view, info.height - row, &next, &got) != EXIF_OK || got == 0) {
            FreeExifImageBuffer(image);
            delete image;
            return nullptr;
        }
        row += got;
    }
    thumbImage = image;
    return thumbImage;
}

// ---- copying and listing ----

void ExifIfd::CopyFrom(const ExifIfd& other) {
    for (const auto& kv : other.tags) {
        if (kv.first == 273 || kv.first == 279) continue;
        AddTag(kv.second);
    }
    if (other.thumbImage) {
        ExifImageInfo info;
        info.width = other.thumbImage->width;
        info.height = other.thumbImage->height;
        info.components = static_cast<uint16_t>(other.thumbImage->channels);
        ExifImageBuffer* image = new (std::nothrow) ExifImageBuffer;
        if (image) {
            InitExifImageBuffer(image);
            if (AllocExifImageBuffer(info, image) == EXIF_OK) {
                memcpy(image->channel[0].data, other.thumbImage->channel[0].data,
                       static_cast<size_t>(info.width) * info.height * info.components);
                if (thumbImage) {
                    FreeExifImageBuffer(thumbImage);
                    delete thumbImage;
                }
                thumbImage = image;
            } else {
                delete image;
            }
        }
    }
    if (other.thumbBytes) {
        uint8_t* bytes = static_cast<uint8_t*>(malloc(other.thumbLength));
        if (bytes) {
            memcpy(bytes, other.thumbBytes, other.thumbLength);
            free(thumbBytes);
            thumbBytes = bytes;
            thumbLength = other.thumbLength;
        }
    }
    for (const auto& kv : other.subIfds) {
        for (size_t i = 0; i < kv.second.size(); ++i) {
            ExifIfd* mine = GetSubIfd(kv.first, static_cast<uint32_t>(i));
            if (mine && mine != kv.second[i]) {
                mine->directoryPos = 0;
                mine->CopyFrom(*kv.second[i]);
            }
        }
    }
}

void ExifIfd::ListTags(std::vector<ExifPathTags>& out, uint16_t parentTag) const {
    ExifPathTags element;
    if (pointerTag != 0) {
        for (size_t i = out.size(); i-- > 0;) {
            if (!out[i].path.empty() && out[i].path.back().first == parentTag) {
                element.path = out[i].path;
                break;
            }
        }
    }
    element.path.emplace_back(pointerTag, index);
    for (const auto& kv : tags) element.tags.push_back(kv.second);
    out.push_back(std::move(element));
    for (const auto& kv : subIfds)
        for (const ExifIfd* d : kv.second) d->ListTags(out, pointerTag);
}

// ---- writing ----

void ExifIfd::MatchTagsToImage() {
    const ExifImageBuffer* image = thumbImage;
    uint32_t c = image->channels;
    try {
        SetTag(new ExifLongEntry(256, EXIF_TYPE_LONG, 1, image->width));
        SetTag(new ExifLongEntry(257, EXIF_TYPE_LONG, 1, image->height));
        SetTag(new ExifShortEntry(277, EXIF_TYPE_SHORT, 1, static_cast<unsigned short>(c)));
        if (c == 1) SetTag(new ExifShortEntry(258, EXIF_TYPE_SHORT, 1, 8));
        else SetTag(new ExifShortVectorEntry(258, EXIF_TYPE_SHORT, c, std::vector<unsigned short>(c, 8)));
        SetTag(new ExifShortEntry(284, EXIF_TYPE_SHORT, 1, 1));
        if (!photometric) SetTag(new ExifShortEntry(262, EXIF_TYPE_SHORT, 1, c == 1 ? 1 : 2));
        int64_t rps = TagInt(rowsPerStrip, 0);
        if (rps <= 0 || rps > image->height) SetTag(new ExifLongEntry(278, EXIF_TYPE_LONG, 1, image->height));
    } catch (...) {}
}

int ExifIfd::PrepareThumbnailTags() {
    int64_t comp = TagInt(compression, -1);
    if (comp == 1 && !thumbImage && thumbBytes) DecodeThumbnail();
    if (comp == 1 && thumbImage) {
        MatchTagsToImage();
        int64_t n = StripCount();
        if (n < 0 || n > 65535) return EXIF_ERROR;
        std::vector<unsigned int> zeros(static_cast<size_t>(n), 0);
        StoreLongList(273, zeros);
        StoreLongList(279, zeros);
        RemoveTag(513);
        RemoveTag(514);
        return EXIF_OK;
    }
    if ((thumbImage || thumbBytes) && comp == 6) {
        for (uint32_t tag : {256, 257, 258, 262, 277, 278, 284, 273, 279}) RemoveTag(tag);
        if (!jpegLength) SetTag(new (std::nothrow) ExifLongEntry(514, EXIF_TYPE_LONG, 1, 0));
        if (!jpegOffset) SetTag(new (std::nothrow) ExifLongEntry(513, EXIF_TYPE_LONG, 1, 0));
        return EXIF_OK;
    }
    if (!thumbImage && !thumbBytes) {
        // No thumbnail to write (also Compression 6 copied without its bytes):
        // drop every tag that would describe or point at one.
        for (uint32_t tag : kThumbnailTags) RemoveTag(tag);
        RemoveTag(273);
        RemoveTag(279);
    }
    return EXIF_OK;
}

int ExifIfd::Write(ExifFileHandle* stream, uint32_t base, uint32_t* nextField) {
    writeBase = base;
    stripOffsetsPos = stripByteCountsPos = jpegOffsetPos = jpegLengthPos = 0;
    int status = PrepareThumbnailTags();
    if (status != EXIF_OK) return status;
    uint32_t next = 0;
    status = WriteEntries(stream, &next);
    if (status != EXIF_OK) return status;
    for (auto& kv : subIfds) {
        for (ExifIfd* d : kv.second) {
            uint32_t ignored;
            d->noteStart = noteStart;
            d->noteEnd = noteEnd;
            status = d->Write(stream, base, &ignored);
            if (status != EXIF_OK) return status;
        }
    }
    status = WriteThumbnail(stream);
    if (status != EXIF_OK) return status;
    endPos = StreamEnd(stream);
    if (nextField) *nextField = next;
    return EXIF_OK;
}

int ExifIfd::WriteEntries(ExifFileHandle* stream, uint32_t* nextField) {
    uint32_t n = static_cast<uint32_t>(tags.size());
    directoryPos = entryPos = ClearOfNote(StreamEnd(stream), 12ull * n + 6);
    if (linkPos != 0) {
        if (!stream->SeekTo(linkPos) || !stream->WriteU32(directoryPos - writeBase)) return EXIF_SHORT_WRITE;
    }
    dataPos = directoryPos + 12 * n + 6;
    if ((dataPos - writeBase) & 1) ++dataPos;
    if (!ExifExtendStream(stream, dataPos)) return EXIF_SHORT_WRITE;
    if (!stream->SeekTo(entryPos) || !stream->WriteU16(static_cast<uint16_t>(n))) return EXIF_SHORT_WRITE;
    entryPos += 2;
    for (auto& kv : tags) {
        int status;
        auto sub = subIfds.find(kv.first);
        if (sub != subIfds.end() && !sub->second.empty()) status = WriteSubIfdPointer(stream, kv.second, sub->second);
        else status = WriteEntry(stream, kv.second);
        if (status != EXIF_OK) return status;
    }
    uint32_t next = directoryPos + 12 * n + 2;
    if (!stream->SeekTo(next) || !stream->WriteU32(0)) return EXIF_SHORT_WRITE;
    *nextField = next;
    return EXIF_OK;
}

int ExifIfd::WriteValueBytes(ExifFileHandle* stream, const uint8_t* bytes, uint32_t size, uint8_t field[4]) {
    memset(field, 0, 4);
    if (size <= 4) {
        if (size) memcpy(field, bytes, size);
        return EXIF_OK;
    }
    dataPos = ClearOfNote(dataPos, size);
    if (!ExifExtendStream(stream, dataPos) || !stream->SeekTo(dataPos) || !stream->WriteAll(bytes, size))
        return EXIF_SHORT_WRITE;
    uint32_t offset = dataPos - writeBase;
    stream->Swap32(offset);
    memcpy(field, &offset, 4);
    dataPos = StreamEnd(stream);
    if ((dataPos - writeBase) & 1) {
        if (!ExifExtendStream(stream, dataPos + 1)) return EXIF_SHORT_WRITE;
        ++dataPos;
    }
    return EXIF_OK;
}

uint32_t ExifIfd::ClearOfNote(uint32_t position, uint64_t size) const {
    if (noteEnd <= noteStart || position >= noteEnd || position + size <= noteStart) return position;
    position = noteEnd;
    if ((position - writeBase) & 1) ++position;
    return position;
}

bool ExifIfd::IsPinnedNote(const ExifTagEntry* entry, size_t size) const {
    return entry->tag == EXIF_TAG_MAKER_NOTE && pointerTag == 34665 && noteEnd > noteStart && entry->valueOffset != 0 &&
           writeBase + entry->valueOffset == noteStart && size == noteEnd - noteStart;
}

int ExifIfd::WriteRawEntry(ExifFileHandle* stream, uint16_t tag, uint16_t type, uint32_t count,
                           const uint8_t field[4]) {
    if (!stream->SeekTo(entryPos) || !stream->WriteU16(tag) || !stream->WriteU16(type) || !stream->WriteU32(count) ||
        !stream->WriteAll(field, 4))
        return EXIF_SHORT_WRITE;
    entryPos += 12;
    return EXIF_OK;
}

int ExifIfd::WriteEntry(ExifFileHandle* stream, const ExifTagEntry* entry) {
    std::vector<uint8_t> bytes;
    uint32_t count = entry->count;
    uint16_t type = entry->type;
    try {
        switch (type) {
        case EXIF_TYPE_ASCII: {
            std::vector<uint8_t> text;
            ExifEntryBytes(entry, text);
            if (count == 0) count = static_cast<uint32_t>(text.size()) + 1;
            bytes.assign(count, 0);
            memcpy(bytes.data(), text.data(), std::min<size_t>(text.size(), count - 1));
            break;
        }
        case EXIF_TYPE_BYTE:
        case EXIF_TYPE_SBYTE:
        case EXIF_TYPE_UNDEFINED:
            if (!ExifEntryBytes(entry, bytes)) {
                for (double v : NumericValues(entry)) bytes.push_back(static_cast<uint8_t>(static_cast<int64_t>(v)));
            }
            count = static_cast<uint32_t>(bytes.size());
            break;
        case EXIF_TYPE_SHORT:
        case EXIF_TYPE_SSHORT: {
            auto values = NumericValues(entry);
            for (double v : values) PutU16(bytes, static_cast<uint16_t>(static_cast<int64_t>(v)), stream);
            count = static_cast<uint32_t>(values.size());
            break;
        }
        case EXIF_TYPE_LONG:
        case EXIF_TYPE_SLONG: {
            auto values = NumericValues(entry);
            for (double v : values) PutU32(bytes, static_cast<uint32_t>(static_cast<int64_t>(v)), stream);
            count = static_cast<uint32_t>(values.size());
            break;
        }
        case EXIF_TYPE_FLOAT: {
            auto values = NumericValues(entry);
            for (double v : values) {
                float f = static_cast<float>(v);
                uint32_t bits;
                memcpy(&bits, &f, 4);
                PutU32(bytes, bits, stream);
            }
            count = static_cast<uint32_t>(values.size());
            break;
        }
        case EXIF_TYPE_RATIONAL:
        case EXIF_TYPE_SRATIONAL: {
            auto values = NumericValues(entry);
            count = static_cast<uint32_t>(values.size());
            bool keepPairs = entry->rationalPairs.size() == 2 * values.size();
            for (size_t i = 0; keepPairs && i < values.size(); ++i) {
                uint32_t num = entry->rationalPairs[2 * i], den = entry->rationalPairs[2 * i + 1];
                float q;
                if (type == EXIF_TYPE_RATIONAL)
                    q = num == 0 ? 0.0f : static_cast<float>(static_cast<double>(num) / den);
                else q = static_cast<float>(static_cast<double>(static_cast<int32_t>(num)) / static_cast<int32_t>(den));
                if (q != static_cast<float>(values[i])) keepPairs = false;
            }
            for (size_t i = 0; i < values.size(); ++i) {
                uint32_t num, den;
                if (keepPairs) {
                    num = entry->rationalPairs[2 * i];
                    den = entry->rationalPairs[2 * i + 1];
                } else {
                    double v = values[i];
                    bool negative = v < 0;
                    if (type == EXIF_TYPE_RATIONAL && negative) v = 0;
                    if (DoubleToRational(std::fabs(v), 1e-10, num, den) != EXIF_OK) {
                        // Out of range: the nearest end of what a rational can hold.
                        if (std::fabs(v) >= 1) {
                            num = type == EXIF_TYPE_SRATIONAL ? 0x7FFFFFFF : 0xFFFFFFFF;
                            den = 1;
                        } else {
                            num = 0;
                            den = 1;
                        }
                    }
                    if (type == EXIF_TYPE_SRATIONAL) {
                        while (num > 0x7FFFFFFF) {
                            num >>= 1;
                            den = std::max<uint32_t>(den >> 1, 1);
                        }
                        if (negative) num = static_cast<uint32_t>(-static_cast<int32_t>(num));
                    }
                }
                PutU32(bytes, num, stream);
                PutU32(bytes, den, stream);
            }
            break;
        }
        case EXIF_TYPE_DOUBLE: {
            auto values = NumericValues(entry);
            for (double v : values) {
                uint64_t bits;
                memcpy(&bits, &v, 8);
                PutU64(bytes, bits, stream);
            }
            count = static_cast<uint32_t>(values.size());
            break;
        }
        default: count = 0; break;
        }
    } catch (...) { return EXIF_NO_MEMORY; }
    uint8_t field[4];
    if (IsPinnedNote(entry, bytes.size())) {
        // The segment writes the bytes there when every directory is laid out.
        uint32_t offset = noteStart - writeBase;
        stream->Swap32(offset);
        memcpy(field, &offset, 4);
        return WriteRawEntry(stream, static_cast<uint16_t>(entry->tag), type, count, field);
    }
    int status = WriteValueBytes(stream, bytes.data(), static_cast<uint32_t>(bytes.size()), field);
    if (status != EXIF_OK) return status;
    uint32_t valuePos;
    if (bytes.size() <= 4) {
        valuePos = entryPos + 8;
    } else {
        uint32_t offset;
        memcpy(&offset, field, 4);
        stream->Swap32(offset);
        valuePos = writeBase + offset;
    }
    switch (entry->tag) {
    case 273: stripOffsetsPos = valuePos; break;
    case 279: stripByteCountsPos = valuePos; break;
    case 513: jpegOffsetPos = valuePos; break;
    case 514: jpegLengthPos = valuePos; break;
    default: break;
    }
    return WriteRawEntry(stream, static_cast<uint16_t>(entry->tag), type, count, field);
}

int ExifIfd::WriteSubIfdPointer(ExifFileHandle* stream, const ExifTagEntry* entry, std::vector<ExifIfd*>& list) {
    uint32_t count = std::max<uint32_t>(entry->count, static_cast<uint32_t>(list.size()));
    if (count == 0) count = 1;
    uint8_t field[4] = {};
    uint32_t reserved = 0;
    if (count >= 2) {
        dataPos = ClearOfNote(dataPos, 4ull * count);
        reserved = dataPos;
        if (!ExifExtendStream(stream, dataPos + 4ull * count)) return EXIF_SHORT_WRITE;
        uint32_t offset = dataPos - writeBase;
        stream->Swap32(offset);
        memcpy(field, &offset, 4);
        dataPos = StreamEnd(stream);
        if ((dataPos - writeBase) & 1) {
            if (!ExifExtendStream(stream, dataPos + 1)) return EXIF_SHORT_WRITE;
            ++dataPos;
        }
    }
    uint32_t fieldPos = entryPos + 8;
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->linkPos = count == 1 ? fieldPos : reserved + 4 * static_cast<uint32_t>(i);
    return WriteRawEntry(stream, static_cast<uint16_t>(entry->tag), EXIF_TYPE_LONG, count, field);
}

int ExifIfd::EncodeThumbnail() {
    if (!thumbImage) return EXIF_ERROR;
    uint64_t raw = static_cast<uint64_t>(thumbImage->width) * thumbImage->height * thumbImage->channels;
    uint32_t capacity = static_cast<uint32_t>(std::min<uint64_t>(raw * 2 + 65536, 16u << 20));
    uint8_t* block = static_cast<uint8_t*>(malloc(capacity));
    if (!block) return EXIF_NO_MEMORY;
    int status;
    {
        ExifJpegImage jpeg;
        status = jpeg.OpenMemory(block, capacity, "w", 0);
        if (status == EXIF_OK) {
            ExifImageInfo info;
            info.width = thumbImage->width;
            info.height = thumbImage->height;
            info.components = static_cast<uint16_t>(thumbImage->channels);
            jpeg.SetImageInfo(info);
            uint32_t total = 0;
            uint16_t now = 0;
            status = jpeg.WriteScanLines(thumbImage, thumbImage->height, &total, &now);
            if (status == EXIF_OK && total != thumbImage->height) status = EXIF_ERROR;
            if (status == EXIF_OK) {
                uint32_t n = jpeg.compressor->memWritten;
                uint8_t* bytes = static_cast<uint8_t*>(malloc(n ? n : 1));
                if (!bytes) {
                    status = EXIF_NO_MEMORY;
                } else {
                    memcpy(bytes, block, n);
                    free(thumbBytes);
                    thumbBytes = bytes;
                    thumbLength = n;
                }
            }
        }
    }
    free(block);
    return status;
}

int ExifIfd::WriteThumbnail(ExifFileHandle* stream) {
    int64_t comp = TagInt(compression, -1);
    if (comp == 1 && thumbImage) {
        // The strips grow at the end of the stream: all of them go past the note
        // unless they fit before it.
        uint64_t stripBytes = static_cast<uint64_t>(std::max<int64_t>(RowBytes(), 0)) * thumbImage->height;
        if (!ExifExtendStream(stream, ClearOfNote(StreamEnd(stream), stripBytes))) return EXIF_SHORT_WRITE;
        uint32_t offsetsCount = stripOffsets ? stripOffsets->count : 0;
        uint32_t countsCount = stripByteCounts ? stripByteCounts->count : 0;
        stream->flags &= ~EXIF_FLAG_STRIPS_READY;
        bool other = false;
        ExifStripImage strips(this, stream, &other);
        int status = strips.WriteImage(thumbImage);
        stream->flags &= ~EXIF_FLAG_STRIPS_READY;
        if (status != EXIF_OK) return status;
        // The strip tables hold absolute positions while writing: store them
        // relative to the header where the entries put their values.
        std::vector<unsigned int> offsets = StripOffsets(), counts = StripByteCounts();
        if (!stream->SeekTo(stripOffsetsPos)) return EXIF_SHORT_WRITE;
        for (size_t i = 0; i < offsets.size() && i < offsetsCount; ++i)
            if (!stream->WriteU32(offsets[i] - writeBase)) return EXIF_SHORT_WRITE;
        if (!stream->SeekTo(stripByteCountsPos)) return EXIF_SHORT_WRITE;
        for (size_t i = 0; i < counts.size() && i < countsCount; ++i)
            if (!stream->WriteU32(counts[i])) return EXIF_SHORT_WRITE;
        for (auto& v : offsets) v -= writeBase;
        StoreLongList(273, offsets);
        return EXIF_OK;
    }
    if (comp == 6 && (thumbImage || thumbBytes)) {
        if (!thumbBytes) {
            int status = EncodeThumbnail();
            if (status != EXIF_OK) return status;
        }
        uint32_t start = ClearOfNote(StreamEnd(stream), thumbLength);
        if (!ExifExtendStream(stream, start) || !stream->SeekTo(start) || !stream->WriteAll(thumbBytes, thumbLength))
            return EXIF_SHORT_WRITE;
        if (jpegOffsetPos && (!stream->SeekTo(jpegOffsetPos) || !stream->WriteU32(start - writeBase)))
            return EXIF_SHORT_WRITE;
        if (jpegLengthPos && (!stream->SeekTo(jpegLengthPos) || !stream->WriteU32(thumbLength)))
            return EXIF_SHORT_WRITE;
        SetTag(new (std::nothrow) ExifLongEntry(513, EXIF_TYPE_LONG, 1, start - writeBase));
        SetTag(new (std::nothrow) ExifLongEntry(514, EXIF_TYPE_LONG, 1, thumbLength));
        stream->Seek(0, 2);
        return EXIF_OK;
    }
    if (thumbBytes && comp != 6) {
        free(thumbBytes);
        thumbBytes = nullptr;
        thumbLength = 0;
    }
    return EXIF_OK;
}
