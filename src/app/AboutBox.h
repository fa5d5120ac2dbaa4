// Help > About: the program's picture on white, the name with version and
// build time, the legal notice with the libraries' acknowledgements, and
// buttons to the home page and the support mail.
#pragma once
#include <windows.h>

#include <cstddef>

// The modal "ABOUTDLG" on the main window.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// "Quorvane 1.02 - Built on <date>, <time>".
void FormatAboutVersionLine(wchar_t* out, size_t size, const wchar_t* date, const wchar_t* time);
// The information text: the legal notice in German for a language file whose
// path contains "German.ini", else in English, then the acknowledgements.
const wchar_t* AboutInformationText(const wchar_t* languageFile);
// "mailto:" the support address with the subject "Feedback: Quorvane 1.02";
// false when it does not fit.
bool AboutMailLink(wchar_t* out, size_t size);
// The module the picture is read from (null: the program itself).
void SetAboutPictureModule(HMODULE module);
