#include "exif/ExifSegment.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>

// ---- base ----

ExifAppSegment::ExifAppSegment(uint16_t marker, const char* id) : marker(marker) {
    if (id) strncpy(identifier, id, sizeof(identifier) - 1);
}

int ExifAppSegment::Read(ExifFileHandle*, uint32_t len, uint32_t off) {
    length = static_cast<uint16_t>(len);
    offset = off;
    return EXIF_OK;
}

// ---- raw ----

ExifRawAppSeg::ExifRawAppSeg(const ExifRawAppSeg& other) : ExifAppSegment(other) {
    data = nullptr;
    if (other.data && other.length) {
        data = static_cast<uint8_t*>(malloc(other.length));
        if (data) memcpy(data, other.data, other.length);
        else length = 0;
    }
}

ExifRawAppSeg::~ExifRawAppSeg() { free(data); }

ExifAppSegment* ExifRawAppSeg::Clone() const { return new (std::nothrow) ExifRawAppSeg(*this); }

int ExifRawAppSeg::Read(ExifFileHandle* handle, uint32_t len, uint32_t off) {
    if (len < 2 || len > 0xFFFF) return EXIF_SHORT_READ;
    if (handle->Seek(2, 1) < 0) return EXIF_SHORT_READ;
    free(data);
    data = static_cast<uint8_t*>(malloc(len));
    if (!data) return EXIF_ERROR;
    if (!handle->ReadAll(data, len)) {
        free(data);
        data = nullptr;
        return EXIF_SHORT_READ;
    }
    length = static_cast<uint16_t>(len);
    offset = off;
    return EXIF_OK;
}

int ExifRawAppSeg::Write(ExifFileHandle* handle) {
    if (!data || length < 2) return EXIF_OK;
    if (!handle->WriteU16(marker) || !handle->WriteAll(data, length)) return EXIF_SHORT_WRITE;
    return EXIF_OK;
}

// ---- JFIF ----

int ExifApp0Seg::Read(ExifFileHandle* handle, uint32_t len, uint32_t off) {
    length = static_cast<uint16_t>(len);
    offset = off;
    if (!handle->ReadU16(version) || !handle->ReadAll(&units, 1) || !handle->ReadU16(xDensity) ||
        !handle->ReadU16(yDensity) || !handle->ReadAll(&xThumbnail, 1) || !handle->ReadAll(&yThumbnail, 1))
        return EXIF_SHORT_READ;
    return EXIF_OK;
}

int ExifApp0Seg::Write(ExifFileHandle* handle) {
    if (!handle->WriteU16(marker) || !handle->WriteU16(16) || !handle->WriteAll("JFIF", 5) ||
        !handle->WriteU16(version) || !handle->WriteAll(&units, 1) || !handle->WriteU16(xDensity) ||
        !handle->WriteU16(yDensity) || !handle->WriteAll(&xThumbnail, 1) || !handle->WriteAll(&yThumbnail, 1))
        return EXIF_SHORT_WRITE;
    return EXIF_OK;
}

// ---- TIFF ----

ExifTiffAppSeg::ExifTiffAppSeg(const ExifTiffAppSeg& other)
    : ExifAppSegment(other),
      byteOrder(other.byteOrder),
      magic(other.magic),
      firstIfdOffset(other.firstIfdOffset),
      callerState(other.callerState),
      ownState(other.ownState) {
    for (const ExifIfd* d : other.ifds) {
        ExifIfd* copy = new (std::nothrow) ExifIfd(*d);
        if (copy) ifds.push_back(copy);
    }
}

ExifTiffAppSeg::~ExifTiffAppSeg() {
    for (ExifIfd* d : ifds) delete d;
}

ExifAppSegment* ExifTiffAppSeg::Clone() const {
    try {
        return new ExifTiffAppSeg(*this);
    } catch (...) { return nullptr; }
}

static void ApplyByteOrder(ExifFileHandle* handle, uint16_t byteOrder) {
    ExifByteOrderState state;
    if (byteOrder == 0x4D4D) {
        state.swapFlag = EXIF_FLAG_SWAP;
        state.bigEndian = 1;
    }
    state.ApplyTo(*handle);
}

