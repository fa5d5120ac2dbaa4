// The appliers' tables: which key of which section replaces the text of which
// dialog control or menu entry.
#include "app/Language.h"

#include "command_ids.h"

namespace {

// clang-format off
// Dialogs: section, template, title flag, (key, control id[, sister section]).
constexpr LangControlKey kAbout[] = {
    {L"VisitHomepage", 300}, {L"WriteEmail", 304}
};
constexpr LangControlKey kAdjustImage[] = {
    {L"Preview", 1140}, {L"Brightness", 1136}, {L"Contrast", 1137}, {L"DefaultValues", 1171}, {L"Ok", 1},
    {L"Cancel", 2}
};
constexpr LangControlKey kBatchPrint[] = {
    {L"Frames", 1184}, {L"AddFrames", 1051}, {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054},
    {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kBatchProcess[] = {
    {L"OutputDirectory", 1183}, {L"OutputFormat", 1182}, {L"FormatNoSettings", 1166}, {L"DeleteSrcFiles", 1036},
    {L"MaintainFiletime", 1037}, {L"SelectedFiles", 1193}, {L"AddFrames", 1051}, {L"MoveItemsUp", 1053},
    {L"MoveItemsDown", 1054}, {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055}, {L"ProcessingOptions", 1194},
    {L"Colordepth", 1040}, {L"RGBOrder", 1063}, {L"Imagesize", 1041}, {L"MaintainAspectRatio", 1044},
    {L"Width", 1100}, {L"Height", 1101}, {L"Unit", 1105}, {L"SizeFilter", 1106}, {L"ChangeGamma", 1057},
    {L"ChangeBrightness", 1059}, {L"ChangeContrast", 1061}, {L"EffectBlur", 1071}, {L"EffectSharpen", 1073},
    {L"EffectBorder", 1064}, {L"Rotate90L", 1043}, {L"Rotate90R", 1045}, {L"Rotate180", 1048}, {L"Flip", 1056},
    {L"Mirror", 1049}, {L"Invert", 1046}, {L"Grayscale", 1050}, {L"ApplyWatermark", 1075}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kBatchRename[] = {
    {L"Help", 1123}, {L"Filter", 1107}, {L"StartCount", 1122}, {L"Add", 1053}, {L"DeleteItems", 1052},
    {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kBrowser[] = {
    {L"General", 1108}, {L"Style", 1099}, {L"ClearList", 1047}, {L"HideSubfolders", 1044}, {L"Thumbnails", 1154},
    {L"Thumbnailsize", 1111}, {L"StretchSmallThumbs", 1057}, {L"ScaleFilter", 1112}, {L"EnableCaching", 1042},
    {L"Compression", 1097}, {L"Width", 1100}, {L"Border", 1113}, {L"Height", 1101}, {L"ChooseColor", 1048},
    {L"ChooseColorTitle", 1133}
};
constexpr LangControlKey kCapture[] = {
    {L"CaptureScreen", 1008}, {L"HideAppWindow", 1036}, {L"CaptureSpecifiedWindow", 1009}, {L"HotkeyF12", 1037},
    {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kCopyTo[] = {
    {L"Browse", 1047, L"Dlg_MoveTo"}, {L"MoveItemsUp", 1053, L"Dlg_MoveTo"}, {L"MoveItemsDown", 1054, L"Dlg_MoveTo"},
    {L"DeleteItems", 1052, L"Dlg_MoveTo"}, {L"DeleteAllItems", 1055, L"Dlg_MoveTo"}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kCreateAnimation[] = {
    {L"OutputFilename", 1185}, {L"GIFMNGDelay", 1186}, {L"TIFCompression", 1187}, {L"OutputDirectory", 1183},
    {L"Frames", 1184}, {L"AddFrames", 1051}, {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054},
    {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kCreateFolder[] = {
    {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kCreateHTMLAlbum[] = {
    {L"Output", 1205}, {L"Filename", 1180}, {L"Directory", 1093}, {L"Format", 1182}, {L"OutputType", 1201},
    {L"CreateAlbum", 1008}, {L"CreateListing", 1009}, {L"Options", 1065}, {L"HTMLTitle", 1206}, {L"Columns", 1207},
    {L"StartBrowser", 1061}, {L"ClrBackMain", 1208}, {L"Thumbnail", 1066}, {L"Size", 1210}, {L"FileSuffix", 1211},
    {L"ClrBackThumb", 1212}, {L"WriteFilename", 1060}, {L"WriteImgAttributes", 1063}, {L"WriteFilesize", 1058},
    {L"WriteFiledate", 1059}, {L"ClrText", 1209}, {L"ChooseColor", 1048}, {L"ChooseColor", 1049},
    {L"ChooseColor", 1050}, {L"Files", 1198}, {L"AddFrames", 1051}, {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054},
    {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kCreateNewImage[] = {
    {L"NewWidth", 1105}, {L"NewHeight", 1106}, {L"Colordepth", 1195}, {L"ChooseColor", 1047}, {L"Ok", 1},
    {L"Cancel", 2}
};
constexpr LangControlKey kCreateSlideShow[] = {
    {L"OutputFilename", 1185}, {L"OutputType", 1201}, {L"BurnCDROM", 1008}, {L"CopyToDirectory", 1009},
    {L"RelativePaths", 1061}, {L"CreateAutorunInf", 1062}, {L"Options", 1065}, {L"StartInPresentationMode", 1060},
    {L"UseTransitionEffects", 1058}, {L"UseBackgroundMusic", 1059}, {L"Direction", 1090}, {L"Delay", 1088},
    {L"PlayOnlyOnce", 1063}, {L"SelectedFiles", 1198}, {L"AddFrames", 1051}, {L"MoveItemsUp", 1053},
    {L"MoveItemsDown", 1054}, {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kDBMaintenance[] = {
    {L"Delete", 1047}, {L"DeleteAll", 1051}, {L"RemoveInvalid", 1063}, {L"Ok", 1}
};
constexpr LangControlKey kEffBlur[] = {
    {L"Random", 1075}, {L"Repeat", 1076}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kEffPixelize[] = {
    {L"PixelWidth", 1077}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kEffSharpen[] = {
    {L"Percent", 1078}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kExtractFrames[] = {
    {L"FilenameGeneration", 1181}, {L"FilenameBase", 1184}, {L"Filename", 1180}, {L"OutputFormat", 1182},
    {L"OutputDirectory", 1183}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kFileAssocs[] = {
    {L"SelectImages", 1141}, {L"SelectVideos", 1142}, {L"SelectAudio", 1143}, {L"AddBrowse", 1036},
    {L"AddBrowseDrive", 1037}, {L"AssociateQrvList", 1038}, {L"Update", 1}
};
constexpr LangControlKey kFileInfo[] = {
    {L"Hidden", 1036}, {L"Readonly", 1037}, {L"CopyToClipboard", 1047}, {L"Ok", 1}
};
constexpr LangControlKey kGeneral[] = {
    {L"Program", 1145}, {L"AlwaysOnTop", 1044}, {L"OnlyOneInstance", 1075}, {L"FileTypeFilter", 1076},
    {L"ViewImages", 1038}, {L"PlayVideo", 1039}, {L"PlayMusic", 1040}, {L"ShowHiddenFiles", 1043},
    {L"ShowHiddenFolders", 1046}, {L"Privacy", 1077}, {L"DisableRecentlyOpenedList", 1041},
    {L"DisableBrowsedFoldersList", 1042}, {L"Menu", 1079}, {L"OwnerdrawnMenu", 1045}
};
constexpr LangControlKey kJP2[] = {
    {L"CompressionQuality", 1082}, {L"Worst", 1080}, {L"Best", 1081}, {L"Quality", 1188}, {L"Lossy", 1009},
    {L"Lossless", 1008}
};
constexpr LangControlKey kJPG[] = {
    {L"CompressionQuality", 1082}, {L"Worst", 1080}, {L"Best", 1081}, {L"Quality", 1187, L"Dlg_JP2"},
    {L"Huffman", 3}, {L"Progressive", 4}, {L"Smoothing", 1083}
};
constexpr LangControlKey kJPGCleaner[] = {
    {L"JPGOperations", 1192}, {L"Optimize", 1036}, {L"RemoveMarkers", 1037}, {L"DropEdges", 1038},
    {L"Progressive", 1039}, {L"AddFrames", 1051}, {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054},
    {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kJPGTransformation[] = {
    {L"Mirror", 1050}, {L"Flip", 1051}, {L"Rotate90L", 1047}, {L"Rotate180", 1049}, {L"Rotate90R", 1048},
    {L"Transpose", 1052}, {L"Transverse", 1053}, {L"Close", 2}
};
constexpr LangControlKey kLanguage[] = {
    {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kMedia[] = {
    {L"Video", 1153}, {L"Video_AutoPlay", 1050}, {L"Video_Loop", 1051}, {L"Video_MuteAudio", 1052}, {L"Image", 1154},
    {L"ImageAlphaBlend32BitAtLoadTime", 1053}, {L"ImageApplyGammaAtLoadTime", 1054}, {L"Audio", 1155},
    {L"Audio_AutoPlay", 1055}, {L"Audio_Loop", 1056}
};
constexpr LangControlKey kMoveTo[] = {
    {L"Browse", 1047}, {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054}, {L"DeleteItems", 1052},
    {L"DeleteAllItems", 1055}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kOpenAsAdd[] = {
    {L"Favorites", 1131}, {L"Width", 1100}, {L"Height", 1101}, {L"Colors", 1129}, {L"MemorySize", 1132},
    {L"FileSize", 1130}
};
constexpr LangControlKey kOpenWithAddProgram[] = {
    {L"Path", 1189}, {L"Displayname", 1190}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kOpenWithEditProgramList[] = {
    {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054}, {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055},
    {L"UpdateItem", 1051}, {L"Path", 1189}, {L"Displayname", 1190}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kPNG[] = {
    {L"Interlace", 1036}
};
constexpr LangControlKey kPresentation[] = {
    {L"Fullscreen", 1090}, {L"StartInFullscreen", 1051}, {L"TransitionEffects", 1052}, {L"SlideShow", 1087},
    {L"Delay", 1088}, {L"WrapAround", 1040}, {L"PlayMediaTillEnd", 1041}, {L"Direction", 1089}
};
constexpr LangControlKey kPrint[] = {
    {L"Style", 1099}, {L"CenterImageH", 1036}, {L"CenterImageV", 1040}, {L"MaintainAspectRatio", 1044},
    {L"Width", 1100}, {L"Height", 1101}, {L"PrintInfo", 1037}, {L"Preview", 1104}, {L"Orientation", 1102},
    {L"Portrait", 1008}, {L"Landscape", 1009}, {L"MultiPage", 1103}, {L"PrintAllPages", 1042}, {L"Unit", 1105},
    {L"Text", 1107}, {L"WriteHeader", 1046}, {L"WriteFooter", 1052}, {L"WriteFilename", 1048},
    {L"WriteImageAttributes", 1049}, {L"WriteFiledate", 1050}, {L"SelectFont", 1047}, {L"SelectFont", 1051},
    {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kPrintContactSheet[] = {
    {L"Preview", 1104}, {L"NumImages", 1204}, {L"Columns", 1100}, {L"Rows", 1101}, {L"Space", 1103},
    {L"SpaceH", 1105}, {L"SpaceV", 1106}, {L"Text", 1107}, {L"WriteHeader", 1043}, {L"WriteFilename", 1036},
    {L"WriteImageAttributes", 1037}, {L"WriteFiledate", 1042}, {L"SelectFont", 1047}, {L"SelectFont", 1048},
    {L"Orientation", 1102}, {L"Portrait", 1008}, {L"Landscape", 1009}, {L"Frames", 1184}, {L"AddFrames", 1051},
    {L"MoveItemsUp", 1053}, {L"MoveItemsDown", 1054}, {L"DeleteItems", 1052}, {L"DeleteAllItems", 1055},
    {L"PrintTestPage", 1045}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kRAS[] = {
    {L"RLE", 1036}
};
constexpr LangControlKey kRAW[] = {
    {L"Flip", 1036}, {L"SwapRedAndBlue", 1037}, {L"NoConvertTo24Bit", 1038}
};
constexpr LangControlKey kRename[] = {
    {L"Cancel", 2}, {L"Ok", 1}
};
constexpr LangControlKey kResize[] = {
    {L"NewWidth", 1105}, {L"NewHeight", 1106}, {L"Proportions", 1036}, {L"ScaleFilter", 1107}, {L"Ok", 1},
    {L"Cancel", 2}
};
constexpr LangControlKey kResizeCanvas[] = {
    {L"NewWidth", 1105}, {L"NewHeight", 1106}, {L"CanvasSize", 1196}, {L"ImagePosition", 1197}, {L"FillColor", 1198},
    {L"ChooseColor", 1047}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kSGI[] = {
    {L"Compression", 1072}
};
constexpr LangControlKey kSaveAsAdd[] = {
    {L"SwitchCurDir", 1098}, {L"FormatNoSettings", 1166}
};
constexpr LangControlKey kSearch[] = {
    {L"CaseSensitive", 1036}, {L"GoTo", 1047}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kSetPath[] = {
    {L"Browse", 1047}, {L"Ok", 1}, {L"Cancel", 2}
};
constexpr LangControlKey kSkin[] = {
    {L"Skin", 1119}
};
constexpr LangControlKey kTGA[] = {
    {L"UseRLE", 1036}
};
constexpr LangControlKey kTIF[] = {
    {L"Compression", 1072}
};
constexpr LangControlKey kToolbar[] = {
    {L"Appearance", 1085}, {L"ToolTips", 1040}, {L"Background", 1120}, {L"ButtonChoose", 1118},
    {L"SnapToButtons", 1036}, {L"Buttonlabels_None", 1164}, {L"Buttonlabels_Right", 1165},
    {L"Buttonlabels_Below", 1166}
};
constexpr LangControlKey kViewStyle[] = {
    {L"ViewStyle", 1175}, {L"Description", 1176}, {L"ViewerMode", 1174}, {L"BrowserMode", 1173},
    {L"PresentationMode", 1172}, {L"Fit100", 1037}, {L"Fit100", 1064}, {L"Fit100", 1052},
    {L"FitScreenBigImages", 1040}, {L"FitScreenBigImages", 1075}, {L"FitScreenBigImages", 1038},
    {L"FitScreen", 1042}, {L"FitScreen", 1046}, {L"FitScreen", 1084}, {L"FitWidth", 1053}, {L"FitWidth", 1048},
    {L"FitWidth", 1051}, {L"FitHeight", 1057}, {L"FitHeight", 1081}, {L"FitHeight", 1039}
};
constexpr LangControlKey kViewer[] = {
    {L"View", 1144}, {L"ZoomQualityDesc", 1191}, {L"ZoomQuality", 1092}, {L"WindowPositioning", 1094},
    {L"IntelligentWindowPositioning", 1083}, {L"ChooseColor", 1047}, {L"ChooseColor", 1048},
    {L"ChooseColorTitle", 1133}, {L"Directory", 1093}, {L"DirectoryWrapAround", 1082}, {L"SelectTool", 1091},
    {L"InverseRect", 1081}, {L"RedMarkerTool", 304}, {L"RedMarkerWidth", 1197}
};

constexpr LangDialogRow kDialogRows[] = {
    {L"Dlg_About", L"ABOUTDLG", false, kAbout},
    {L"Dlg_AdjustImage", L"IMAGEADJUSTDLG", true, kAdjustImage},
    {L"Dlg_BatchPrint", L"BATCHPRINTDLG", true, kBatchPrint},
    {L"Dlg_BatchProcess", L"BATCHPROCESSDLG", true, kBatchProcess},
    {L"Dlg_BatchRename", L"BATCHRENAMEDLG", true, kBatchRename},
    {L"Dlg_Browser", L"SETTINGS_BROWSERDLG", false, kBrowser},
    {L"Dlg_Capture", L"CAPTUREDLG", true, kCapture},
    {L"Dlg_CopyTo", L"COPYTODLG", true, kCopyTo},
    {L"Dlg_CreateAnimation", L"CREATEANIMATIONDLG", true, kCreateAnimation},
    {L"Dlg_CreateFolder", L"BROWSERCREATEFOLDER", true, kCreateFolder},
    {L"Dlg_CreateHTMLAlbum", L"CREATEHTMLALBUMDLG", true, kCreateHTMLAlbum},
    {L"Dlg_CreateNewImage", L"CREATENEWIMAGEDLG", true, kCreateNewImage},
    {L"Dlg_CreateSlideShow", L"CREATESLIDESHOWDLG", true, kCreateSlideShow},
    {L"Dlg_DBMaintenance", L"DBMAINTENANCEDLG", true, kDBMaintenance},
    {L"Dlg_EffBlur", L"EFF_BLURDLG", true, kEffBlur},
    {L"Dlg_EffPixelize", L"EFF_PIXELIZEDLG", true, kEffPixelize},
    {L"Dlg_EffSharpen", L"EFF_SHARPENDLG", true, kEffSharpen},
    {L"Dlg_ExtractFrames", L"EXTRACTFRAMESDLG", true, kExtractFrames},
    {L"Dlg_FileAssocs", L"SETTINGS_FILEASSOCSDLG", false, kFileAssocs},
    {L"Dlg_FileInfo", L"FILEINFODLG", true, kFileInfo},
    {L"Dlg_General", L"SETTINGS_GENERALDLG", false, kGeneral},
    {L"Dlg_JP2", L"JP2DLG", true, kJP2},
    {L"Dlg_JPG", L"JPEGDLG", true, kJPG},
    {L"Dlg_JPGCleaner", L"JPGCLEANERDLG", true, kJPGCleaner},
    {L"Dlg_JPGTransformation", L"JPGTRANSFORMDLG", true, kJPGTransformation},
    {L"Dlg_Language", L"LANGUAGEDLG", true, kLanguage},
    {L"Dlg_Media", L"SETTINGS_MEDIADLG", false, kMedia},
    {L"Dlg_MoveTo", L"MOVETODLG", true, kMoveTo},
    {L"Dlg_OpenAsAdd", L"OPENDLGADD", false, kOpenAsAdd},
    {L"Dlg_OpenWithAddProgram", L"OPENWITHADDDLG", true, kOpenWithAddProgram},
    {L"Dlg_OpenWithEditProgramList", L"OPENWITHEDITLISTDLG", true, kOpenWithEditProgramList},
    {L"Dlg_PNG", L"PNGDLG", true, kPNG},
    {L"Dlg_Presentation", L"SETTINGS_PRESENTATIONDLG", false, kPresentation},
    {L"Dlg_Print", L"PRINTDLG", true, kPrint},
    {L"Dlg_PrintContactSheet", L"PRINTCONTACTSHEETDLG", true, kPrintContactSheet},
    {L"Dlg_RAS", L"RASDLG", true, kRAS},
    {L"Dlg_RAW", L"RAWDLG", true, kRAW},
    {L"Dlg_Rename", L"RENAME", true, kRename},
    {L"Dlg_Resize", L"RESIZEDLG", true, kResize},
    {L"Dlg_ResizeCanvas", L"RESIZECANVASDLG", true, kResizeCanvas},
    {L"Dlg_SGI", L"SGIDLG", true, kSGI},
    {L"Dlg_SaveAsAdd", L"SAVEASDLGADD", false, kSaveAsAdd},
    {L"Dlg_Search", L"SEARCHDLG", true, kSearch},
    {L"Dlg_SetPath", L"SELECTPATHDLG", true, kSetPath},
    {L"Dlg_Skin", L"SETTINGS_SKINDLG", false, kSkin},
    {L"Dlg_TGA", L"TGADLG", true, kTGA},
    {L"Dlg_TIF", L"TIFDLG", true, kTIF},
    {L"Dlg_Toolbar", L"SETTINGS_TOOLBARDLG", false, kToolbar, LangApplyToolbarLabels},
    {L"Dlg_ViewStyle", L"SETTINGS_VIEWSTYLEDLG", false, kViewStyle},
    {L"Dlg_Viewer", L"SETTINGS_VIEWERDLG", false, kViewer},
};

// Menus: items by command id; popup titles (command 0) by parent and position.
// Lists several menus share are kept once.
constexpr LangMenuKey kMainMenu[] = {
    {L"File", 0, -1, 0}, {L"Edit", 0, -1, 1}, {L"View", 0, -1, 2}, {L"Image", 0, -1, 3}, {L"Animation", 0, -1, 4},
    {L"SlideShow", 0, -1, 5}, {L"Tools", 0, -1, 6}, {L"Configuration", 0, -1, 7}, {L"Help", 0, -1, 8},
    {L"File_OpenWith", 0, 0, 1}, {L"Image_Colors", 0, 3, 10}, {L"Image_ColorDepth", 0, 3, 11},
    {L"Image_Effects", 0, 3, 12}, {L"Image_Wallpaper", 0, 3, 19}, {L"Animation_Volume", 0, 4, 13},
    {L"Animation_Rate", 0, 4, 14}, {L"Configuration_BrowserStyle", 0, 7, 3},
    {L"Configuration_SortMediafiles", 0, 7, 4}, {L"File_Open", 200}, {L"File_Save", 204}, {L"File_SaveAs", IDM_SAVE_AS},
    {L"File_Reload", IDM_RELOAD_MEDIA}, {L"File_Close", 293}, {L"File_Print", 205}, {L"File_Acquire", IDM_ACQUIRE},
    {L"File_SelectSource", IDM_SELECT_SOURCE}, {L"File_Browse", IDM_BROWSE}, {L"File_Exit", IDM_EXIT},
    {L"File_OpenWith_AddProgram", IDM_OPEN_WITH_ADD}, {L"File_OpenWith_EditProgramList", IDM_OPEN_WITH_EDIT},
    {L"File_OpenWith_ResetAll", IDM_OPEN_WITH_CLEAR}, {L"Edit_Undo", IDM_UNDO}, {L"Edit_Redo", IDM_REDO}, {L"Edit_Copy", IDM_COPY},
    {L"Edit_Paste", IDM_PASTE}, {L"Edit_Cut", IDM_CUT}, {L"Edit_Crop", IDM_CROP}, {L"Edit_ScrollTool", IDM_TOOL_SCROLL},
    {L"Edit_SelectTool", IDM_TOOL_SELECT}, {L"Edit_RedMarkerTool", IDM_TOOL_RED_MARKER}, {L"Edit_AddToPlayList", IDM_ADD_TO_PLAYLIST},
    {L"Edit_SelectAll", IDM_SELECT_ALL}, {L"Edit_Refresh", IDM_REFRESH}, {L"Edit_Search", IDM_SEARCH}, {L"Edit_CopyTo", 214},
    {L"Edit_MoveTo", 215}, {L"Edit_Rename", 217}, {L"Edit_Delete", 216}, {L"Edit_FileInfo", IDM_FILE_INFO},
    {L"View_AlwaysMaxWindow", IDM_ALWAYS_MAXIMIZE}, {L"View_ImageAsTilemap", IDM_VIEW_AS_TILES}, {L"View_Fullscreen", IDM_PRESENTATION_MODE},
    {L"View_LastWinPos", IDM_USE_SAVED_WINDOW_POS}, {L"View_SaveWinPos", IDM_SAVE_WINDOW_POS}, {L"View_Image_Next", IDM_NEXT_MEDIA},
    {L"View_Image_Prev", IDM_PREVIOUS_MEDIA}, {L"View_Image_First", IDM_FIRST_MEDIA}, {L"View_Image_Last", IDM_LAST_MEDIA}, {L"View_ZoomIn", 206},
    {L"View_ZoomOut", 207}, {L"View_Zoom100", 208}, {L"View_ZoomToSelection", IDM_ZOOM_TO_SELECTION}, {L"View_FitScreen", IDM_FIT_TO_AREA},
    {L"View_FitWidth", IDM_FIT_TO_WIDTH}, {L"View_FitHeight", IDM_FIT_TO_HEIGHT}, {L"Image_Flip", IDM_FLIP}, {L"Image_Mirror", IDM_MIRROR},
    {L"Image_RotateLeft", IDM_ROTATE_LEFT}, {L"Image_RotateRight", IDM_ROTATE_RIGHT}, {L"Image_Rotate180", 254},
    {L"Image_Grayscale", IDM_GRAYSCALE}, {L"Image_Invert", IDM_INVERT}, {L"Image_Colors_AllChannels", IDM_CHANNEL_ALL},
    {L"Image_Colors_RedChannel", IDM_CHANNEL_RED}, {L"Image_Colors_GreenChannel", IDM_CHANNEL_GREEN}, {L"Image_Colors_BlueChannel", IDM_CHANNEL_BLUE},
    {L"Image_Colors_AlphaChannel", IDM_ALPHA_AS_IMAGE}, {L"Image_Colors_AlphaChannel2", IDM_ALPHA_AS_LAYER},
    {L"Image_Colors_AlphaChannel3", 263}, {L"Image_ColorDepth_Convert1bit", IDM_DEPTH_1BIT},
    {L"Image_ColorDepth_Convert4bit", IDM_DEPTH_4BIT}, {L"Image_ColorDepth_Convert8bit", IDM_DEPTH_8BIT},
    {L"Image_ColorDepth_Convert16bit", IDM_DEPTH_16BIT}, {L"Image_ColorDepth_Convert24bit", IDM_DEPTH_24BIT},
    {L"Image_ColorDepth_Convert32bit", IDM_DEPTH_32BIT}, {L"Image_Effects_Buttonize", IDM_BUTTONIZE}, {L"Image_Effects_Blur", IDM_BLUR},
    {L"Image_Effects_Pixelize", IDM_PIXELIZE}, {L"Image_Effects_Seamless", IDM_SEAMLESS}, {L"Image_Effects_Sharpen", IDM_SHARPEN},
    {L"Image_Adjust", IDM_BRIGHTNESS_CONTRAST}, {L"Image_Resize", IDM_RESIZE}, {L"Image_ResizeCanvas", IDM_RESIZE_CANVAS},
    {L"Image_Wallpaper_Centered", IDM_WALLPAPER_CENTERED}, {L"Image_Wallpaper_Tiled", IDM_WALLPAPER_TILED}, {L"Image_Wallpaper_Stretched", IDM_WALLPAPER_STRETCHED},
    {L"Image_Wallpaper_Delete", IDM_WALLPAPER_DELETE}, {L"Animation_Play", 272}, {L"Animation_Stop", 273},
    {L"Animation_PrevFrame", 275}, {L"Animation_NextFrame", 274}, {L"Animation_AspectOriginal", IDM_VIDEO_ASPECT_ORIGINAL},
    {L"Animation_Aspect43", IDM_VIDEO_ASPECT_4_3}, {L"Animation_Aspect169", IDM_VIDEO_ASPECT_16_9}, {L"Animation_VolumeIncrease", ID_VOLUME_UP},
    {L"Animation_VolumeDecrease", ID_VOLUME_DOWN}, {L"Animation_VolumeMute", ID_VOLUME_MUTE}, {L"Animation_DefaultRate", ID_RATE_DEFAULT},
    {L"Animation_RateIncrease", ID_RATE_UP}, {L"Animation_RateDecrease", ID_RATE_DOWN}, {L"Animation_ExtractFrames", 277},
    {L"SlideShow_StartStop", IDM_SLIDESHOW}, {L"SlideShow_StartForward", IDM_SHOW_FORWARD}, {L"SlideShow_StartBackward", IDM_SHOW_BACKWARD},
    {L"SlideShow_StartRandom", IDM_SHOW_RANDOM}, {L"SlideShow_Fullscreen", IDM_SLIDESHOW_FULLSCREEN}, {L"SlideShow_Forward", IDM_SLIDESHOW_FORWARD},
    {L"SlideShow_Backward", IDM_SLIDESHOW_BACKWARD}, {L"SlideShow_Random", IDM_SLIDESHOW_RANDOM}, {L"SlideShow_Configure", IDM_SLIDESHOW_CONFIGURE},
    {L"Tools_BatchProcess", IDM_BATCH_PROCESS}, {L"Tools_BatchRename", IDM_BATCH_RENAME}, {L"Tools_BatchPrint", IDM_BATCH_PRINT},
    {L"Tools_CaptureScreen", IDM_CAPTURE_SCREEN}, {L"Tools_CreateNewImage", IDM_NEW_IMAGE}, {L"Tools_JPGTranformation", IDM_JPG_TRANSFORM},
    {L"Tools_JPGCleaner", IDM_JPG_CLEANER}, {L"Tools_CreateGIFAnimation", IDM_CREATE_GIF}, {L"Tools_CreateMNGAnimation", IDM_CREATE_MNG},
    {L"Tools_CreateTIFMultipage", IDM_CREATE_TIF}, {L"Tools_CreateDCXMultipage", IDM_CREATE_DCX}, {L"Tools_CreateSlideShow", IDM_CREATE_SLIDESHOW},
    {L"Tools_PrintContactSheet", IDM_CONTACT_SHEET}, {L"Tools_CreateHTMLAlbum", IDM_HTML_ALBUM}, {L"Configuration_ShowToolbar", IDM_SHOW_TOOLBAR},
    {L"Configuration_ShowStatusbar", IDM_SHOW_STATUSBAR}, {L"Configuration_DBMaintenance", IDM_DATABASE_MAINTENANCE},
    {L"Configuration_Language", IDM_CHOOSE_LANGUAGE}, {L"Configuration_Options", IDM_SETTINGS},
    {L"Configuration_BrowserStyle_Thumbnail", IDM_BROWSER_THUMBNAILS}, {L"Configuration_BrowserStyle_Report", IDM_BROWSER_REPORT},
    {L"Configuration_BrowserStyle_SaveCurrentThumb", IDM_SAVE_THUMBNAIL_STYLE},
    {L"Configuration_BrowserStyle_SaveCurrentReport", IDM_SAVE_REPORT_STYLE},
    {L"Configuration_BrowserStyle_SaveCurrentDelete", IDM_DELETE_FOLDER_STYLE}, {L"Help_Readme", IDM_HELP_CONTENT}, {L"Help_HP", IDM_HOMEPAGE},
    {L"Help_Addons", IDM_DOWNLOAD_ADDONS}, {L"Help_VersionCheck", IDM_CHECK_VERSION}, {L"Help_About", 203}
};
constexpr LangMenuKey kImageMenu[] = {
    {L"Edit_MoveTo", 215}, {L"Edit_Rename", 217}, {L"Edit_Delete", 216}, {L"View_ZoomIn", 206},
    {L"View_ZoomOut", 207}, {L"View_Zoom100", 208}, {L"View_FitScreen", IDM_FIT_TO_AREA}, {L"View_FitWidth", IDM_FIT_TO_WIDTH},
    {L"View_FitHeight", IDM_FIT_TO_HEIGHT}, {L"Image_Wallpaper", 0, -1, 12}, {L"Image_Wallpaper_Centered", IDM_WALLPAPER_CENTERED},
    {L"Image_Wallpaper_Tiled", IDM_WALLPAPER_TILED}, {L"Image_Wallpaper_Stretched", IDM_WALLPAPER_STRETCHED}, {L"Image_Wallpaper_Delete", IDM_WALLPAPER_DELETE},
    {L"View_Fullscreen", IDM_PRESENTATION_MODE}, {L"File_SaveAs", IDM_SAVE_AS}, {L"Edit_FileInfo", IDM_FILE_INFO}, {L"File_Print", 205}
};
constexpr LangMenuKey kVideoMenu[] = {
    {L"Edit_MoveTo", 215}, {L"Edit_Rename", 217}, {L"Edit_Delete", 216}, {L"Animation_Play", 272},
    {L"Animation_Stop", 273}, {L"Animation_NextFrame", 274}, {L"View_FitScreen", IDM_FIT_TO_AREA},
    {L"Animation_AspectOriginal", IDM_VIDEO_ASPECT_ORIGINAL}, {L"Animation_Aspect43", IDM_VIDEO_ASPECT_4_3}, {L"Animation_Aspect169", IDM_VIDEO_ASPECT_16_9},
    {L"Animation_Volume", 0, -1, 17}, {L"Animation_VolumeIncrease", ID_VOLUME_UP}, {L"Animation_VolumeDecrease", ID_VOLUME_DOWN},
    {L"Animation_VolumeMute", ID_VOLUME_MUTE}, {L"Animation_Rate", 0, -1, 18}, {L"Animation_DefaultRate", ID_RATE_DEFAULT},
    {L"Animation_RateIncrease", ID_RATE_UP}, {L"Animation_RateDecrease", ID_RATE_DOWN}, {L"View_Fullscreen", IDM_PRESENTATION_MODE},
    {L"Edit_FileInfo", IDM_FILE_INFO}
};
constexpr LangMenuKey kSoundMenu[] = {
    {L"Edit_MoveTo", 215}, {L"Edit_Rename", 217}, {L"Edit_Delete", 216}, {L"Animation_Play", 272},
    {L"Animation_Stop", 273}, {L"Animation_Volume", 0, -1, 7}, {L"Animation_VolumeIncrease", ID_VOLUME_UP},
    {L"Animation_VolumeDecrease", ID_VOLUME_DOWN}, {L"Animation_VolumeMute", ID_VOLUME_MUTE}, {L"Animation_Rate", 0, -1, 8},
    {L"Animation_DefaultRate", ID_RATE_DEFAULT}, {L"Animation_RateIncrease", ID_RATE_UP}, {L"Animation_RateDecrease", ID_RATE_DOWN},
    {L"Edit_FileInfo", IDM_FILE_INFO}
};
constexpr LangMenuKey kZoomPopup[] = {
    {L"View_FitScreen", IDM_FIT_TO_AREA}, {L"View_FitWidth", IDM_FIT_TO_WIDTH}, {L"View_FitHeight", IDM_FIT_TO_HEIGHT}
};
constexpr LangMenuKey kSlideShowPopup[] = {
    {L"SlideShow_StartStop", IDM_SLIDESHOW}, {L"SlideShow_Fullscreen", IDM_SLIDESHOW_FULLSCREEN}, {L"SlideShow_Forward", IDM_SLIDESHOW_FORWARD},
    {L"SlideShow_Backward", IDM_SLIDESHOW_BACKWARD}, {L"SlideShow_Random", IDM_SLIDESHOW_RANDOM}, {L"SlideShow_Configure", IDM_SLIDESHOW_CONFIGURE}
};
constexpr LangMenuKey kFileOperationPopup[] = {
    {L"Edit_MoveTo", 215}, {L"Edit_CopyTo", 214}, {L"Edit_Delete", 216}, {L"Edit_Rename", 217}
};
constexpr LangMenuKey kBrowserConfigPopup[] = {
    {L"Configuration_BrowserStyle_Thumbnail", IDM_BROWSER_THUMBNAILS}, {L"Configuration_BrowserStyle_Report", IDM_BROWSER_REPORT},
    {L"Configuration_BrowserStyle_SaveCurrentThumb", IDM_SAVE_THUMBNAIL_STYLE},
    {L"Configuration_BrowserStyle_SaveCurrentReport", IDM_SAVE_REPORT_STYLE},
    {L"Configuration_BrowserStyle_SaveCurrentDelete", IDM_DELETE_FOLDER_STYLE}
};
constexpr LangMenuKey kBatchToolsPopup[] = {
    {L"Tools_BatchProcess", IDM_BATCH_PROCESS}, {L"Tools_BatchRename", IDM_BATCH_RENAME}, {L"Tools_BatchPrint", IDM_BATCH_PRINT},
    {L"Tools_JPGCleaner", IDM_JPG_CLEANER}, {L"Tools_CreateGIFAnimation", IDM_CREATE_GIF}, {L"Tools_CreateMNGAnimation", IDM_CREATE_MNG},
    {L"Tools_CreateTIFMultipage", IDM_CREATE_TIF}, {L"Tools_CreateDCXMultipage", IDM_CREATE_DCX}, {L"Tools_CreateSlideShow", IDM_CREATE_SLIDESHOW},
    {L"Tools_PrintContactSheet", IDM_CONTACT_SHEET}, {L"Tools_CreateHTMLAlbum", IDM_HTML_ALBUM}
};
constexpr LangMenuKey kSortOrderPopup[] = {
    {L"Configuration_SortMediafiles_NameAscending", 233}, {L"Configuration_SortMediafiles_DateAscending", 234},
    {L"Configuration_SortMediafiles_SizeAscending", 232}, {L"Configuration_SortMediafiles_NameDescending", 235},
    {L"Configuration_SortMediafiles_DateDescending", 236}, {L"Configuration_SortMediafiles_SizeDescending", 237},
    {L"Configuration_SortMediafiles_None", IDM_SORT_NONE}
};
constexpr LangMenuKey kDropMenu[] = {
    {L"Drop_CopyHere", 248}, {L"Drop_MoveHere", 249}, {L"Drop_Cancel", 250}
};
constexpr LangMenuKey kAlphaBlendPopup[] = {
    {L"Image_Colors_AlphaChannel", IDM_ALPHA_AS_IMAGE}, {L"Image_Colors_AlphaChannel2", IDM_ALPHA_AS_LAYER},
    {L"Image_Colors_AlphaChannel3", 263}
};
constexpr LangMenuKey kSelectToolMenu[] = {
    {L"Edit_Copy", IDM_COPY}, {L"Edit_Paste", IDM_PASTE}, {L"Edit_Cut", IDM_CUT}, {L"Edit_Crop", IDM_CROP},
    {L"View_ZoomToSelection", IDM_ZOOM_TO_SELECTION}
};
constexpr LangMenuKey kToolbarPopup[] = {
    {L"Toolbar_ShowToolbar", IDM_SHOW_TOOLBAR}, {L"Toolbar_ShowTooltips", IDM_TOOLBAR_TIPS}, {L"Toolbar_Buttonlabels_None", IDM_TOOLBAR_LABELS_NONE},
    {L"Toolbar_Buttonlabels_Right", IDM_TOOLBAR_LABELS_RIGHT}, {L"Toolbar_Buttonlabels_Below", IDM_TOOLBAR_LABELS_BELOW}, {L"Toolbar_Customize", IDM_TOOLBAR_CUSTOMIZE}
};
constexpr LangMenuKey kThumbMenu[] = {
    {L"Edit_CopyTo", 214}, {L"Edit_MoveTo", 215}, {L"Edit_Rename", 217}, {L"Edit_Delete", 216},
    {L"Edit_AddToPlayList", IDM_ADD_TO_PLAYLIST}, {L"Edit_SelectAll", IDM_SELECT_ALL}, {L"Edit_Refresh", IDM_REFRESH}, {L"Edit_Search", IDM_SEARCH},
    {L"Browser_OpenWith", 0, -1, 11}, {L"File_OpenWith_AddProgram", IDM_OPEN_WITH_ADD},
    {L"File_OpenWith_EditProgramList", IDM_OPEN_WITH_EDIT}, {L"File_OpenWith_ResetAll", IDM_OPEN_WITH_CLEAR},
    {L"Browser_BatchTools", 0, -1, 12}, {L"SlideShow", 0, -1, 14}, {L"SlideShow_StartForward", IDM_SHOW_FORWARD},
    {L"SlideShow_StartBackward", IDM_SHOW_BACKWARD}, {L"SlideShow_StartRandom", IDM_SHOW_RANDOM}, {L"Browser_Clipboard", 0, -1, 15},
    {L"Browser_Clipboard_CopyFilename", IDM_COPY_NAMES}, {L"Browser_Clipboard_CopyFilenamePath", IDM_COPY_PATHS},
    {L"Browser_Config", 0, -1, 17}, {L"Browser_CachedDir", IDM_REMOVE_FOLDER_FROM_CACHE}, {L"Browser_Customize", IDM_BROWSER_SETTINGS}
};

constexpr LangMenuRow kMainMenuRow = {L"THEMENU", {kMainMenu, kSortOrderPopup}};
constexpr LangMenuRow kMenuRows[] = {
    {L"IMAGE", {kImageMenu}},
    {L"VIDEO", {kVideoMenu}},
    {L"SOUND", {kSoundMenu}},
    {L"ZOOM100POPUP", {kZoomPopup}},
    {L"SLIDESHOWPOPUP", {kSlideShowPopup}},
    {L"FILEOPERATIONPOPUP", {kFileOperationPopup}},
    {L"BROWSERCONFIGPOPUP", {kBrowserConfigPopup}},
    {L"BROWSERBATCHTOOLSPOPUP", {kBatchToolsPopup}},
    {L"SORTORDERCONFIGPOPUP", {kSortOrderPopup}},
    {L"DROPMENU", {kDropMenu}},
    {L"ALPHABLENDPOPUP", {kAlphaBlendPopup}},
    {L"SELECTTOOLMENU", {kSelectToolMenu}},
    {L"TOOLBARPOPUP", {kToolbarPopup}},
    {L"THUMBPOPUPMENU", {kThumbMenu, kBatchToolsPopup, kBrowserConfigPopup}},
};
// clang-format on

}  // namespace

std::span<const LangDialogRow> LangDialogRows() { return kDialogRows; }
std::span<const LangMenuRow> LangMenuRows() { return kMenuRows; }
const LangMenuRow& LangMainMenuRow() { return kMainMenuRow; }
