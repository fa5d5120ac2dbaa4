#include "exif/ExifTagEntry.h"

uint32_t ExifTypeUnitSize(uint16_t type) {
    switch (type) {
    case EXIF_TYPE_BYTE:
    case EXIF_TYPE_ASCII:
    case EXIF_TYPE_SBYTE:
    case EXIF_TYPE_UNDEFINED: return 1;
    case EXIF_TYPE_SHORT:
    case EXIF_TYPE_SSHORT: return 2;
    case EXIF_TYPE_LONG:
    case EXIF_TYPE_SLONG:
    case EXIF_TYPE_FLOAT: return 4;
    case EXIF_TYPE_RATIONAL:
    case EXIF_TYPE_SRATIONAL:
    case EXIF_TYPE_DOUBLE: return 8;
    default: return 0;
    }
}

bool IsExifWidenedTag(uint32_t tag) { return tag == 256 || tag == 257 || tag == 273 || tag == 278 || tag == 279; }

std::vector<unsigned int> ExifLongValues(const ExifTagEntry* entry) {
    if (auto* one = dynamic_cast<const ExifLongEntry*>(entry)) return {one->value};
    if (auto* many = dynamic_cast<const ExifLongVectorEntry*>(entry)) return many->value;
    return {};
}

namespace {
template <typename T>
bool FirstOf(const ExifTagEntry* entry, int64_t& value) {
    if (auto* one = dynamic_cast<const ExifTagEntryT<T>*>(entry)) {
        value = one->value;
        return true;
    }
    if (auto* many = dynamic_cast<const ExifTagEntryT<std::vector<T>>*>(entry)) {
        if (many->value.empty()) return false;
        value = many->value[0];
        return true;
    }
    return false;
}
}  // namespace

bool ExifFirstInt(const ExifTagEntry* entry, int64_t& value) {
    if (!entry) return false;
    return FirstOf<unsigned int>(entry, value) || FirstOf<unsigned short>(entry, value) ||
           FirstOf<unsigned char>(entry, value) || FirstOf<int>(entry, value) || FirstOf<short>(entry, value);
}
