// The format table: one row per FormatId with everything the program knows of
// the format (description, read and write extensions, kind, signature test,
// reader, stream reader, writer), the order of the signature tests, and the
// lookups by extension that read it.
#include <cwchar>
#include <cwctype>

#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "formats/Signature.h"
#include "formats/Jpeg.h"
#include "formats/LoadFlags.h"
#include "formats/Gif.h"
#include "formats/Png.h"
#include "formats/Ppp.h"
#include "formats/Tiff.h"
#include "image/Common.h"

namespace {

constexpr uint32_t STILL = FORMAT_STILL;
constexpr uint32_t MULTI = FORMAT_STILL | FORMAT_MULTIFRAME;

#define QRV_SOUND_EXTENSIONS L"wav wax mid midi aif aiff aifc au snd rmi ogg wma mp1 mp2 mpa mp3"
#define QRV_VIDEO_EXTENSIONS L"avi wm wmv wvx asf ivf mpg mpe mpeg m1v mpv mp2v mpv2 m2v divx div dat"

// The signature tests, one per format that has one.
bool IsBmpHead(const SignatureHead& h) { return h.Equals(0, "BM", 2); }
bool IsDcxHead(const SignatureHead& h) { return h.Has(0, 4) && h.U32LE(0) == 0x3ADE68B1u; }
bool IsDdsHead(const SignatureHead& h) { return h.Equals(0, "DDS ", 4); }
bool IsExrHead(const SignatureHead& h) { return h.Has(0, 4) && h.U32LE(0) == 20000630u; }
bool IsImage11Head(const SignatureHead& h) { return h.Equals(0, "IMAGE11\0", 8); }
bool IsGemHead(const SignatureHead& h) { return h.Has(8, 4) && h.U32LE(8) == 0x55005500u; }
bool IsGifHead(const SignatureHead& h) { return h.Equals(0, "GIF87a", 6) || h.Equals(0, "GIF89a", 6); }
bool IsIcoHead(const SignatureHead& h) {
    return h.Has(0, 4) && h.U16LE(0) == 0 && (h.U16LE(2) == 1 || h.U16LE(2) == 2);
}
bool IsIffHead(const SignatureHead& h) {
    return h.Equals(0, "FOR4", 4) || h.Equals(0, "FORM", 4) || h.Equals(0, "LIST", 4) || h.Equals(0, "CAT ", 4);
}
// A Photo CD image pack starts with 32 bytes of 0xFF.
bool IsPcdHead(const SignatureHead& h) {
    if (!h.Has(0, 32)) return false;
    for (size_t i = 0; i < 32; ++i)
        if (h.bytes[i] != 0xFF) return false;
    return true;
}
bool IsPcxHead(const SignatureHead& h) { return h.Has(0, 1) && h.bytes[0] == 0x0A; }
// Softimage, PC Paint, then the planar dump's "PIC".
bool IsPicHead(const SignatureHead& h) {
    return (h.Has(0, 4) && h.U32BE(0) == 0x5380F634u) || (h.Has(0, 2) && h.U16LE(0) == 0x1234) || h.Equals(0, "PIC", 3);
}
bool IsPngHead(const SignatureHead& h) { return h.Equals(0, "\x89PNG", 4); }
bool IsPnmHead(const SignatureHead& h) {
    return h.Has(0, 2) && h.bytes[0] == 'P' && h.bytes[1] >= '0' && h.bytes[1] <= '9';
}
bool IsPppHead(const SignatureHead& h) { return h.Has(0, 2) && h.U16LE(0) == 0x5050; }
bool IsPsdHead(const SignatureHead& h) { return h.Has(0, 4) && h.U32BE(0) == 0x38425053u; }
bool IsRasHead(const SignatureHead& h) { return h.Has(0, 4) && h.U32BE(0) == 0x59A66A95u; }
bool IsSgiHead(const SignatureHead& h) { return h.Has(0, 2) && h.U16BE(0) == 474; }
bool IsTiffHead(const SignatureHead& h) { return h.Equals(0, "MM\0*", 4) || h.Equals(0, "II*\0", 4); }
bool IsAviHead(const SignatureHead& h) { return h.Equals(8, "AVI ", 4); }

// The order in which the signatures are tried: the first that matches names
// the format, so a strong test must come before a weak one that also matches
// (the one-byte PCX test stands behind everything that could start with 0x0A).
constexpr FormatId kSignatureOrder[] = {
    FMT_BMP, FMT_DCX, FMT_DDS, FMT_EXR, FMT_IMAGE11, FMT_GEM, FMT_GIF, FMT_ICO, FMT_IFF,  FMT_PCD,
    FMT_PCX, FMT_PIC, FMT_PNG, FMT_PNM, FMT_PPP,     FMT_PSD, FMT_RAS, FMT_SGI, FMT_TIFF, FMT_VIDEO,
};

// Rows in id order; the index of a row is its id.
FormatEntry g_formats[FMT_COUNT] = {
    {.id = FMT_UNKNOWN, .description = L"Unknown Format"},
    {.id = FMT_ANI,
     .description = L"ANI - Windows (Animated) Cursor",
     .extensions = L"ani",
     .flags = MULTI,
     .reader = LoadAni},
    {.id = FMT_BMP,
     .description = L"BMP - Windows or OS/2 Bitmap",
     .extensions = L"bmp rle dib",
     .writeExtensions = L"bmp dib rle",
     .flags = STILL,
     .signature = IsBmpHead,
     .reader = LoadBmp,
     .writer = SaveBmp},
    {.id = FMT_CAM,
     .description = L"CAM - Casio Cam (JPG Compression)",
     .extensions = L"cam",
     .flags = STILL,
     .reader = LoadCam},
    {.id = FMT_CLP, .description = L"CLP - Windows Clipboard", .extensions = L"clp", .flags = STILL, .reader = LoadClp},
    {.id = FMT_CRW, .description = L"CRW - Canon RAW", .extensions = L"crw", .flags = STILL, .reader = LoadCrw},
    {.id = FMT_CUT, .description = L"CUT - Dr. Halo", .extensions = L"cut", .flags = STILL, .reader = LoadCut},
    {.id = FMT_DCX,
     .description = L"DCX - Multipage PCX",
     .extensions = L"dcx",
     .flags = MULTI,
     .signature = IsDcxHead,
     .reader = LoadDcx},
    {.id = FMT_DDS,
     .description = L"DDS - DirectDraw Surface",
     .extensions = L"dds",
     .flags = STILL,
     .signature = IsDdsHead,
     .reader = LoadDds},
    {.id = FMT_WMF,
     .description = L"EMF - Enhanced/Windows Metafile",
     .extensions = L"emf wmf",
     .flags = STILL,
     .reader = LoadMetafile},
    {.id = FMT_EPS,
     .description = L"EPS - Encapsulated Postscript Preview",
     .extensions = L"eps",
     .flags = STILL,
     .reader = LoadEps},
    {.id = FMT_EXR,
     .description = L"EXR - ILM's HDR File Format",
     .extensions = L"exr",
     .flags = STILL,
     .signature = IsExrHead,
     .reader = LoadExr},
    {.id = FMT_IMAGE11,
     .description = L"FLT - BIAS Fringe Processor",
     .extensions = L"flt msk lng raw img",
     .flags = STILL,
     .signature = IsImage11Head,
     .reader = LoadImage11},
    {.id = FMT_FPX, .description = L"FPX - Kodak FlashPix", .extensions = L"fpx", .flags = STILL, .reader = LoadFpx},
    {.id = FMT_GEM,
     .description = L"GEM - Raster Image",
     .extensions = L"gem",
     .flags = STILL,
     .signature = IsGemHead,
     .reader = LoadGem},
    {.id = FMT_GIF,
     .description = L"GIF - Graphics Interchange File",
     .extensions = L"gif",
     .writeExtensions = L"gif",
     .flags = MULTI,
     .signature = IsGifHead,
     .reader = LoadGif,
     .writer = SaveGif},
    {.id = FMT_HRZ,
     .description = L"HRZ - Slow Scan Television",
     .extensions = L"hrz",
     .flags = STILL,
     .reader = LoadHrz},
    {.id = FMT_ICO,
     .description = L"ICO - Windows Icon",
     .extensions = L"cur ico",
     .flags = MULTI,
     .signature = IsIcoHead,
     .reader = LoadIcon},
    {.id = FMT_IFF,
     .description = L"IFF - Amiga IFF / Maya IFF",
     .extensions = L"iff lbm",
     .flags = STILL,
     .signature = IsIffHead,
     .reader = LoadIff},
    {.id = FMT_JBG,
     .description = L"JBG - Joint Bi-level Image experts Group",
     .extensions = L"jbg",
     .flags = STILL,
     .reader = LoadJbg},
    {.id = FMT_JB2,
     .description = L"JB2 - Joint Bi-level2 Image experts Group",
     .extensions = L"jb2",
     .flags = STILL,
     .reader = LoadJbig2},
    {.id = 21, .description = L"JNG - JPEG Network Graphics"},
    {.id = FMT_JPEG,
     .description = L"JPG - Joint Photographic Experts Group",
     .extensions = L"jpg jpeg jif jfif jpe",
     .writeExtensions = L"jpg jpeg jif jfif",
     .flags = STILL,
     .reader = LoadJpeg,
     .streamReader = LoadJpegStream,
     .writer = SaveJpeg},
    {.id = FMT_JP2,
     .description = L"JP2 - JPEG 2000",
     .extensions = L"jp2 j2c",
     .writeExtensions = L"jp2 j2c",
     .flags = STILL,
     .reader = LoadJp2,
     .writer = SaveJp2},
    {.id = FMT_JPP,
     .description = L"JPP - Kelbrin JPG Format",
     .extensions = L"jpp",
     .flags = STILL,
     .reader = LoadJpp},
    {.id = FMT_LVP,
     .description = L"LVP - LView Pro (Preview)",
     .extensions = L"lvp",
     .flags = STILL,
     .reader = LoadLvp},
    {.id = FMT_MAC, .description = L"MAC - Mac Paint", .extensions = L"mac pntg", .flags = STILL, .reader = LoadMac},
    {.id = FMT_MNG,
     .description = L"MNG - Multiple-Image Network Graphics",
     .extensions = L"mng jng",
     .writeExtensions = L"mng",
     .flags = FORMAT_ANIMATION,
     .reader = LoadMng,
     .writer = SaveMng},
    {.id = FMT_QTMOVIE, .description = L"MOV - Apple Quicktime Movie", .extensions = L"mov qt", .flags = FORMAT_VIDEO},
    {.id = FMT_MSP, .description = L"MSP - Microsoft Paint", .extensions = L"msp", .flags = STILL, .reader = LoadMsp},
    {.id = FMT_PCD,
     .description = L"PCD - Kodak PhotoCD",
     .extensions = L"pcd",
     .flags = STILL,
     .signature = IsPcdHead,
     .reader = LoadPcd},
    {.id = FMT_PICT,
     .description = L"PCT - Apple Macintosh Picture",
     .extensions = L"pct qtif",
     .flags = STILL,
     .reader = LoadPict},
    {.id = FMT_PCX,
     .description = L"PCX - ZSoft Paintbrush",
     .extensions = L"pcx",
     .writeExtensions = L"pcx",
     .flags = STILL,
     .signature = IsPcxHead,
     .reader = LoadPcx,
     .writer = SavePcx},
    {.id = FMT_PIC,
     .description = L"PIC - Softimage PIC/Pictor PC Paint/AniVGA 1.2 Background",
     .extensions = L"pic",
     .flags = STILL,
     .signature = IsPicHead,
     .reader = LoadPic},
    {.id = FMT_PIX,
     .description = L"PIX - Alias|Wavefront Image / Esm Software PIX file",
     .extensions = L"pix mat",
     .writeExtensions = L"pix",
     .flags = STILL,
     .reader = LoadPix,
     .writer = SavePix},
    {.id = FMT_PNG,
     .description = L"PNG - Portable Network Graphics",
     .extensions = L"png",
     .writeExtensions = L"png",
     .flags = STILL,
     .signature = IsPngHead,
     .reader = LoadPng,
     .writer = SavePng},
    {.id = FMT_PNM,
     .description = L"PNM - Portable Any Map (pnm/pbm/pgm/ppm)",
     .extensions = L"pnm ppm pgm pbm",
     .writeExtensions = L"ppm pgm pbm pnm",
     .flags = STILL,
     .signature = IsPnmHead,
     .reader = LoadPnm,
     .writer = SavePnm},
    {.id = FMT_PPP,
     .description = L"PPP - Velmora Picture",
     .extensions = L"ppp",
     .writeExtensions = L"ppp",
     .flags = STILL,
     .signature = IsPppHead,
     .reader = LoadPpp,
     .writer = SavePpp},
    {.id = FMT_PSD,
     .description = L"PSD - Photoshop Document",
     .extensions = L"psd pdd",
     .flags = STILL,
     .signature = IsPsdHead,
     .reader = LoadPsd},
    {.id = FMT_PSP,
     .description = L"PSP - Paint Shop Pro Image",
     .extensions = L"psp pspimage pspframe psptube pspshape pspmask",
     .flags = STILL,
     .reader = LoadPsp},
    {.id = FMT_RAS,
     .description = L"RAS - Sun Raster",
     .extensions = L"ras sun",
     .writeExtensions = L"ras sun",
     .flags = STILL,
     .signature = IsRasHead,
     .reader = LoadRas,
     .writer = SaveRas},
    {.id = FMT_RAW,
     .description = L"RAW - RAW Imagedata",
     .writeExtensions = L"raw",
     .flags = FORMAT_SAVE_ONLY,
     .writer = SaveRaw},
    {.id = FMT_SGI,
     .description = L"SGI - Silicon Graphics Image",
     .extensions = L"sgi bw rgb rgba",
     .writeExtensions = L"sgi rgb rgba",
     .flags = STILL,
     .signature = IsSgiHead,
     .reader = LoadSgi,
     .writer = SaveSgi},
    {.id = FMT_SOUND, .description = L"SND - Audio", .extensions = QRV_SOUND_EXTENSIONS, .flags = FORMAT_SOUND},
    {.id = FMT_TGA,
     .description = L"TGA - Truevision Graphics Adapter",
     .extensions = L"tga",
     .writeExtensions = L"tga",
     .flags = STILL,
     .reader = LoadTga,
     .writer = SaveTga},
    {.id = FMT_TIFF,
     .description = L"TIF - Tagged Image File",
     .extensions = L"tif tiff",
     .writeExtensions = L"tif tiff",
     .flags = MULTI,
     .signature = IsTiffHead,
     .reader = LoadTiff,
     .writer = SaveTiff},
    {.id = FMT_VIDEO,
     .description = L"VID - Video",
     .extensions = QRV_VIDEO_EXTENSIONS,
     .flags = FORMAT_VIDEO,
     .signature = IsAviHead},
    {.id = FMT_WBMP,
     .description = L"WBMP - Wireless Bitmap (WAP)",
     .extensions = L"wbmp",
     .flags = STILL,
     .reader = LoadWbmp},
    {.id = FMT_XBM, .description = L"XBM - X Bitmap", .extensions = L"xbm", .flags = STILL, .reader = LoadXbm},
    {.id = FMT_ZBR,
     .description = L"ZBR - Zebra Metafile (Preview)",
     .extensions = L"zbr",
     .flags = STILL,
     .reader = LoadZbr},
    {.id = FMT_PLAYLIST,
     .description = L"QRVLIST - QRV SlideShow File",
     .extensions = L"qrvlist m3u",
     .flags = FORMAT_PLAYLIST},
};

constexpr int kMaxExtensionChars = 31;

// The extension after the last "." of path, lower-cased into out (32
// characters); false when there is none or it is too long.
bool ExtractExtension(const wchar_t* path, wchar_t* out) {
    if (!path) return false;
    const wchar_t* dot = std::wcsrchr(path, L'.');
    if (!dot) return false;
    const wchar_t* ext = dot + 1;
    size_t length = std::wcslen(ext);
    if (length > (size_t)kMaxExtensionChars) return false;
    for (size_t i = 0; i <= length; ++i) out[i] = (wchar_t)std::towlower(ext[i]);
    return true;
}

// True when ext (lower case) is one of the blank-separated names in list.
bool ExtensionInList(const wchar_t* ext, const wchar_t* list) {
    if (!list || !*ext) return false;
    const size_t length = std::wcslen(ext);
    const wchar_t* p = list;
    while (*p) {
        const wchar_t* end = p;
        while (*end && *end != L' ') ++end;
        if ((size_t)(end - p) == length && std::wcsncmp(p, ext, length) == 0) return true;
        p = *end ? end + 1 : end;
    }
    return false;
}

}  // namespace

