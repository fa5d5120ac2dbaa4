// The file dialogs' filter lists: the texts the user picks from, pinned
// character for character.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "app/OpenDialog.h"
#include "app/SaveAsDialog.h"
#include "support/TestSupport.h"

namespace {

using FilterPair = std::pair<const wchar_t*, const wchar_t*>;

// A filter list as the common dialogs take it: every text and pattern list
// followed by a terminator, the whole list by a second one.
std::wstring Joined(const std::vector<FilterPair>& pairs) {
    std::wstring list;
    for (const FilterPair& pair : pairs) {
        list += pair.first;
        list += L'\0';
        list += pair.second;
        list += L'\0';
    }
    return list + L'\0';
}

// The whole list up to and including its closing double terminator.
std::wstring WholeList(const wchar_t* filter) {
    const wchar_t* p = filter;
    while (*p) p += wcslen(p) + 1;
    return std::wstring(filter, p + 1);
}

}  // namespace

TEST(FileDialogFilters, OpenListIsTheKnownText) {
    const std::vector<FilterPair> expected = {
        {L"Common Files",
         L"*.mng;*.gif;*.iff;*.dds;*.jpg;*.png;*.tga;*.tif;*.bmp;*.pcx;*.psd;*.mp3;*.wma;*.avi;*.mpg;*.mpeg;"
         L"*.wmv;*.wav"},
        {L"Video Files", L"*.avi;*.asf;*.wmv;*.mpg;*.mpeg;*.mpe;*.mov;*.divx"},
        {L"Audio Files", L"*.wav;*.au;*.aif;*.snd;*.mid;*.rmi;*.wma;*.mp3;*.mp2;*.mp1;*.ogg"},
        {L"Music Files", L"*.mp3;*.wma;*.ogg"},
        {L"Windows Media Files", L"*.wma;*.wmv;*.wm;*.asf;*.asx;*.wmx"},
        {L"Apple QuickTime Files", L"*.mov;*.qt"},
        {L"Video CD Files", L"*.dat"},
        {L"QRV SlideShow/PlayList Files", L"*.qrvlist;*.m3u"},
        {L"All Files", L"*.*"},
        {L"BMP - Windows or OS/2 Bitmap (*.bmp;*.rle;*.dib)", L"*.bmp;*.rle;*.dib"},
        {L"CAM - Casio Cam (JPG Compression) (*.cam)", L"*.cam"},
        {L"CLP - Windows Clipboard (*.clp)", L"*.clp"},
        {L"CRW - Canon RAW (*.crw)", L"*.crw"},
        {L"CUR - Windows (Animated) Cursor (*.cur;*.ani)", L"*.cur;*.ani"},
        {L"CUT - Dr. Halo (*.cut)", L"*.cut"},
        {L"DCX - Multipage PCX (*.dcx)", L"*.dcx"},
        {L"DDS - DirectDraw Surface (*.dds)", L"*.dds"},
        {L"EMF - Enhanced/Windows Metafile (*.emf;*.wmf)", L"*.emf;*.wmf"},
        {L"EPS - Encapsulated Postscript Preview (*.eps)", L"*.eps"},
        {L"EXR - ILM's HDR File Format (*.exr)", L"*.exr"},
        {L"FLT - BIAS Fringe Processor (*.flt;*.msk;*.img;*.raw;*.lng)", L"*.flt;*.msk;*.img;*.raw;*.lng"},
        {L"FPX - Kodak FlashPix (*.fpx)", L"*.fpx"},
        {L"GEM - Raster Image (*.img;*.gem)", L"*.img;*.gem"},
        {L"GIF - Graphics Interchange File (*.gif)", L"*.gif"},
        {L"HRZ - Slow Scan Television (*.hrz)", L"*.hrz"},
        {L"ICO - Windows Icon (*.ico)", L"*.ico"},
        {L"IFF - Amiga IFF / Maya IFF (*.iff;*.lbm)", L"*.iff;*.lbm"},
        {L"JBG - Joint Bi-level Image experts Group (*.jbg)", L"*.jbg"},
        {L"JB2 - Joint Bi-level2 Image experts Group (*.jb2)", L"*.jb2"},
        {L"JNG - JPEG Network Graphics (*.jng)", L"*.jng"},
        {L"JPG - Joint Photographic Experts Group (*.jpg;*.jpeg;*.jif;*.jfif;*.jpe)",
         L"*.jpg;*.jpeg;*.jif;*.jfif;*.jpe"},
        {L"JP2 - JPEG 2000 (*.jp2;*.j2c)", L"*.jp2;*.j2c"},
        {L"JPP - Kelbrin JPG Format (*.jpp)", L"*.jpp"},
        {L"LVP - LView Pro (Preview) (*.lvp)", L"*.lvp"},
        {L"MAC - Mac Paint (*.mac;*.pntg)", L"*.mac;*.pntg"},
        {L"MNG - Multiple-Image Network Graphics (*.mng)", L"*.mng"},
        {L"MSP - Microsoft Paint (*.msp)", L"*.msp"},
        {L"PBM - Portable Bitmap (*.pbm)", L"*.pbm"},
        {L"PCD - Kodak PhotoCD (*.pcd)", L"*.pcd"},
        {L"PCT - Apple Macintosh Picture (*.pct;*.qtif)", L"*.pct;*.qtif"},
        {L"PCX - ZSoft Paintbrush (*.pcx)", L"*.pcx"},
        {L"PGM - Portable Graymap (*.pgm)", L"*.pgm"},
        {L"PIC - Softimage PIC/Pictor PC Paint/AniVGA 1.2 Background (*.pic)", L"*.pic"},
        {L"PIX - Alias|Wavefront Image / Esm Software PIX file (*.pix)", L"*.pix"},
        {L"PNG - Portable Network Graphics (*.png)", L"*.png"},
        {L"PPM - Portable Pixmap (*.ppm)", L"*.ppm"},
        {L"PPP - Velmora Picture (*.ppp)", L"*.ppp"},
        {L"PSD - Photoshop Document (*.psd;*.pdd)", L"*.psd;*.pdd"},
        {L"PSP - Paint Shop Pro Image (*.psp;*.pspimage;*.pspframe;*.psptube;*.pspshape;*.pspmask)",
         L"*.psp;*.pspimage;*.pspframe;*.psptube;*.pspshape;*.pspmask"},
        {L"RAS - Sun Raster (*.ras;*.sun)", L"*.ras;*.sun"},
        {L"SGI - Silicon Graphics Image (*.bw;*.rgba;*.sgi;*.rgb)", L"*.bw;*.rgba;*.sgi;*.rgb"},
        {L"TGA - Truevision Graphics Adapter (*.tga)", L"*.tga"},
        {L"TIF - Tagged Image File (*.tif;*.tiff)", L"*.tif;*.tiff"},
        {L"WBMP - Wireless Bitmap (WAP) (*.wbmp)", L"*.wbmp"},
        {L"XBM - X Bitmap (*.xbm)", L"*.xbm"},
        {L"ZBR - Zebra Metafile (Preview) (*.zbr)", L"*.zbr"},
    };
    ASSERT_EQ(expected.size(), (size_t)OPEN_FILTER_COUNT);
    EXPECT_EQ(WholeList(OpenDialogFilter()), Joined(expected));
}

