#include "media/DirectShowPlayer.h"

#include <cwchar>

CDirectShowPlayer ViewerPlayer;
CDirectShowPlayer BackgroundMusicPlayer;

namespace {

HRESULT CreateFilterGraph(IGraphBuilder** graph) {
    return CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IGraphBuilder,
                            reinterpret_cast<void**>(graph));
}

CDirectShowPlayer::GraphFactory graphFactory = CreateFilterGraph;

template <class T>
void ReleaseInto(T*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

struct RenderText {
    HRESULT hr;
    const wchar_t* text;
};

const RenderText renderTexts[] = {
    {(HRESULT)0x80004003, L"NULL pointer argument."},
    {(HRESULT)0x80004004, L"Operation aborted."},
    {(HRESULT)0x80004005, L"Failure."},
    {(HRESULT)0x80040216, L"An object or name was not found."},
    {(HRESULT)0x80040217, L"No combination of intermediate filters could be found to make the connection."},
    {(HRESULT)0x80040218, L"No combination of filters could be found to render the stream."},
    {(HRESULT)0x8004022F, L"The file format is invalid."},
    {(HRESULT)0x80040240, L"The media type of this file is not recognized."},
    {(HRESULT)0x80040241, L"The source filter for this file could not be loaded."},
    {(HRESULT)0x80040265, L"Cannot play back the file: the format is not supported."},
    {(HRESULT)0x8007000E, L"Insufficient memory."},
    {(HRESULT)0x80070057, L"Argument is invalid."},
};

}  // namespace

bool IsAcceptedRenderResult(HRESULT hr) {
    switch ((unsigned long)hr) {
    case 0:
    case 0x0004022D:
    case 0x00040242:
    case 0x00040254:
    case 0x00040257:
    case 0x00040258: return true;
    default: return false;
    }
}

void DescribeRenderFailure(HRESULT hr, RenderTextForm form, wchar_t* text, int capacity) {
    if (!text || capacity <= 0) return;
    for (const RenderText& entry : renderTexts) {
        if (entry.hr == hr) {
            lstrcpynW(text, entry.text, capacity);
            return;
        }
    }
    const wchar_t* format = form == RenderTextForm::Sound
                                ? L"Failed to play Media! hr=0x%x"
                                : L"Unable to play Media! hr=0x%x. Press Ctrl+I for Codec Info";
    _snwprintf(text, capacity, format, (unsigned)hr);
    text[capacity - 1] = 0;
}

CDirectShowPlayer::CDirectShowPlayer() = default;

CDirectShowPlayer::~CDirectShowPlayer() {
    Release();
    ClearPointers();
    PlayState = 0;
}

void CDirectShowPlayer::SetGraphFactory(GraphFactory factory) { graphFactory = factory ? factory : CreateFilterGraph; }

void CDirectShowPlayer::ClearPointers() {
    Initialised = 0;
    Graph = nullptr;
    Seeking = nullptr;
    Control = nullptr;
    Events = nullptr;
    Position = nullptr;
    BasicVideo = nullptr;
    VideoWindow = nullptr;
}

HRESULT CDirectShowPlayer::Create() {
    Release();
    VideoWindow = nullptr;
    BasicVideo = nullptr;
    PlayState = 0;
    HRESULT hr = graphFactory(&Graph);
    if (FAILED(hr) || !Graph) {
        Graph = nullptr;
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    if (SUCCEEDED(hr = Graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&Control))) &&
        SUCCEEDED(hr = Graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&Seeking))) &&
        SUCCEEDED(hr = Graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&Position))) &&
        SUCCEEDED(hr = Graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&BasicVideo))) &&
        SUCCEEDED(hr = Graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&VideoWindow))) &&
        SUCCEEDED(hr = Graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&Events)))) {
        Initialised = 1;
        return S_OK;
    }
    // A failed QueryInterface may still have written its out pointer.
    ReleaseInto(Control);
    ReleaseInto(Seeking);
    ReleaseInto(Position);
    ReleaseInto(BasicVideo);
    ReleaseInto(VideoWindow);
    ReleaseInto(Events);
    ReleaseInto(Graph);
    Initialised = 0;
    return hr;
}

