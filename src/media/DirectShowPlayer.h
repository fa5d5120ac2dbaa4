// One DirectShow filter graph with the graph manager's control interfaces and
// a three-valued play state. Users render, seek, read positions and pump
// events through the public interface pointers directly.
#pragma once
#include <windows.h>
// dshow.h brings strsafe.h, which would otherwise rename the C library's
// string functions for every file that includes this header.
#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>

// The render results a user accepts from IGraphBuilder::RenderFile: S_OK and
// the partial-success codes.
bool IsAcceptedRenderResult(HRESULT hr);

// The text reported for a failed render. Known codes have their own text;
// any other code gives the sound or the video form with the code in hex.
enum class RenderTextForm { Sound, Video };
void DescribeRenderFailure(HRESULT hr, RenderTextForm form, wchar_t* text, int capacity);

class CDirectShowPlayer {
public:
    CDirectShowPlayer();
    ~CDirectShowPlayer();
    CDirectShowPlayer(const CDirectShowPlayer&) = delete;
    CDirectShowPlayer& operator=(const CDirectShowPlayer&) = delete;

    // Builds a new graph (releasing a previous one): S_OK, or the first
    // failing HRESULT with nothing left behind.
    HRESULT Create();
    // Tears the graph down; S_OK without a call when not initialised.
    HRESULT Release();
    bool Run();
    bool Stop();
    bool Pause();
    bool HasAudio();
    bool CanFrameStep();
    bool ChangeRate(double delta);
    bool SetRate(double rate);
    void NotifyOwnerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Makes the graph manager for Create; tests put a fake one in. Null
    // restores CoCreateInstance of CLSID_FilterGraph.
    using GraphFactory = HRESULT (*)(IGraphBuilder** graph);
    static void SetGraphFactory(GraphFactory factory);

    BYTE Initialised = 0;
    IGraphBuilder* Graph = nullptr;
    IMediaSeeking* Seeking = nullptr;
    IMediaControl* Control = nullptr;
    IMediaEventEx* Events = nullptr;
    IMediaPosition* Position = nullptr;
    IBasicVideo* BasicVideo = nullptr;
    IVideoWindow* VideoWindow = nullptr;
    // The state last set through this object: 0 stopped, 1 paused, 2 running.
    int PlayState = 0;

private:
    void ClearPointers();
};

extern CDirectShowPlayer ViewerPlayer;
extern CDirectShowPlayer BackgroundMusicPlayer;

// Puts the graph's current position back to 0 (the stop position untouched).
HRESULT RewindGraph(IMediaSeeking* seeking);
// Seeks to thousandths (0..1000, clamped) of the duration.
HRESULT SeekGraphPermille(IMediaSeeking* seeking, int thousandths);
// The length in milliseconds through the media-time format, 0 when unknown.
LONGLONG GraphLengthMs(IMediaSeeking* seeking);
// Mutes (-10000) or restores (0) the graph's audio through IBasicAudio.
HRESULT SetGraphMuted(IGraphBuilder* graph, bool muted);
