// The format table: one row per FormatId with its extensions, description,
// reader, stream reader, writer and kind. A new format is its own source file
// in this folder, its functions declared in FormatCodecs.h, and its reader and
// writer entered in its row here.
#include <cwchar>
#include <cwctype>

#include "app/AppState.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "formats/Jpeg.h"
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

// Rows in id order; the index of a row is its id.
FormatEntry g_formats[FMT_COUNT] = {
    {FMT_UNKNOWN, nullptr, nullptr, nullptr, nullptr, 0},
    {FMT_ANI, L"ani", nullptr, nullptr, nullptr, MULTI},
    {FMT_BMP, L"bmp rle dib", LoadBmp, nullptr, SaveBmp, STILL},
    {FMT_CAM, L"cam", LoadCam, nullptr, nullptr, STILL},
    {FMT_CLP, L"clp", LoadClp, nullptr, nullptr, STILL},
    {FMT_CRW, L"crw", LoadCrw, nullptr, nullptr, STILL},
    {FMT_CUT, L"cut", LoadCut, nullptr, nullptr, STILL},
    {FMT_DCX, L"dcx", nullptr, nullptr, nullptr, MULTI},
    {FMT_DDS, L"dds", nullptr, nullptr, nullptr, STILL},
    {FMT_WMF, L"emf wmf", LoadMetafile, nullptr, nullptr, STILL},
    {FMT_EPS, L"eps", LoadEps, nullptr, nullptr, STILL},
    {FMT_EXR, L"exr", LoadExr, nullptr, nullptr, STILL},
    {FMT_IMAGE11, L"flt msk lng raw img", LoadImage11, nullptr, nullptr, STILL},
    {FMT_FPX, L"fpx", LoadFpx, nullptr, nullptr, STILL},
    {FMT_GEM, L"gem", LoadGem, nullptr, nullptr, STILL},
    {FMT_GIF, L"gif", LoadGif, nullptr, SaveGif, MULTI},
    {FMT_HRZ, L"hrz", LoadHrz, nullptr, nullptr, STILL},
    {FMT_ICO, L"cur ico", nullptr, nullptr, nullptr, MULTI},
    {FMT_IFF, L"iff lbm", LoadIff, nullptr, nullptr, STILL},
    {FMT_JBG, L"jbg", LoadJbg, nullptr, nullptr, STILL},
    {FMT_JB2, L"jb2", LoadJbig2, nullptr, nullptr, STILL},
    {21, nullptr, nullptr, nullptr, nullptr, 0},
    {FMT_JPEG, L"jpg jpeg jif jfif jpe", LoadJpeg, LoadJpegStream, SaveJpeg, STILL},
    {FMT_JP2, L"jp2 j2c", nullptr, nullptr, nullptr, STILL},
    {FMT_JPP, L"jpp", nullptr, nullptr, nullptr, STILL},
    {FMT_LVP, L"lvp", LoadLvp, nullptr, nullptr, STILL},
    {FMT_MAC, L"mac pntg", LoadMac, nullptr, nullptr, STILL},
    {FMT_MNG, L"mng jng", nullptr, nullptr, nullptr, FORMAT_ANIMATION},
    {FMT_QTMOVIE, L"mov qt", nullptr, nullptr, nullptr, FORMAT_VIDEO},
    {FMT_MSP, L"msp", LoadMsp, nullptr, nullptr, STILL},
    {FMT_PCD, L"pcd", LoadPcd, nullptr, nullptr, STILL},
    {FMT_PICT, L"pct qtif", LoadPict, nullptr, nullptr, STILL},
    {FMT_PCX, L"pcx", nullptr, nullptr, nullptr, STILL},
    {FMT_PIC, L"pic", LoadPic, nullptr, nullptr, STILL},
    {FMT_PIX, L"pix mat", LoadPix, nullptr, SavePix, STILL},
    {FMT_PNG, L"png", LoadPng, nullptr, SavePng, STILL},
    {FMT_PNM, L"pnm ppm pgm pbm", LoadPnm, nullptr, SavePnm, STILL},
    {FMT_PPP, L"ppp", LoadPpp, nullptr, SavePpp, STILL},
    {FMT_PSD, L"psd pdd", nullptr, nullptr, nullptr, STILL},
    {FMT_PSP, L"psp pspimage pspframe psptube pspshape pspmask", LoadPsp, nullptr, nullptr, STILL},
    {FMT_RAS, L"ras sun", LoadRas, nullptr, SaveRas, STILL},
    {FMT_RAW, nullptr, nullptr, nullptr, SaveRaw, FORMAT_SAVE_ONLY},
    {FMT_SGI, L"sgi bw rgb rgba", LoadSgi, nullptr, SaveSgi, STILL},
    {FMT_SOUND, QRV_SOUND_EXTENSIONS, nullptr, nullptr, nullptr, FORMAT_SOUND},
    {FMT_TGA, L"tga", LoadTga, nullptr, SaveTga, STILL},
    {FMT_TIFF, L"tif tiff", LoadTiff, nullptr, SaveTiff, MULTI},
    {FMT_VIDEO, QRV_VIDEO_EXTENSIONS, nullptr, nullptr, nullptr, FORMAT_VIDEO},
    {FMT_WBMP, L"wbmp", LoadWbmp, nullptr, nullptr, STILL},
    {FMT_XBM, L"xbm", LoadXbm, nullptr, nullptr, STILL},
    {FMT_ZBR, L"zbr", LoadZbr, nullptr, nullptr, STILL},
    {FMT_PLAYLIST, L"qrvlist m3u", nullptr, nullptr, nullptr, FORMAT_PLAYLIST},
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

const wchar_t FormatDescriptions[FMT_COUNT][128] = {
    L"Unknown Format",
    L"ANI - Windows (Animated) Cursor",
    L"BMP - Windows or OS/2 Bitmap",
    L"CAM - Casio Cam (JPG Compression)",
    L"CLP - Windows Clipboard",
    L"CRW - Canon RAW",
    L"CUT - Dr. Halo",
    L"DCX - Multipage PCX",
    L"DDS - DirectDraw Surface",
    L"EMF - Enhanced/Windows Metafile",
    L"EPS - Encapsulated Postscript Preview",
    L"EXR - ILM's HDR File Format",
    L"FLT - BIAS Fringe Processor",
    L"FPX - Kodak FlashPix",
    L"GEM - Raster Image",
    L"GIF - Graphics Interchange File",
    L"HRZ - Slow Scan Television",
    L"ICO - Windows Icon",
    L"IFF - Amiga IFF / Maya IFF",
    L"JBG - Joint Bi-level Image experts Group",
    L"JB2 - Joint Bi-level2 Image experts Group",
    L"JNG - JPEG Network Graphics",
    L"JPG - Joint Photographic Experts Group",
    L"JP2 - JPEG 2000",
    L"JPP - Kelbrin JPG Format",
    L"LVP - LView Pro (Preview)",
    L"MAC - Mac Paint",
    L"MNG - Multiple-Image Network Graphics",
    L"MOV - Apple Quicktime Movie",
    L"MSP - Microsoft Paint",
    L"PCD - Kodak PhotoCD",
    L"PCT - Apple Macintosh Picture",
    L"PCX - ZSoft Paintbrush",
    L"PIC - Softimage PIC/Pictor PC Paint/AniVGA 1.2 Background",
    L"PIX - Alias|Wavefront Image / Esm Software PIX file",
    L"PNG - Portable Network Graphics",
    L"PNM - Portable Any Map (pnm/pbm/pgm/ppm)",
    L"PPP - Velmora Picture",
    L"PSD - Photoshop Document",
    L"PSP - Paint Shop Pro Image",
    L"RAS - Sun Raster",
    L"RAW - RAW Imagedata",
    L"SGI - Silicon Graphics Image",
    L"SND - Audio",
    L"TGA - Truevision Graphics Adapter",
    L"TIF - Tagged Image File",
    L"VID - Video",
    L"WBMP - Wireless Bitmap (WAP)",
    L"XBM - X Bitmap",
    L"ZBR - Zebra Metafile (Preview)",
    L"QRVLIST - QRV SlideShow File",
};

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

LoadModeScope::LoadModeScope(bool background, bool preview)
    : previousBackground_(AppState::BackgroundLoad), previousPreview_(AppState::PreviewLoad) {
    AppState::BackgroundLoad = background ? 1 : 0;
    AppState::PreviewLoad = preview ? 1 : 0;
}

LoadModeScope::~LoadModeScope() {
    AppState::BackgroundLoad = previousBackground_;
    AppState::PreviewLoad = previousPreview_;
}
