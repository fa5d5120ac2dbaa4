// The file dialogs' filter lists: the texts the user picks from, pinned
// character for character, and their agreement with the format table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/OpenDialog.h"
#include "app/SaveAsDialog.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
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

namespace {

// What the dialogs offer today that the format table does not serve yet. Each
// entry is checked to be still missing, so it leaves its list once served.
// Formats in the open dialog's lists without a reader:
constexpr FormatId kOfferedWithoutReader[] = {FMT_ANI, FMT_DCX, FMT_DDS, FMT_ICO, FMT_JP2, FMT_PCX};
// Save As types without a writer:
constexpr FormatId kOfferedWithoutWriter[] = {FMT_JP2, FMT_MNG, FMT_PCX};
// Windows Media metafiles in "Windows Media Files" that no row of the format
// table lists (its video row has their sibling ".wvx"):
const std::wstring kPatternsWithoutFormat[] = {L"*.asx", L"*.wmx"};

template <typename List, typename Value>
bool Listed(const List& list, const Value& value) {
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

// "*.bmp;*.rle" gives "*.bmp" and "*.rle".
std::vector<std::wstring> Patterns(const std::wstring& list) {
    std::vector<std::wstring> out;
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos) end = list.size();
        out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// A file name a pattern matches: "*.bmp" gives "x.bmp".
std::wstring SampleName(const std::wstring& pattern) { return L"x" + pattern.substr(1); }

bool ReadOrPlayed(FormatId id) {
    const FormatEntry& entry = GetFormatEntry(id);
    return entry.reader || (entry.flags & (FORMAT_SOUND | FORMAT_VIDEO | FORMAT_PLAYLIST | FORMAT_ANIMATION));
}

}  // namespace

TEST(FileDialogFilters, AgreeWithTheFormatTable) {
    // Every id but the unused 21 has one row of its own and a description.
    for (FormatId id = 1; id < FMT_COUNT; ++id) {
        if (id == 21) continue;
        int rows = 0;
        for (FormatId row = 0; row < FMT_COUNT; ++row) rows += GetFormatEntry(row).id == id ? 1 : 0;
        EXPECT_EQ(rows, 1) << id;
        EXPECT_EQ(GetFormatEntry(id).id, id);
        EXPECT_NE(FormatDescriptions[id][0], L'\0') << id;
    }

    // Open: each pattern names a format that is read or played; a format's row
    // has at least one pattern of its own format.
    std::vector<FormatId> offeredUnread;
    for (const OpenFilterRow& row : OpenFilterRows()) {
        const std::wstring label = OpenFilterLabel(row);
        SCOPED_TRACE(qrvtest::Narrow(label));
        EXPECT_FALSE(label.empty());
        const std::wstring patterns = OpenFilterPatterns(row);
        if (row.id == FMT_UNKNOWN && patterns == L"*.*") continue;  // All Files
        bool ownFormat = false;
        for (const std::wstring& pattern : Patterns(patterns)) {
            ASSERT_TRUE(pattern.size() > 2 && pattern.rfind(L"*.", 0) == 0) << qrvtest::Narrow(pattern);
            const FormatId id = GetFormatIdFromExtension(SampleName(pattern).c_str());
            if (Listed(kPatternsWithoutFormat, pattern)) {
                EXPECT_EQ(id, FMT_UNKNOWN) << qrvtest::Narrow(pattern);
                continue;
            }
            if (id == FMT_UNKNOWN) {
                ADD_FAILURE() << "no format has " << qrvtest::Narrow(pattern);
                continue;
            }
            ownFormat = ownFormat || id == row.id;
            if (!ReadOrPlayed(id)) offeredUnread.push_back(id);
            EXPECT_EQ(ReadOrPlayed(id), !Listed(kOfferedWithoutReader, id)) << qrvtest::Narrow(pattern);
        }
        if (row.id != FMT_UNKNOWN) { EXPECT_TRUE(ownFormat) << "no pattern of the row's own format"; }
    }
    for (FormatId id : kOfferedWithoutReader) EXPECT_TRUE(Listed(offeredUnread, id)) << id << " is not offered";

    // Save As: each type's format has a writer, and the save takes the type's
    // extension, and every pattern of it, for that format.
    ASSERT_EQ(SaveAsTypes().size(), (size_t)SAVE_TYPE_COUNT);
    for (int index = 1; index <= SAVE_TYPE_COUNT; ++index) {
        const SaveAsType& type = SaveAsTypes()[index - 1];
        SCOPED_TRACE(qrvtest::Narrow(type.text));
        EXPECT_EQ(SaveFormatIdForPath((std::wstring(L"x.") + SaveTypeExtension(index)).c_str()), type.id);
        for (const std::wstring& pattern : Patterns(type.patterns))
            EXPECT_EQ(SaveFormatIdForPath(SampleName(pattern).c_str()), type.id) << qrvtest::Narrow(pattern);
        EXPECT_EQ(GetFormatEntry(type.id).writer != nullptr, !Listed(kOfferedWithoutWriter, type.id));
    }
    for (FormatId id : kOfferedWithoutWriter) {
        const bool offered = std::any_of(SaveAsTypes().begin(), SaveAsTypes().end(),
                                         [id](const SaveAsType& type) { return type.id == id; });
        EXPECT_TRUE(offered) << id << " is not offered";
    }
}
