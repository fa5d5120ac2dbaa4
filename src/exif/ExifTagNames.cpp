#include "exif/ExifTagNames.h"

#include <windows.h>
#include <cwchar>

#include "exif/ExifFile.h"
#include "image/Common.h"

const ExifTagName ExifTagNameTable[kExifTagNameCount + 1] = {
    {256, L"ImageWidth"},
    {257, L"ImageLength"},
    {258, L"BitsPerSample"},
    {259, L"ThumbCompression"},
    {262, L"ThumbPhotometric"},
    {263, L"Threshholding"},
    {264, L"CellWidth"},
    {265, L"CellLength"},
    {266, L"FillOrder"},
    {269, L"DocumentName"},
    {270, L"ImageDescription"},
    {271, L"Make"},
    {272, L"Model"},
    {273, L"StripOffsets"},
    {274, L"Orientation"},
    {277, L"SamplesPerPixel"},
    {278, L"RowsPerStrip"},
    {279, L"StripByteCounts"},
    {282, L"XResolution"},
    {283, L"YResolution"},
    {284, L"PlanarConfiguration"},
    {296, L"ResolutionUnit"},
    {297, L"PageNumber"},
    {301, L"TransferFunction"},
    {305, L"Software"},
    {306, L"DateTime"},
    {315, L"Artist"},
    {318, L"WhitePoint"},
    {319, L"PrimaryChromaticities"},
    {342, L"TransferRange"},
    {512, L"JPEGProc"},
    {513, L"ThumbnailOffset"},
    {514, L"ThumbnailLength"},
    {529, L"YCbCrCoefficients"},
    {530, L"YCbCrSubSampling"},
    {531, L"YCbCrPositioning"},
    {532, L"ReferenceBlackWhite"},
    {33421, L"CFARepeatPatternDim"},
    {33422, L"CFAPattern"},
    {33423, L"BatteryLevel"},
    {33432, L"Copyright"},
    {33434, L"ExposureTime"},
    {33437, L"FNumber"},
    {33723, L"IPTC/NAA"},
    {34665, L"ExifOffset"},
    {34675, L"InterColorProfile"},
    {34850, L"ExposureProgram"},
    {34852, L"SpectralSensitivity"},
    {34853, L"GPSInfo"},
    {34855, L"ISOSpeedRatings"},
    {34856, L"OECF"},
    {36864, L"ExifVersion"},
    {36867, L"DateTimeOriginal"},
    {36868, L"DateTimeDigitized"},
    {37121, L"ComponentsConfiguration"},
    {37122, L"CompressedBitsPerPixel"},
    {37377, L"ShutterSpeedValue"},
    {37378, L"ApertureValue"},
    {37379, L"BrightnessValue"},
    {37380, L"ExposureBiasValue"},
    {37381, L"MaxApertureValue"},
    {37382, L"SubjectDistance"},
    {37383, L"MeteringMode"},
    {37384, L"LightSource"},
    {37385, L"Flash"},
    {37386, L"FocalLength"},
    {37500, L"MakerNote"},
    {37510, L"UserComment"},
    {37520, L"SubSecTime"},
    {37521, L"SubSecTimeOriginal"},
    {37522, L"SubSecTimeDigitized"},
    {40960, L"FlashPixVersion"},
    {40961, L"ColorSpace"},
    {40962, L"ExifImageWidth"},
    {40963, L"ExifImageLength"},
    {40964, L"RelatedSoundFile"},
    {40965, L"InteroperabilityOffset"},
    {41483, L"FlashEnergy"},
    {41484, L"SpatialFrequencyResponse"},
    {41486, L"FocalPlaneXResolution"},
    {41487, L"FocalPlaneYResolution"},
    {41488, L"FocalPlaneResolutionUnit"},
    {41492, L"SubjectLocation"},
    {41493, L"ExposureIndex"},
    {41495, L"SensingMethod"},
    {41728, L"FileSource"},
    {41729, L"SceneType"},
    {41730, L"CFAPattern"},
    {41985, L"CustomRendered"},
    {41986, L"ExposureMode"},
    {41987, L"WhiteBalance"},
    {41988, L"DigitalZoomRatio"},
    {41989, L"FocalLengthIn35mmFilm"},
    {41990, L"SceneCaptureType"},
    {41991, L"GainControl"},
    {41992, L"Contrast"},
    {41993, L"Saturation"},
    {41994, L"Sharpness"},
    {41995, L"DeviceSettingDescription"},
    {41996, L"SubjectDistanceRange"},
    {50000, L"FilmProductCode"},
    {50001, L"ImageSource"},
    {50002, L"PrintArea"},
    {50003, L"CameraOwner"},
    {50004, L"CameraSerialNum"},
    {50005, L"GroupCaption"},
    {50006, L"DealerID"},
    {50007, L"OrderID"},
    {50008, L"BagNum"},
    {50009, L"ScanFramesSeqNum"},
    {50010, L"FilmCategory"},
    {50011, L"FilmGEncode"},
    {50012, L"ScanSoftware"},
    {50013, L"FilmSize"},
    {50014, L"SBARGBShifts"},
    {50015, L"SBAInputColor"},
    {50016, L"SBAInputBitDepth"},
    {50017, L"SBAExposureRec"},
    {50018, L"UserSBARGBShifts"},
    {50019, L"ImageRotationStatus"},
    {50020, L"RollGuid"},
    {50021, L"APP3Version"},
    {0, nullptr},
};

