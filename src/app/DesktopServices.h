// Small services of the main window towards the desktop: the wallpaper made
// from the viewer's picture, and a power function for the tools.
#pragma once
#include <windows.h>

#include <cstddef>

// The desktop wallpaper from the viewer's picture: style 0 centred, 1 tiled,
// 2 stretched; 3 deletes the wallpaper file and clears the desktop wallpaper.
// Styles 0-2 write "WallpaperStyle" and "TileWallpaper" under the user's
// "Control Panel\Desktop" key and the picture as a BMP file (WallpaperFilePath);
// a picture that cannot be written is reported, and the system is still asked
// to show the file. True only when everything asked for was done.
bool SetWallpaper(int style);
// "Quorvane Wallpaper.bmp" in the folder "Quorvane" below the user's
// application-data folder; false when that folder is unknown or the path does
// not fit into size characters.
bool WallpaperFilePath(wchar_t* path, size_t size);
// The two registry texts of a style 0-2: WallpaperStyle is the style's digit,
// TileWallpaper "1" for tiled, else "0".
wchar_t WallpaperStyleText(int style);
wchar_t TileWallpaperText(int style);

// x to the power n by repeated squaring; a negative n gives 1 / x^-n.
double IntPower(double x, int n);
