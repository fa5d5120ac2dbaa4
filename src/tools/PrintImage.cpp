// Stand-in of image printing (see the header).
#include "tools/PrintImage.h"

bool CPrintImage::CreateLocalPrinterDC(HWND, bool) { return false; }

bool CPrintImage::Print(HWND) { return false; }

void CPrintImage::DeletePrinterDC() {
    if (printerDC) DeleteDC(printerDC);
    printerDC = nullptr;
}
