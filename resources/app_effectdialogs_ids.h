// Resource identifiers of the shell's effect dialogs (app_effectdialogs.rc).
#pragma once

// Effect dialogs (templates "EFF_BLURDLG", "EFF_PIXELIZEDLG", "EFF_SHARPENDLG").
#define IDC_EFF_SLIDER1 1072
#define IDC_EFF_SLIDER2 1074
#define IDC_EFF_EDIT1 1038
#define IDC_EFF_EDIT2 1039
#define IDC_EFF_RANDOM_LABEL 1075
#define IDC_EFF_REPEAT_LABEL 1076
#define IDC_EFF_PIXELWIDTH_LABEL 1077
#define IDC_EFF_PERCENT_LABEL 1078
