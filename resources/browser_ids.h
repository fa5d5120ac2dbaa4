// Resource identifiers of the browser subsystem.
#pragma once

// Placeholders of the thumbnail view (64 x 64 on silver).
#define IDB_THUMB_IMAGE 135
#define IDB_THUMB_VIDEO 142
#define IDB_THUMB_SOUND 143
#define IDB_THUMB_FOLDER 430

// Search in the browser window (SEARCHDLG).
#define IDC_SEARCH_TEXT 1038
#define IDC_SEARCH_MATCH_CASE 1036
#define IDC_SEARCH_HITS 1089
#define IDC_SEARCH_GOTO 1047
// Create a folder (BROWSERCREATEFOLDER).
#define IDC_NEW_FOLDER_NAME 1038
// Type or choose a path (SELECTPATHDLG).
#define IDC_SELECT_PATH_EDIT 1146
#define IDC_SELECT_PATH_BROWSE 1047
// The rename dialog (RENAME): the new name and the old one.
#define IDC_RENAME_NAME 712
#define IDC_RENAME_OLD_NAME 1038
// The copy-to and move-to dialogs (COPYTODLG, MOVETODLG).
#define IDC_TARGET_FOLDER 1038
#define IDC_TARGET_BROWSE 1047
#define IDC_TARGET_HISTORY 1089
#define IDC_TARGET_REMOVE 1052
#define IDC_TARGET_UP 1053
#define IDC_TARGET_DOWN 1054
#define IDC_TARGET_REMOVE_ALL 1055
// The choices of the drop menu (DROPMENU), answered by TrackPopupMenu, not commands.
#define IDC_DROP_COPY 248
#define IDC_DROP_MOVE 249
#define IDC_DROP_CANCEL 250
// The thumbnail database maintenance dialog (DBMAINTENANCEDLG).
#define IDC_DBMAINT_LIST 1089
#define IDC_DBMAINT_DELETE_SELECTED 1047
#define IDC_DBMAINT_DELETE_ALL 1051
#define IDC_DBMAINT_REMOVE_INVALID 1063
#define IDC_DBMAINT_TOTAL 1121
