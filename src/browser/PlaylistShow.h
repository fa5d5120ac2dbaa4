// The playlist show and the folder slide show: timed walks through the
// playlist's entries (timer TIMER_PLAYLIST_SHOW) and the folder's file list
// (TIMER_SLIDESHOW), and the playlist show's looping background music. The
// main window's handlers are declared with the browser's controls
// (browser/BrowserControls.h); the arithmetic is here for callers and tests.
#pragma once
#include <windows.h>

#include <cstdint>

// Where a show goes from entry current of count: direction 0 the next entry,
// 1 the previous one, 2 randomValue modulo count, any other the same entry.
// Past either end it continues at the other end with wrap; without, pastEnd is
// set and index stays current. From outside the list (a show's start) it goes
// to the first entry, the last one (1) or the random one (2).
struct ShowStepTarget {
    int index;
    bool pastEnd;
};
ShowStepTarget ComputeShowStep(int current, int count, int direction, bool wrap, int randomValue);

// The time an opened entry stands: the medium's length when a player took it
// (formats 28, 43 and 46, opened, a length known), else delay.
UINT ShowEntryInterval(bool opened, int formatId, uint32_t mediaLength, int delay);

// Opens a show's entry in the viewer; a file that cannot be read becomes the
// error picture. True when it opened.
bool OpenShowEntry(const wchar_t* path);

// Opens the playlist's current entry, full screen, and arms the show's timer
// (with the background music when the list asks for it). Nothing without
// entries.
void StartPlaylistPresentation();
// Opens the current entry of a playlist just put on the browser's playlist
// tab through the panel, as the user's choice would, and runs the show.
void StartPlaylistShowFromPanel();

// Plays path in a loop as the show's background music; false (no music)
// when the file cannot be played.
bool StartBackgroundMusic(const wchar_t* path);

struct IMediaEventEx;
struct IMediaSeeking;
// One pass over a music graph's waiting events (each fetched without waiting
// and freed): at the end of the stream the music goes back to its start; when
// that seek fails, restart (stop and run) is called. False without events.
bool PumpMusicEvents(IMediaEventEx* events, IMediaSeeking* seeking, void (*restart)());
