// The error picture of a failed load, and images kept among a module's
// resources. Drawing only: showing the picture is the viewer's business.
#pragma once
#include <windows.h>

class CImage;

// Draws the error picture into image: 500 x 250, 1 bit (0 white, 1 black),
// 'File: "path"', "Error: message" and "Execution stopped." on three lines.
bool DrawLoadErrorImage(CImage& image, const wchar_t* path, const wchar_t* format, ...);
// The error picture's text.
void FormatLoadErrorText(wchar_t* out, size_t size, const wchar_t* path, const wchar_t* message);
enum : int { LOAD_ERROR_WIDTH = 500, LOAD_ERROR_HEIGHT = 250 };

// Decodes an image resource of module (null: the program itself; any format
// OleLoadPicture reads) into a 24-bit image; false with a text of
// FORMAT_ERROR_CHARS characters.
bool LoadImageFromResource(CImage& image, const wchar_t* name, const wchar_t* type, wchar_t* errorText,
                           HMODULE module = nullptr);