HRESULT CDirectShowPlayer::Release() {
    if (!Initialised) return S_OK;
    HRESULT result = S_OK;
    if (Control && PlayState != 0 && SUCCEEDED(Control->Stop())) PlayState = 0;
    if (Events) result = Events->SetNotifyWindow(0, 0, 0);
    if (VideoWindow) {
        VideoWindow->put_Visible(OAFALSE);
        result = VideoWindow->put_Owner(0);
    }
    ReleaseInto(Control);
    ReleaseInto(Seeking);
    ReleaseInto(Position);
    ReleaseInto(VideoWindow);
    ReleaseInto(BasicVideo);
    ReleaseInto(Events);
    ReleaseInto(Graph);
    Initialised = 0;
    return result;
}

bool CDirectShowPlayer::Run() {
    if (!Control) return false;
    if (FAILED(Control->Run())) return false;
    PlayState = 2;
    return true;
}

bool CDirectShowPlayer::Stop() {
    if (!Control || PlayState == 0) return false;
    if (FAILED(Control->Stop())) return false;
    PlayState = 0;
    return true;
}

bool CDirectShowPlayer::Pause() {
    if (!Control || PlayState != 2) return false;
    if (FAILED(Control->Pause())) return false;
    PlayState = 1;
    return true;
}

bool CDirectShowPlayer::HasAudio() {
    if (!Graph) return false;
    IBasicAudio* audio = nullptr;
    if (FAILED(Graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio))) || !audio) return false;
    long volume = 0;
    HRESULT hr = audio->get_Volume(&volume);
    audio->Release();
    return hr != E_NOTIMPL && SUCCEEDED(hr);
}

bool CDirectShowPlayer::CanFrameStep() {
    if (!Graph) return false;
    IVideoFrameStep* step = nullptr;
    if (FAILED(Graph->QueryInterface(IID_IVideoFrameStep, reinterpret_cast<void**>(&step))) || !step) return false;
    HRESULT hr = step->CanStep(0, nullptr);
    step->Release();
    return hr == S_OK;
}

bool CDirectShowPlayer::ChangeRate(double delta) {
    if (!Position || delta == 0.0) return true;
    double rate = 0.0;
    if (FAILED(Position->get_Rate(&rate))) return false;
    return SUCCEEDED(Position->put_Rate(rate + delta));
}

bool CDirectShowPlayer::SetRate(double rate) {
    if (!Position) return true;
    return SUCCEEDED(Position->put_Rate(rate));
}

void CDirectShowPlayer::NotifyOwnerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Initialised || !VideoWindow) return;
    VideoWindow->NotifyOwnerMessage(reinterpret_cast<OAHWND>(window), (long)message, (LONG_PTR)wParam,
                                    (LONG_PTR)lParam);
}

HRESULT RewindGraph(IMediaSeeking* seeking) {
    if (!seeking) return E_POINTER;
    LONGLONG position = 0;
    return seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT SeekGraphPermille(IMediaSeeking* seeking, int thousandths) {
    if (!seeking) return E_POINTER;
    if (thousandths < 0) thousandths = 0;
    if (thousandths > 1000) thousandths = 1000;
    LONGLONG duration = 0;
    HRESULT hr = seeking->GetDuration(&duration);
    if (FAILED(hr)) return hr;
    LONGLONG target = (LONGLONG)thousandths * duration / 1000;
    return seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

LONGLONG GraphLengthMs(IMediaSeeking* seeking) {
    if (!seeking || seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME) != S_OK) return 0;
    GUID format = TIME_FORMAT_MEDIA_TIME;
    if (FAILED(seeking->GetTimeFormat(&format))) return 0;
    LONGLONG duration = 0;
    if (FAILED(seeking->GetDuration(&duration))) return 0;
    LONGLONG converted = 0;
    if (FAILED(seeking->ConvertTimeFormat(&converted, &TIME_FORMAT_MEDIA_TIME, duration, &format))) return 0;
    return converted / 10000;
}

HRESULT SetGraphMuted(IGraphBuilder* graph, bool muted) {
    if (!graph) return E_POINTER;
    IBasicAudio* audio = nullptr;
    HRESULT hr = graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio));
    if (FAILED(hr) || !audio) return FAILED(hr) ? hr : E_NOINTERFACE;
    hr = audio->put_Volume(muted ? -10000 : 0);
    audio->Release();
    return hr;
}