const FormatEntry& GetFormatEntry(FormatId id) {
    if (id < 0 || id >= FMT_COUNT) return g_formats[0];
    return g_formats[id];
}

FormatReader SetFormatReader(FormatId id, FormatReader reader) {
    if (id <= 0 || id >= FMT_COUNT) return nullptr;
    FormatReader previous = g_formats[id].reader;
    g_formats[id].reader = reader;
    return previous;
}

FormatStreamReader SetFormatStreamReader(FormatId id, FormatStreamReader reader) {
    if (id <= 0 || id >= FMT_COUNT) return nullptr;
    FormatStreamReader previous = g_formats[id].streamReader;
    g_formats[id].streamReader = reader;
    return previous;
}

const wchar_t* FormatDescriptionTable::operator[](FormatId id) const { return GetFormatEntry(id).description; }
const FormatDescriptionTable FormatDescriptions;

FormatId IdentifyBySignature(const SignatureHead& head) {
    for (FormatId id : kSignatureOrder)
        if (g_formats[id].signature && g_formats[id].signature(head)) return id;
    return FMT_UNKNOWN;
}

FormatId SaveFormatIdForPath(const wchar_t* path) {
    wchar_t ext[kMaxExtensionChars + 1];
    if (!ExtractExtension(path, ext) || !ext[0]) return FMT_UNKNOWN;
    for (FormatId id = 1; id < FMT_COUNT; ++id)
        if (ExtensionInList(ext, g_formats[id].writeExtensions)) return id;
    return FMT_UNKNOWN;
}