const wchar_t* FindExifTagName(uint32_t tag) {
    int low = 0, high = kExifTagNameCount - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const uint32_t found = ExifTagNameTable[middle].tag;
        if (found == tag) return ExifTagNameTable[middle].name;
        if (found < tag) low = middle + 1;
        else high = middle - 1;
    }
    return nullptr;
}

void FormatExifTagLabel(uint32_t tag, wchar_t* out, size_t size) {
    if (!size) return;
    if (const wchar_t* name = FindExifTagName(tag)) CopyStringW(out, name, size);
    else swprintf(out, size, L"Unknown (0x%x)", tag);
}

namespace {

const wchar_t* const kOrientationTexts[] = {
    L"Undefined",  L"Top Left (default)", L"Flipped Horizontally", L"Rotated by 180", L"Flipped Vertically",
    L"Transposed", L"Rotated by 90",      L"Transversed",          L"Rotated by 270",
};

// The name of a SHORT value that has one, else null.
const wchar_t* NamedShortValue(uint32_t tag, unsigned value) {
    switch (tag) {
    case 274: return value <= 8 ? kOrientationTexts[value] : nullptr;
    case 259: return value == 1 ? L"Uncompressed" : value == 6 ? L"JPEG Compression" : nullptr;
    case 262: return value == 2 ? L"RGB Colorspace" : value == 6 ? L"YCBCR Colorspace" : nullptr;
    default: return nullptr;
    }
}

// The text of an ANSI string, cut to its first kExifAsciiRowChars characters.
void AsciiValueText(const std::string& text, wchar_t* out, size_t size) {
    const char* bytes = text.c_str();  // ends at the first zero byte, as the field does
    const int length = (int)strlen(bytes);
    std::wstring wide;
    if (length > 0) {
        const int needed = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
        if (needed > 0) {
            wide.resize(needed);
            MultiByteToWideChar(CP_ACP, 0, bytes, length, wide.data(), needed);
        }
    }
    if (wide.size() > kExifAsciiRowChars) wide.resize(kExifAsciiRowChars);
    CopyStringW(out, wide.c_str(), size);
}

template <typename T>
const T* SingleValue(const ExifTagEntry* entry) {
    auto* one = dynamic_cast<const ExifTagEntryT<T>*>(entry);
    return one ? &one->value : nullptr;
}

}  // namespace

bool FormatExifTagValue(const ExifTagEntry* entry, wchar_t* out, size_t size) {
    if (!entry || !size) return false;
    if (entry->type == EXIF_TYPE_ASCII) {
        auto* text = SingleValue<std::string>(entry);
        if (!text) return false;
        AsciiValueText(*text, out, size);
        return true;
    }
    if (entry->count != 1) return false;
    switch (entry->type) {
    case EXIF_TYPE_BYTE:
        if (auto* v = SingleValue<unsigned char>(entry)) return swprintf(out, size, L"%d", *v) >= 0;
        return false;
    case EXIF_TYPE_SHORT:
        if (auto* v = SingleValue<unsigned short>(entry)) {
            if (const wchar_t* name = NamedShortValue(entry->tag, *v)) CopyStringW(out, name, size);
            else swprintf(out, size, L"%d", *v);
            return true;
        }
        return false;
    case EXIF_TYPE_SSHORT:
        if (auto* v = SingleValue<short>(entry)) return swprintf(out, size, L"%d", *v) >= 0;
        return false;
    // LONG is unsigned: values above 2^31 keep their sign-less number.
    case EXIF_TYPE_LONG:
        if (auto* v = SingleValue<unsigned int>(entry)) return swprintf(out, size, L"%u", *v) >= 0;
        return false;
    case EXIF_TYPE_SLONG:
        if (auto* v = SingleValue<int>(entry)) return swprintf(out, size, L"%d", *v) >= 0;
        return false;
    case EXIF_TYPE_RATIONAL:
    case EXIF_TYPE_SRATIONAL:
    case EXIF_TYPE_FLOAT:
        if (auto* v = SingleValue<float>(entry)) return swprintf(out, size, L"%f", (double)*v) >= 0;
        return false;
    case EXIF_TYPE_DOUBLE:
        if (auto* v = SingleValue<double>(entry)) return swprintf(out, size, L"%f", *v) >= 0;
        return false;
    default: return false;
    }
}

namespace {

void AddTagRows(ExifImageFile& file, uint16_t marker, const char* identifier, std::vector<ExifInfoRow>& rows) {
    std::vector<ExifPathTags> directories;
    file.ReadSegmentTags(marker, identifier, directories);
    wchar_t label[64];
    wchar_t value[512];
    for (const ExifPathTags& directory : directories)
        for (const ExifTagEntry* entry : directory.tags) {
            if (!FormatExifTagValue(entry, value, 512)) continue;
            FormatExifTagLabel(entry->tag, label, 64);
            rows.push_back({label, value});
        }
}

}  // namespace

bool CollectExifInfoRows(const wchar_t* path, std::vector<ExifInfoRow>& rows) {
    char narrow[MAX_PATH];
    if (!WideToAnsiPath(narrow, path) || CheckExifJpegFile(narrow) != 0) return false;
    ExifImageFile file;
    if (file.Open(narrow, "r") != EXIF_OK) return false;
    try {
        std::vector<ExifInfoRow> found;
        found.push_back({L"EXIF:", L""});
        AddTagRows(file, 0xFFE1, "Exif", found);
        found.push_back({L"", L""});
        found.push_back({L"META:", L""});
        AddTagRows(file, 0xFFE3, "Meta", found);
        rows.insert(rows.end(), found.begin(), found.end());
    } catch (...) {
        file.Close();
        return false;
    }
    file.Close();
    return true;
}
