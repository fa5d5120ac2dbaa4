// Tag entries: one field of a TIFF-structured directory held as a typed value.
// A single value when the count is 1, a vector otherwise, ASCII always a string;
// rationals are kept as their quotient.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

enum : uint16_t {
    EXIF_TYPE_BYTE = 1,
    EXIF_TYPE_ASCII = 2,
    EXIF_TYPE_SHORT = 3,
    EXIF_TYPE_LONG = 4,
    EXIF_TYPE_RATIONAL = 5,
    EXIF_TYPE_SBYTE = 6,
    EXIF_TYPE_UNDEFINED = 7,
    EXIF_TYPE_SSHORT = 8,
    EXIF_TYPE_SLONG = 9,
    EXIF_TYPE_SRATIONAL = 10,
    EXIF_TYPE_FLOAT = 11,
    EXIF_TYPE_DOUBLE = 12,
};

class ExifTagEntry {
public:
    ExifTagEntry(uint32_t tag, uint16_t type, uint32_t count) : tag(tag), type(type), count(count) {}
    virtual ~ExifTagEntry() = default;
    // A new entry of the same kind and value; null when memory runs out.
    virtual ExifTagEntry* Clone() const = 0;
    // "tag<TAB>type<TAB>count<TAB>value" without a line end.
    virtual std::ostream& Print(std::ostream& out) const = 0;

    uint32_t tag;
    uint16_t type;
    uint32_t count;
    // For RATIONAL and SRATIONAL entries read from a file: the numerator and
    // denominator pairs as stored, so that an unchanged value is written back
    // exactly (the quotient alone cannot always give them back).
    std::vector<uint32_t> rationalPairs;
    // For an out-of-line value read from a file: its offset from the TIFF
    // header there (0 otherwise). A maker note is written back at this offset,
    // since its own offsets may count from the header.
    uint32_t valueOffset = 0;
};

namespace exif_detail {
template <typename T>
inline void PrintValue(std::ostream& out, const T& v) {
    out << v;
}
inline void PrintValue(std::ostream& out, const unsigned char& v) { out << static_cast<unsigned>(v); }
inline void PrintValue(std::ostream& out, const char& v) { out << static_cast<int>(static_cast<signed char>(v)); }
template <typename E>
inline void PrintValue(std::ostream& out, const std::vector<E>& v) {
    out << '[';
    for (size_t i = 0; i < v.size(); ++i) {
        if (i) out << ',';
        PrintValue(out, v[i]);
    }
    out << ']';
}
}  // namespace exif_detail

template <typename T>
class ExifTagEntryT : public ExifTagEntry {
public:
    ExifTagEntryT(uint32_t tag, uint16_t type, uint32_t count, const T& value)
        : ExifTagEntry(tag, type, count), value(value) {}
    ExifTagEntry* Clone() const override;
    std::ostream& Print(std::ostream& out) const override {
        out << tag << '\t' << type << '\t' << static_cast<int32_t>(count) << '\t';
        exif_detail::PrintValue(out, value);
        return out;
    }
    T value;
};

template <typename T>
ExifTagEntry* ExifTagEntryT<T>::Clone() const {
    try {
        auto* copy = new ExifTagEntryT<T>(tag, type, count, value);
        copy->rationalPairs = rationalPairs;
        copy->valueOffset = valueOffset;
        return copy;
    } catch (...) { return nullptr; }
}

using ExifByteEntry = ExifTagEntryT<unsigned char>;
using ExifCharEntry = ExifTagEntryT<char>;
using ExifShortEntry = ExifTagEntryT<unsigned short>;
using ExifSShortEntry = ExifTagEntryT<short>;
using ExifLongEntry = ExifTagEntryT<unsigned int>;
using ExifSLongEntry = ExifTagEntryT<int>;
using ExifFloatEntry = ExifTagEntryT<float>;
using ExifDoubleEntry = ExifTagEntryT<double>;
using ExifStringEntry = ExifTagEntryT<std::string>;
using ExifByteVectorEntry = ExifTagEntryT<std::vector<unsigned char>>;
using ExifCharVectorEntry = ExifTagEntryT<std::vector<char>>;
using ExifShortVectorEntry = ExifTagEntryT<std::vector<unsigned short>>;
using ExifSShortVectorEntry = ExifTagEntryT<std::vector<short>>;
using ExifLongVectorEntry = ExifTagEntryT<std::vector<unsigned int>>;
using ExifSLongVectorEntry = ExifTagEntryT<std::vector<int>>;
using ExifFloatVectorEntry = ExifTagEntryT<std::vector<float>>;
using ExifDoubleVectorEntry = ExifTagEntryT<std::vector<double>>;

// Size in bytes of one value of a TIFF field type (0 for an unknown type).
uint32_t ExifTypeUnitSize(uint16_t type);
// True for the tags whose SHORT values are widened to LONG when read.
bool IsExifWidenedTag(uint32_t tag);
// The values of a LONG entry (single or vector) as a list; empty for other kinds.
std::vector<unsigned int> ExifLongValues(const ExifTagEntry* entry);
// The first value of an integer entry of any width; false when there is none.
bool ExifFirstInt(const ExifTagEntry* entry, int64_t& value);
