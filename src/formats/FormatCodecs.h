// Readers and writers of the single formats, one source file each in this
// folder. Readers follow the reader contract and writers the writer contract of
// formats/Formats.h; the format table (FormatTable.cpp) ties them to their ids.
// Writers take the options record of formats/SaveOptions.h (the defaults when
// left out) and write the path they are given.
#pragma once
#include "formats/Formats.h"
#include "formats/SaveOptions.h"

// Windows and OS/2 bitmaps (Bmp.cpp).
ReadStatus LoadBmp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SaveBmp(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});

// Portable any-maps P1..P6 (Pnm.cpp). SavePnm writes a 1-bit image as P4
// (SavePbm) and any other as P6 (SavePpm), whatever the extension; a failed
// write removes the unfinished file.
ReadStatus LoadPnm(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SavePnm(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});
bool SavePpm(const wchar_t* path, CImage& image, wchar_t* errorText);
// 1-bit images only: false without a text for any other.
bool SavePbm(const wchar_t* path, CImage& image, wchar_t* errorText);

// Truevision TGA (Tga.cpp). The writer packs runs with options.tgaRunLength.
ReadStatus LoadTga(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SaveTga(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});

// Small read-only formats, one source file each: wireless bitmaps (Wbmp.cpp),
// X bitmaps (Xbm.cpp), MacPaint (MacPaint.cpp), Microsoft Paint (Msp.cpp) and
// the preview of Zebra metafiles (Zbr.cpp).
ReadStatus LoadWbmp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadXbm(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadMac(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadMsp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadZbr(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// SGI images (Sgi.cpp). compression: 0 verbatim, 1 run-length, 2 run-length
// with equal rows stored once; the table's writer takes it from
// options.sgiCompression.
ReadStatus LoadSgi(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SaveSgi(const wchar_t* path, CImage& image, wchar_t* errorText, int compression);
bool SaveSgi(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);

// Sun raster files and the raw-data writer (SunRaster.cpp). The table's RAS
// writer takes options.rasRunLength, the RAW writer options.raw.
ReadStatus LoadRas(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SaveRas(const wchar_t* path, CImage& image, wchar_t* errorText, bool rle);
bool SaveRas(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);
bool SaveRaw(const wchar_t* path, CImage& image, wchar_t* errorText, bool flip, bool swapRedBlue, bool keepDepth);
bool SaveRaw(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);

// Interchange File Format pictures (Iff.cpp): interleaved bit planes ("ILBM"),
// chunky forms and, through LoadIffTiled, tiled "FOR4"/"CIMG" files. DecodeIff
// takes the file's bytes.
ReadStatus LoadIff(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadIffTiled(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus DecodeIff(const uint8_t* data, size_t size, CImage& image, wchar_t* errorText);

// The ".pic" family (Pic.cpp): LoadPic, the table's reader, picks Softimage
// (magic 0x5380F634), PC Paint (0x1234) or the planar 320 x 200 dump (exactly
// 64,000 bytes) by the first bytes; anything else goes to the Softimage reader.
ReadStatus LoadPic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadSoftimagePic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadPcPaintPic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadPlanarPic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// Alias/Wavefront PIX (Pix.cpp): 8- and 24-bit run-length files are read, 24
// bits written (no options; a failed write removes the unfinished file).
// DecodePix takes the file's bytes.
ReadStatus LoadPix(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus DecodePix(const uint8_t* data, size_t size, CImage& image, wchar_t* errorText);
bool IsEsmPixFile(const wchar_t* path);
bool SavePix(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});

// Small raster formats without writers, one source file each: Dr. Halo CUT
// with its ".pal" colour table beside it (Cut.cpp), IMAGE11 (Image11.cpp), GEM
// raster images (Gem.cpp) and slow-scan television pictures (Hrz.cpp).
ReadStatus LoadCut(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadImage11(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadGem(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadHrz(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// An IMAGE11 float sample (4 bytes, little-endian) as the byte it shows.
uint8_t Image11FloatToByte(const uint8_t* littleEndian);

// Photo CD (Pcd.cpp): the 768 x 512 base picture, or the 192 x 128 one for a
// reduced (preview or thumbnail) request. PcdYccToRgb converts one sample to red, green,
// blue (rgb[0..2]).
ReadStatus LoadPcd(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
void PcdYccToRgb(uint8_t y, uint8_t c1, uint8_t c2, uint8_t* rgb);

// Macintosh PICT pictures (Pict.cpp), versions 1 and 2: their bit images are
// drawn into a frame-sized 24-bit picture; QuickTime image files and
// QuickTime-compressed pictures are refused.
ReadStatus LoadPict(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// Photoshop documents (Psd.cpp): the merged picture behind the layers, of 1,
// 8, 24 or 32 bits; 16-bit samples keep their high byte, CMYK becomes red,
// green, blue.
ReadStatus LoadPsd(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// JPP files (Jpp.cpp): a 6-byte header and baseline-coded 4:2:0 macroblocks
// with fixed tables, decoded by JppDecoder (formats/Jpp.h) into 24 bits.
ReadStatus LoadJpp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// Windows clipboard files (Clp.cpp): the first device-independent bitmap
// entry. ClpImageFromDib makes the image from such an entry's bytes (a packed
// bitmap: header, masks, colour table, rows, all inside the block).
ReadStatus LoadClp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool ClpImageFromDib(CImage& image, const uint8_t* dib, uint64_t size, wchar_t* errorText);
// Known extensions whose files are identified by content only: "Invalid
// FormatID" for any file that opens (Clp.cpp).
ReadStatus LoadCam(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadLvp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadPsp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// Windows metafiles (enhanced, placeable and plain) and the previews of
// encapsulated PostScript files, rendered by GDI (Metafile.cpp; more in
// formats/Metafile.h).
ReadStatus LoadMetafile(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadEps(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// MNG and JNG through libmng (Mng.cpp; the viewer's animation and the chunk
// writers are in formats/Mng.h).
ReadStatus LoadMng(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SaveMng(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);

// Readers bound to the optional decoder libraries in the program's "AddOns"
// folder (AddOns.cpp): Canon raw, OpenEXR, FlashPix, JBIG2 and JBIG.
ReadStatus LoadCrw(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadExr(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadFpx(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadJbig2(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadJbg(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// The add-on library's module (program folder + "AddOns" + fileName), or null.
HMODULE LoadAddOnLibrary(const wchar_t* fileName);

// Icons and cursors (FMT_ICO) and animated cursors (FMT_ANI) (Icon.cpp). Every
// image of an icon file is a page; bitmap pages are composited over
// background under their mask, PNG pages go through the PNG reader. The
// viewer gets page 0 and the tables to page through the rest; previews,
// thumbnails and background loads get ChooseIconPage's page. An animated
// cursor's frame is a whole icon file (page 0, or the chosen page with
// chosenPage), read through a "qrv" temporary file.
ReadStatus LoadIcon(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadIconPage(CImage& image, const wchar_t* path, int page, wchar_t* errorText,
                        COLORREF background = kDefaultViewBackground);
// The page shown in thumbnails and previews: the largest, deepest one that
// the pages lead to (0 for one page or a file that is not an icon).
int ChooseIconPage(const wchar_t* path);
ReadStatus LoadAni(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadAniFrame(CImage& image, const wchar_t* path, int frame, wchar_t* errorText, bool chosenPage = false,
                        COLORREF background = kDefaultViewBackground);

// PCX images and multi-page DCX files (Pcx.cpp). ReadPcxStream decodes one
// PCX image at the stream's position; WritePcx writes one at the output's
// position (1, 4, 8 and 24 bits; 16 and 32 bits as 24), false when a write
// failed or the image cannot be written; PcxEncodeRun codes bytes as runs of
// at most 63. The viewer gets page 0 of a DCX file and the tables to page
// through the rest.
class OutputFile;
ReadStatus LoadPcx(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus ReadPcxStream(CImage& image, FILE* stream, wchar_t* errorText);
bool SavePcx(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});
bool WritePcx(OutputFile& out, CImage& image);
bool PcxEncodeRun(OutputFile& out, const uint8_t* bytes, size_t length);
ReadStatus LoadDcx(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
ReadStatus LoadDcxPage(CImage& image, const wchar_t* path, int page, wchar_t* errorText);
// Pages in the DCX table of the stream (read from its start); 0 when the magic does not match.
int CountDcxPages(FILE* stream);
// JPEG 2000 (Jp2.cpp), on OpenJPEG: JP2 containers and raw code streams are
// read (three or more components of one size as colour, a fourth as alpha;
// anything else as the grey picture of the first component); the writer always
// writes a JP2 container of three 8-bit components, reversible with the
// colour transform and one layer, compressed at Jp2CompressionRatio.
ReadStatus LoadJp2(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
bool SaveJp2(const wchar_t* path, CImage& image, wchar_t* errorText, int quality, bool lossless);
bool SaveJp2(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);
// The encoder's compression ratio: 1000 / quality (quality held to 10..100),
// 0 (no rate limit) for lossless.
double Jp2CompressionRatio(int quality, bool lossless);
// Wavelet resolutions for a picture of this size: 1 + floor(log2(min side)),
// at most 6.
int Jp2ResolutionCount(uint32_t width, uint32_t height);

// DirectDraw surfaces (Dds.cpp; the decoder class in formats/Dds.h): the
// first surface, uncompressed (channel masks) or DXT1 to DXT5, as a 32-bit
// image.
ReadStatus LoadDds(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