int ExifTiffAppSeg::Read(ExifFileHandle* handle, uint32_t len, uint32_t off) {
    length = static_cast<uint16_t>(len);
    offset = off;
    callerState = ExifByteOrderState::Of(*handle);
    ownState.ApplyTo(*handle);
    handle->flags |= EXIF_FLAG_MSB_FIRST;
    auto finish = [&](int status) {
        ownState = ExifByteOrderState::Of(*handle);
        callerState.ApplyTo(*handle);
        return status;
    };
    if (handle->mode == EXIF_MODE_WRITE) {
        byteOrder = handle->Swaps() ? 0x4D4D : 0x4949;
        magic = 42;
        firstIfdOffset = 0;
        ApplyByteOrder(handle, byteOrder);
        return finish(EXIF_OK);
    }
    uint8_t order[2];
    if (!handle->ReadAll(order, 2)) return finish(EXIF_SHORT_READ);
    if (order[0] == 'M' && order[1] == 'M') byteOrder = 0x4D4D;
    else if (order[0] == 'I' && order[1] == 'I') byteOrder = 0x4949;
    else return finish(EXIF_BAD_BYTE_ORDER);
    ApplyByteOrder(handle, byteOrder);
    if (!handle->ReadU16(magic) || !handle->ReadU32(firstIfdOffset)) return finish(EXIF_SHORT_READ);
    if (magic != 42) return finish(EXIF_BAD_MAGIC);

    // The top-level chain: a repeated offset (a loop) or too many directories end it.
    ExifReadContext context;
    std::set<uint32_t> seen;
    uint32_t o = firstIfdOffset;
    try {
        while (o != 0 && o < len && ifds.size() < EXIF_MAX_CHAIN && seen.insert(o).second) {
            uint64_t position = static_cast<uint64_t>(off) + o;
            uint16_t count;
            uint32_t next;
            if (!handle->SeekTo(static_cast<int64_t>(position)) || !handle->ReadU16(count) || count == 0) break;
            if (!handle->SeekTo(static_cast<int64_t>(position) + 2 + 12ll * count) || !handle->ReadU32(next)) break;
            ExifIfd* d = new ExifIfd(0, static_cast<uint32_t>(position), off, static_cast<uint16_t>(ifds.size()));
            ifds.push_back(d);
            d->Read(handle, context, 0);
            o = next;
        }
    } catch (...) { return finish(EXIF_NO_MEMORY); }
    return finish(EXIF_OK);
}

int ExifTiffAppSeg::WriteBody(ExifFileHandle* handle) {
    if (!handle->WriteU16(marker)) return EXIF_SHORT_WRITE;
    lengthPos = static_cast<uint32_t>(handle->Tell());
    if (!handle->WriteU16(0) || !handle->WriteAll(identifier, 6)) return EXIF_SHORT_WRITE;
    callerState = ExifByteOrderState::Of(*handle);
    ApplyByteOrder(handle, byteOrder);
    int status = EXIF_OK;
    uint32_t base = static_cast<uint32_t>(handle->Tell());
    uint32_t link = base + 4;
    if (!handle->WriteAll(&byteOrder, 2) || !handle->WriteU16(42) || !handle->WriteU32(0)) status = EXIF_SHORT_WRITE;
    // A maker note read from a file keeps its offset from the header: notes
    // whose own offsets count from the header stay readable. The directories
    // are laid out around it, and its bytes go in last.
    std::vector<uint8_t> note;
    uint32_t noteStart = 0, noteEnd = 0;
    ExifTagEntry* noteEntry = FindTag(EXIF_TAG_MAKER_NOTE, {{0, 0}, {34665, 0}});
    if (noteEntry && noteEntry->valueOffset >= 8 && ExifEntryBytes(noteEntry, note) && note.size() > 4 &&
        noteEntry->valueOffset + note.size() <= 0xFFFF) {
        noteStart = base + noteEntry->valueOffset;
        noteEnd = noteStart + static_cast<uint32_t>(note.size());
    }
    for (size_t i = 0; status == EXIF_OK && i < ifds.size(); ++i) {
        ifds[i]->linkPos = link;
        ifds[i]->noteStart = noteStart;
        ifds[i]->noteEnd = noteEnd;
        status = ifds[i]->Write(handle, base, &link);
    }
    if (status == EXIF_OK && noteEnd > noteStart &&
        (!ExifExtendStream(handle, noteStart) || !handle->SeekTo(noteStart) ||
         !handle->WriteAll(note.data(), static_cast<uint32_t>(note.size()))))
        status = EXIF_SHORT_WRITE;
    ownState = ExifByteOrderState::Of(*handle);
    callerState.ApplyTo(*handle);
    if (status != EXIF_OK) return status;
    int64_t end = handle->Seek(0, 2);
    if (end < 0) return EXIF_SHORT_WRITE;
    int64_t segmentLength = end - lengthPos;
    if (segmentLength > 0xFFFF) return EXIF_SEGMENT_TOO_LARGE;
    length = static_cast<uint16_t>(segmentLength);
    if (!handle->SeekTo(lengthPos) || !handle->WriteU16(static_cast<uint16_t>(segmentLength))) return EXIF_SHORT_WRITE;
    if (!handle->SeekTo(end)) return EXIF_SHORT_WRITE;
    return EXIF_OK;
}