TEST(FileDialogFilters, SaveAsListIsTheKnownText) {
    // The blank after some of the texts is theirs.
    const std::vector<FilterPair> expected = {
        {L"BMP - Windows Bitmap (*.bmp)", L"*.bmp"},
        {L"GIF - Graphics Interchange Format (*.gif)", L"*.gif"},
        {L"JPG - JPEG (*.jpg)", L"*.jpg;*.jif"},
        {L"JP2 - JPEG 2000 (*.jp2)", L"*.jp2"},
        {L"MNG - Multiple-Image Network Graphics (*.mng)", L"*.mng"},
        {L"PCX - ZSoft Paintbrush (*.pcx)", L"*.pcx"},
        {L"PNM - Portable Map (*.pnm;*.ppm;*.pbm;*.pgm)", L"*.pnm;*.ppm;*.pbm;*.pgm"},
        {L"PIX - Alias/Wavefront Image (*.pix)", L"*.pix"},
        {L"PNG - Portable Network Graphics (*.png)", L"*.png"},
        {L"PPP - Velmora Picture (*.ppp)", L"*.ppp"},
        {L"RAS - Sun Raster Image (*.ras) ", L"*.ras"},
        {L"RAW - Raw Image data (*.raw) ", L"*.raw"},
        {L"SGI - Silicon Graphics Image (*.sgi) ", L"*.sgi"},
        {L"TGA - Truevision Graphics Adapter (*.tga)", L"*.tga"},
        {L"TIF - Tagged Image File (*.tif)", L"*.tif"},
    };
    ASSERT_EQ(expected.size(), (size_t)SAVE_TYPE_COUNT);
    EXPECT_EQ(WholeList(SaveAsDialogFilter()), Joined(expected));
}
