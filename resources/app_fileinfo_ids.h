// Resource identifiers of the file information dialog (app_fileinfo.rc).
#pragma once

// "FILEINFODLG".
#define IDC_FILEINFO_HIDDEN 1036
#define IDC_FILEINFO_READONLY 1037
#define IDC_FILEINFO_LIST 1089
#define IDC_FILEINFO_COPY 1047
