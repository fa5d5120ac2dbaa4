// Resource identifiers of the app subsystem.
#pragma once

#define IDR_ACCELERATORS 192
#define IDI_QRV 400

#define IDC_HAND_OPEN 255
#define IDC_HAND_CLOSED 256
#define IDC_SCROLL_UP 257
#define IDC_SCROLL_DOWN 258
#define IDC_SCROLL_LEFT 259
#define IDC_SCROLL_RIGHT 260
#define IDC_SCROLL_UPLEFT 261
#define IDC_SCROLL_DOWNRIGHT 262
#define IDC_RED_MARKER 304
