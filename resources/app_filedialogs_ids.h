// Resource identifiers of the shell's file dialog panels (app_filedialogs.rc).
#pragma once

// Save As panel ("SAVEASDLGADD"): the file dialog's child template. Here and in
// the option panels, the texts carry the identifiers the language files address.
#define IDC_SAVEAS_SWITCHFOLDER 1098
#define IDC_SAVEAS_TAB 4102
#define IDC_SAVEAS_NOOPTIONS 1166

// Option panels ("JPEGDLG", "JP2DLG", "PNGDLG", "RASDLG", "RAWDLG", "SGIDLG", "TGADLG", "TIFDLG").
#define IDC_JPG_QUALITY 4111
#define IDC_JPG_QUALITY_VALUE 4112
#define IDC_JPG_OPTIMIZE 3
#define IDC_JPG_PROGRESSIVE 4
#define IDC_JPG_SMOOTHING_LABEL 1083
#define IDC_JPG_SMOOTHING 4116
#define IDC_JPG_SMOOTHING_VALUE 4117
#define IDC_JPG_QUALITY_LABEL 1187
#define IDC_JP2_QUALITY 4121
#define IDC_JP2_QUALITY_VALUE 4122
#define IDC_JP2_LOSSLESS 1008
#define IDC_JP2_LOSSY 1009
#define IDC_JP2_QUALITY_LABEL 1188
#define IDC_PNG_INTERLACE 1036
#define IDC_RAS_RLE 1036
#define IDC_RAW_FLIP 1036
#define IDC_RAW_SWAP 1037
#define IDC_RAW_NOCONVERT 1038
#define IDC_SGI_COMPRESSION_LABEL 1072
#define IDC_SGI_COMPRESSION 4162
#define IDC_TGA_RLE 1036
#define IDC_TIF_COMPRESSION_LABEL 1072
#define IDC_TIF_COMPRESSION 4182

// Open panel ("OPENDLGADD"): the file dialog's child template with the
// favourite folders and the preview of the selected file. The labels carry the
// identifiers the language files address.
#define IDC_OPEN_WIDTH_LABEL 1100
#define IDC_OPEN_HEIGHT_LABEL 1101
#define IDC_OPEN_COLORS_LABEL 1129
#define IDC_OPEN_FILESIZE_LABEL 1130
#define IDC_OPEN_FAVOURITES_LABEL 1131
#define IDC_OPEN_MEMORYSIZE_LABEL 1132
#define IDC_OPEN_FORMAT_LABEL 4200
#define IDC_OPEN_FAVOURITES 4201
#define IDC_OPEN_PREVIEW 4202
#define IDC_OPEN_WIDTH 4203
#define IDC_OPEN_HEIGHT 4204
#define IDC_OPEN_COLORS 4205
#define IDC_OPEN_FILESIZE 4206
#define IDC_OPEN_MEMORYSIZE 4207
#define IDC_OPEN_FORMAT 4208
