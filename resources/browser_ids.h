// Resource identifiers of the browser subsystem.
#pragma once

// Placeholders of the thumbnail view (64 x 64 on silver).
#define IDB_THUMB_IMAGE 135
#define IDB_THUMB_VIDEO 142
#define IDB_THUMB_SOUND 143
#define IDB_THUMB_FOLDER 430

// The thumbnail database maintenance dialog (DBMAINTENANCEDLG).
#define IDC_DBMAINT_LIST 1089
#define IDC_DBMAINT_DELETE_SELECTED 1047
#define IDC_DBMAINT_DELETE_ALL 1051
#define IDC_DBMAINT_REMOVE_INVALID 1063
#define IDC_DBMAINT_TOTAL 1121