FormatId GetFormatIdFromExtension(const wchar_t* path) {
    wchar_t ext[kMaxExtensionChars + 1];
    if (!ExtractExtension(path, ext) || !ext[0]) return FMT_UNKNOWN;
    // No extension belongs to two ids, so scanning in id order finds the one row.
    for (FormatId id = 1; id < FMT_COUNT; ++id) {
        if (ExtensionInList(ext, g_formats[id].extensions)) return id;
    }
    return FMT_UNKNOWN;
}

bool IsSoundExtension(const wchar_t* path) {
    wchar_t ext[kMaxExtensionChars + 1];
    return ExtractExtension(path, ext) && ExtensionInList(ext, QRV_SOUND_EXTENSIONS);
}

bool IsVideoExtension(const wchar_t* path) {
    wchar_t ext[kMaxExtensionChars + 1];
    return ExtractExtension(path, ext) &&
           (ExtensionInList(ext, L"mov qt") || ExtensionInList(ext, QRV_VIDEO_EXTENSIONS));
}

void SetFormatError(wchar_t* errorText, const wchar_t* text) {
    if (!errorText) return;
    CopyStringW(errorText, text ? text : L"", FORMAT_ERROR_CHARS);
}

ReadStatus NotThisFormat(wchar_t* errorText) {
    SetFormatError(errorText, FORMAT_TEXT_INVALID_ID);
    return ReadStatus::NotThisFormat();
}

LoadPurpose ThreadLoadPurpose() {
    if (AppState::PreviewLoad) return AppState::BackgroundLoad ? LoadPurpose::Thumbnail : LoadPurpose::Preview;
    return AppState::BackgroundLoad ? LoadPurpose::Background : LoadPurpose::View;
}

LoadModeScope::LoadModeScope(bool background, bool preview)
    : previousBackground_(AppState::BackgroundLoad), previousPreview_(AppState::PreviewLoad) {
    AppState::BackgroundLoad = background ? 1 : 0;
    AppState::PreviewLoad = preview ? 1 : 0;
}

LoadModeScope::~LoadModeScope() {
    AppState::BackgroundLoad = previousBackground_;
    AppState::PreviewLoad = previousPreview_;
}
