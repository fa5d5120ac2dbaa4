// CPrintImage: prints the viewer's current image. Stand-in until printing is
// built: no printer is ever set up, so nothing is printed.
#pragma once
#include <windows.h>

class CPrintImage {
public:
    // Sets up the printer's device context for owner, with or without the print dialog.
    bool CreateLocalPrinterDC(HWND owner, bool withDialog);
    bool Print(HWND owner);
    void DeletePrinterDC();
    HDC printerDC = nullptr;
};
