// The program's command line: a file to open, "-t" browse (optionally
// ="folder"), "-s" slide show (optionally ="folder"), "-p" print, "-o" settings,
// "-u" remove the file associations, "-f" presentation mode, "-m" maximize.
#pragma once
#include <windows.h>

struct CommandLineArgs {
    wchar_t file[MAX_PATH] = {};
    bool fileGiven = false;
    bool browse = false;
    wchar_t browseFolder[MAX_PATH] = {};
    bool browseFolderGiven = false;
    bool slideShow = false;
    wchar_t slideShowFolder[MAX_PATH] = {};
    bool print = false;
    bool settings = false;
    bool uninstall = false;
    bool presentation = false;
    bool maximize = false;
};

// Splits the whole command line (program path first, as GetCommandLineW gives
// it) into the record; relative paths are resolved against the program folder.
CommandLineArgs ParseCommandLineArgs(const wchar_t* commandLine);
// Acts on the command line once, after the main window and the accelerators exist.
void ParseCommandLine(const wchar_t* commandLine);
// Rewrites a relative path (buffer of MAX_PATH) as the program folder joined
// with it, canonicalised. Absolute, drive-relative ("C:x") and UNC paths, and
// paths shorter than two characters, stay; with onlyDotted, so does every path
// that does not begin with "." or "\".
void ResolveRelativePath(wchar_t* path, bool onlyDotted);