int ExifTiffAppSeg::Write(ExifFileHandle* handle) {
    // The segment is laid out in memory first: its 16-bit length must be known
    // to fit before anything reaches the file.
    const uint32_t capacity = 1u << 20;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<uint8_t, decltype(&free)> block(static_cast<uint8_t*>(malloc(capacity)), &free);
        if (!block) return EXIF_NO_MEMORY;
        int status;
        std::unique_ptr<ExifFileHandle> memory(MakeExifMemoryHandle(status, block.get(), capacity, "w", 0));
        if (!memory) return status;
        ExifByteOrderState::Of(*handle).ApplyTo(*memory);
        memory->flags |= handle->flags & (EXIF_FLAG_MSB_FIRST | EXIF_FLAG_NO_BIT_REVERSAL);
        status = WriteBody(memory.get());
        if (status == EXIF_OK) {
            uint32_t size = static_cast<uint32_t>(memory->Size());
            int64_t start = handle->Tell();
            if (!handle->WriteAll(block.get(), size)) return EXIF_SHORT_WRITE;
            if (start >= 0) lengthPos += static_cast<uint32_t>(start);
            return EXIF_OK;
        }
        if (status != EXIF_SEGMENT_TOO_LARGE && status != EXIF_SHORT_WRITE) return status;
        if (attempt == 0) {
            // Too large for one segment: leave the thumbnails out and try again.
            for (ExifIfd* d : ifds) d->DropThumbnail();
        }
    }
    return EXIF_SEGMENT_TOO_LARGE;
}

ExifIfd* ExifTiffAppSeg::FindIfd(const ExifIfdPath& path) const {
    if (path.empty() || path[0].first != 0 || path[0].second >= ifds.size()) return nullptr;
    ExifIfd* d = ifds[path[0].second];
    for (size_t i = 1; d && i < path.size(); ++i) d = d->GetSubIfd(path[i].first, path[i].second);
    return d;
}

ExifTagEntry* ExifTiffAppSeg::FindTag(uint32_t tag, const ExifIfdPath& path) const {
    ExifIfd* d = FindIfd(path);
    return d ? d->FindTag(tag) : nullptr;
}

int ExifTiffAppSeg::MakeIfdPath(const ExifIfdPath& path) {
    if (path.empty() || path[0].first != 0) return EXIF_BAD_PATH;
    uint16_t n = path[0].second;
    if (n > ifds.size()) return EXIF_BAD_PATH;
    try {
        if (n == ifds.size()) ifds.push_back(new ExifIfd(0, n));
    } catch (...) { return EXIF_NO_MEMORY; }
    ExifIfd* d = ifds[n];
    for (size_t i = 1; i < path.size(); ++i) {
        std::vector<ExifIfd*> list;
        d->GetSubIfds(path[i].first, list);
        if (path[i].second > list.size()) return EXIF_BAD_PATH;
        if (path[i].second == list.size()) {
            if (d->CreateSubIfd(path[i].first) != EXIF_OK) return EXIF_BAD_PATH;
        }
        d = d->GetSubIfd(path[i].first, path[i].second);
        if (!d) return EXIF_BAD_PATH;
    }
    return EXIF_OK;
}

int ExifTiffAppSeg::SetTag(const ExifTagEntry* entry, const ExifIfdPath& path) {
    ExifIfd* d = FindIfd(path);
    if (!d) {
        int status = MakeIfdPath(path);
        if (status != EXIF_OK) return status;
        d = FindIfd(path);
        if (!d) return EXIF_BAD_PATH;
    }
    return d->AddTag(entry);
}

int ExifTiffAppSeg::SetTags(const std::vector<ExifPathTags>& list) {
    for (const ExifPathTags& element : list) {
        ExifIfd* d = FindIfd(element.path);
        if (!d) {
            int status = MakeIfdPath(element.path);
            if (status != EXIF_OK) return status;
            d = FindIfd(element.path);
            if (!d) return EXIF_BAD_PATH;
        }
        for (const ExifTagEntry* e : element.tags) {
            int status = d->AddTag(e);
            if (status != EXIF_OK) return status;
            // A pointer tag replaces the sub-directories: find this one again.
            d = FindIfd(element.path);
            if (!d) return EXIF_BAD_PATH;
        }
    }
    return EXIF_OK;
}

void ExifTiffAppSeg::CollectTags(std::vector<ExifPathTags>& list) const {
    for (const ExifIfd* d : ifds) d->ListTags(list, 0);
}

// ---- prototypes ----

