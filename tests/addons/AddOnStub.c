/* Stand-in for the optional decoder libraries, for the add-on reader tests.
   Built once per export (QRV_STUB_KIND picks it; 0 builds a library without
   any export). It "decodes" a tiny test format whose header says what to
   return:

     0  "QSTB"
     4  u32 action: 0 the payload as the block, 1 the payload as the error
        text and no block, 2 no block and no text, 3 the arguments received
        as the error text and no block
     8  i32 full width to report (0: leave it alone)
    12  i32 full height to report
    16  payload

   The error text of action 3 reads "path=<path> one=<n> thumb=<n>" (only the
   arguments the export has). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define KIND_NONE 0
#define KIND_CRW 1
#define KIND_EXR 2
#define KIND_FPX 3
#define KIND_JBIG2 4
#define KIND_JBG 5

#ifndef QRV_STUB_KIND
#define QRV_STUB_KIND KIND_NONE
#endif

#if QRV_STUB_KIND != KIND_NONE

static unsigned char* ReadWhole(FILE* f, long* size) {
    unsigned char* data;
    if (!f) return NULL;
    fseek(f, 0, SEEK_END);
    *size = ftell(f);
    fseek(f, 0, SEEK_SET);
    data = (unsigned char*)malloc(*size > 0 ? (size_t)*size : 1);
    if (data && fread(data, 1, (size_t)*size, f) != (size_t)*size) {
        free(data);
        data = NULL;
    }
    fclose(f);
    return data;
}

static unsigned int U32(const unsigned char* p) {
    return (unsigned int)p[0] | (unsigned int)p[1] << 8 | (unsigned int)p[2] << 16 | (unsigned int)p[3] << 24;
}

/* Runs the file's action; echo is the text of action 3 (ASCII). Writes the
   error text as wide (wideError) or narrow (narrowError) characters. */
static HGLOBAL Run(unsigned char* data, long size, const char* echo, wchar_t* wideError, char* narrowError,
                   int* fullWidth, int* fullHeight) {
    HGLOBAL block = NULL;
    const char* text = NULL;
    char payloadText[512];
    unsigned int action;
    if (!data || size < 16 || memcmp(data, "QSTB", 4) != 0) {
        text = "not a stub file";
    } else {
        action = U32(data + 4);
        if (fullWidth && U32(data + 8)) *fullWidth = (int)U32(data + 8);
        if (fullHeight && U32(data + 12)) *fullHeight = (int)U32(data + 12);
        if (action == 0) {
            block = GlobalAlloc(GMEM_FIXED, (SIZE_T)(size - 16) ? (SIZE_T)(size - 16) : 1);
            if (block) memcpy((void*)block, data + 16, (size_t)(size - 16));
        } else if (action == 1) {
            long n = size - 16 < 511 ? size - 16 : 511;
            memcpy(payloadText, data + 16, (size_t)n);
            payloadText[n] = 0;
            text = payloadText;
        } else if (action == 3) {
            text = echo;
        }
    }
    if (text) {
        if (wideError) MultiByteToWideChar(CP_ACP, 0, text, -1, wideError, 512);
        if (narrowError) {
            strncpy(narrowError, text, 511);
            narrowError[511] = 0;
        }
    }
    free(data);
    return block;
}

#endif

#if QRV_STUB_KIND == KIND_CRW
__declspec(dllexport) HGLOBAL __cdecl ReadCRW(const wchar_t* path, wchar_t* error, int one, int thumbnail,
                                              int* fullWidth, int* fullHeight) {
    long size = 0;
    char echo[1024];
    snprintf(echo, sizeof echo, "path=%ls one=%d thumb=%d", path, one, thumbnail);
    unsigned char* data = ReadWhole(_wfopen(path, L"rb"), &size);
    return Run(data, size, echo, error, NULL, fullWidth, fullHeight);
}
#elif QRV_STUB_KIND == KIND_EXR
__declspec(dllexport) HGLOBAL __cdecl ReadEXR(const wchar_t* path, wchar_t* error, int* fullWidth, int* fullHeight,
                                              unsigned char thumbnail) {
    long size = 0;
    char echo[1024];
    snprintf(echo, sizeof echo, "path=%ls thumb=%d", path, thumbnail);
    unsigned char* data = ReadWhole(_wfopen(path, L"rb"), &size);
    return Run(data, size, echo, error, NULL, fullWidth, fullHeight);
}
#elif QRV_STUB_KIND == KIND_FPX
__declspec(dllexport) HGLOBAL __cdecl ReadFPX(char* path, unsigned char thumbnail, char* error, int* fullWidth,
                                              int* fullHeight) {
    long size = 0;
    char echo[1024];
    snprintf(echo, sizeof echo, "path=%s thumb=%d", path, thumbnail);
    unsigned char* data = ReadWhole(fopen(path, "rb"), &size);
    return Run(data, size, echo, NULL, error, fullWidth, fullHeight);
}
#elif QRV_STUB_KIND == KIND_JBIG2
__declspec(dllexport) HGLOBAL __cdecl ReadJBIG2(char* path, void* work) {
    long size = 0;
    memset(work, 0xA5, 500); /* the caller's scratch space, not read afterwards */
    unsigned char* data = ReadWhole(fopen(path, "rb"), &size);
    return Run(data, size, "", NULL, NULL, NULL, NULL);
}
#elif QRV_STUB_KIND == KIND_JBG
__declspec(dllexport) HGLOBAL __cdecl ReadJBG(const wchar_t* path, wchar_t* error) {
    long size = 0;
    char echo[1024];
    snprintf(echo, sizeof echo, "path=%ls", path);
    unsigned char* data = ReadWhole(_wfopen(path, L"rb"), &size);
    return Run(data, size, echo, error, NULL, NULL, NULL);
}
#else
/* No export: the library loads, but has nothing to call. */
int qrv_stub_without_exports;
#endif