namespace {
struct PrototypeMap {
    std::map<std::string, ExifAppSegment*> map;
    ~PrototypeMap() {
        for (auto& kv : map) delete kv.second;
    }
};

PrototypeMap& Prototypes() {
    static PrototypeMap prototypes;
    return prototypes;
}

struct RegisterPrototypes {
    RegisterPrototypes() {
        RegisterExifSegmentPrototype("FFE1Exif", new ExifTiffAppSeg(0xFFE1, "Exif"));
        RegisterExifSegmentPrototype("FFE3Exif", new ExifTiffAppSeg(0xFFE3, "Exif"));
        RegisterExifSegmentPrototype("FFE3Meta", new ExifTiffAppSeg(0xFFE3, "Meta"));
        RegisterExifSegmentPrototype("FFE3META", new ExifTiffAppSeg(0xFFE3, "META"));
        RegisterExifSegmentPrototype("FFE0JFIF", new ExifApp0Seg(0xFFE0, "JFIF"));
    }
} g_registerPrototypes;
}  // namespace

std::string FormatExifSegmentKey(uint16_t marker, const char* identifier) {
    char hex[8];
    snprintf(hex, sizeof(hex), "%X", marker);
    return std::string(hex) + (identifier ? identifier : "");
}

bool RegisterExifSegmentPrototype(const std::string& key, ExifAppSegment* prototype) {
    auto& map = Prototypes().map;
    if (map.count(key)) {
        delete prototype;
        return false;
    }
    map[key] = prototype;
    return true;
}

const ExifAppSegment* FindExifSegmentPrototype(const std::string& key) {
    auto& map = Prototypes().map;
    auto it = map.find(key);
    return it == map.end() ? nullptr : it->second;
}

// ---- list ----

bool ExifAppSegmentList::Insert(ExifAppSegment* segment, bool fromFile, bool parseOnUse) {
    Node* node = new (std::nothrow) Node{nullptr, segment, fromFile, parseOnUse, !parseOnUse};
    if (!node) return false;
    Node** link = &head;
    while (*link && (*link)->segment->marker <= segment->marker) link = &(*link)->next;
    node->next = *link;
    *link = node;
    return true;
}

bool ExifAppSegmentList::Append(ExifAppSegment* segment, bool fromFile, bool parseOnUse) {
    Node* node = new (std::nothrow) Node{nullptr, segment, fromFile, parseOnUse, !parseOnUse};
    if (!node) return false;
    Node** link = &head;
    while (*link) link = &(*link)->next;
    *link = node;
    return true;
}

void ExifAppSegmentList::Parse(Node* node) {
    if (node->parsed) return;
    node->parsed = true;
    ExifRawAppSeg* raw = dynamic_cast<ExifRawAppSeg*>(node->segment);
    if (!raw || !raw->data) return;
    const ExifAppSegment* prototype = FindExifSegmentPrototype(FormatExifSegmentKey(raw->marker, raw->identifier));
    if (!prototype) return;
    uint32_t len = raw->length;
    const uint8_t* data = raw->data;
    // The payload starts after the identifier's zero byte and any zero padding.
    uint32_t pos = 2;
    if (len > 2 && data[2] != 0) {
        while (pos < len && data[pos] != 0) ++pos;
    }
    while (pos < len && data[pos] == 0) ++pos;
    // Too short for the TIFF header: stays raw.
    if (pos + 8 > len) return;
    ExifAppSegment* clone = prototype->Clone();
    if (!clone) return;
    int status;
    std::unique_ptr<ExifFileHandle> memory(MakeExifMemoryHandle(status, raw->data, len, "r+", len));
    if (!memory || !memory->SeekTo(pos) || clone->Read(memory.get(), len, pos) != EXIF_OK) {
        delete clone;
        return;
    }
    delete raw;
    node->segment = clone;
}

ExifAppSegment* ExifAppSegmentList::Find(uint16_t marker, const char* identifier, bool parse) {
    char key[128] = {};
    if (identifier) strncpy(key, identifier, sizeof(key) - 1);
    for (Node* n = head; n; n = n->next) {
        if (n->segment->marker != marker || memcmp(n->segment->identifier, key, sizeof(key)) != 0) continue;
        if (parse) Parse(n);
        return n->segment;
    }
    return nullptr;
}

std::vector<ExifAppSegment*> ExifAppSegmentList::All(bool parse) {
    std::vector<ExifAppSegment*> out;
    for (Node* n = head; n; n = n->next) {
        if (parse) Parse(n);
        out.push_back(n->segment);
    }
    return out;
}

void ExifAppSegmentList::Clear() {
    while (head) {
        Node* next = head->next;
        delete head->segment;
        delete head;
        head = next;
    }
}
