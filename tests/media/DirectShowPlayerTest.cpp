// The DirectShow player object on Wine's real filter graph and on fakes put
// into its interface pointers.
#include <gtest/gtest.h>

#include <cwchar>

#include "media/DirectShowPlayer.h"
#include "media/MediaTestSupport.h"

using mediatest::FakeControl;
using mediatest::FakePosition;

namespace {

// COM for the whole test program (the players' graphs live on this thread).
class ComEnvironment : public testing::Environment {
public:
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override { OleUninitialize(); }
};
const testing::Environment* const comEnvironment = testing::AddGlobalTestEnvironment(new ComEnvironment);

bool AllNull(const CDirectShowPlayer& p) {
    return !p.Graph && !p.Seeking && !p.Control && !p.Events && !p.Position && !p.BasicVideo && !p.VideoWindow;
}

// Detaches fakes from a player that does not own them, so its destructor
// leaves them alone.
void Detach(CDirectShowPlayer& p) {
    p.Control = nullptr;
    p.Position = nullptr;
}

}  // namespace

TEST(DirectShowPlayer, EmptyGraphLifecycle) {
    CDirectShowPlayer player;
    EXPECT_TRUE(AllNull(player));
    EXPECT_EQ(player.Initialised, 0);
    // Nothing to release yet; run, stop and pause make no call without a graph.
    EXPECT_EQ(player.Release(), S_OK);
    EXPECT_FALSE(player.Run());
    EXPECT_FALSE(player.Stop());
    EXPECT_FALSE(player.Pause());
    EXPECT_FALSE(player.HasAudio());
    EXPECT_FALSE(player.CanFrameStep());
    EXPECT_TRUE(player.ChangeRate(0.25));  // no position interface: nothing to change
    EXPECT_TRUE(player.SetRate(1.0));

    ASSERT_EQ(player.Create(), S_OK);
    EXPECT_EQ(player.Initialised, 1);
    EXPECT_TRUE(player.Graph && player.Seeking && player.Control && player.Events && player.Position &&
                player.BasicVideo && player.VideoWindow);
    EXPECT_EQ(player.PlayState, 0);
    // An empty graph has no audio renderer and nothing to step.
    EXPECT_FALSE(player.HasAudio());
    EXPECT_FALSE(player.CanFrameStep());
    // Stopped: Stop and Pause make no call and report false.
    EXPECT_FALSE(player.Stop());
    EXPECT_FALSE(player.Pause());
    EXPECT_EQ(player.PlayState, 0);

    // Create again releases the old graph first.
    IGraphBuilder* first = player.Graph;
    first->AddRef();
    ASSERT_EQ(player.Create(), S_OK);
    EXPECT_NE(player.Graph, nullptr);
    EXPECT_EQ(first->Release(), 0u) << "the first graph kept a reference";

    player.Release();
    EXPECT_EQ(player.Initialised, 0);
    EXPECT_TRUE(AllNull(player));
    EXPECT_EQ(player.Release(), S_OK);  // twice is harmless
    EXPECT_TRUE(AllNull(player));
}

TEST(DirectShowPlayer, RunPauseStopFollowTheTrackedState) {
    FakeControl control;
    CDirectShowPlayer player;
    player.Control = &control;

    // Pause only from running; Stop only from a state other than stopped.
    EXPECT_FALSE(player.Pause());
    EXPECT_FALSE(player.Stop());
    EXPECT_EQ(control.pauses + control.stops, 0);

    EXPECT_TRUE(player.Run());
    EXPECT_EQ(player.PlayState, 2);
    EXPECT_TRUE(player.Pause());
    EXPECT_EQ(player.PlayState, 1);
    EXPECT_FALSE(player.Pause());  // already paused: no call
    EXPECT_EQ(control.pauses, 1);
    EXPECT_TRUE(player.Stop());
    EXPECT_EQ(player.PlayState, 0);
    EXPECT_FALSE(player.Stop());
    EXPECT_EQ(control.stops, 1);

    // A refused call leaves the state as it was.
    EXPECT_TRUE(player.Run());
    control.result = E_FAIL;
    EXPECT_FALSE(player.Pause());
    EXPECT_EQ(player.PlayState, 2);
    EXPECT_FALSE(player.Stop());
    EXPECT_EQ(player.PlayState, 2);
    control.result = S_OK;
    EXPECT_TRUE(player.Stop());
    control.result = E_FAIL;
    EXPECT_FALSE(player.Run());
    EXPECT_EQ(player.PlayState, 0);
    Detach(player);
}

TEST(DirectShowPlayer, ChangeRateAndSetRate) {
    struct Case {
        const char* name;
        double start;
        double delta;
        bool refuse;
        bool failGet;
        bool result;
        double rate;
        int puts;
    } cases[] = {
        {"no change", 1.0, 0.0, false, false, true, 1.0, 0},        {"faster", 1.0, 0.25, false, false, true, 1.25, 1},
        {"slower", 1.0, -0.25, false, false, true, 0.75, 1},        {"refused", 1.5, 0.25, true, false, false, 1.5, 1},
        {"rate unreadable", 1.0, 0.25, false, true, false, 1.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePosition position;
        position.rate = c.start;
        position.refuse = c.refuse;
        position.failGet = c.failGet;
        CDirectShowPlayer player;
        player.Position = &position;
        EXPECT_EQ(player.ChangeRate(c.delta), c.result);
        EXPECT_DOUBLE_EQ(position.rate, c.rate);
        EXPECT_EQ(position.puts, c.puts);
        if (c.delta == 0.0) { EXPECT_EQ(position.gets, 0); }
        Detach(player);
    }
    FakePosition position;
    position.rate = 2.0;
    CDirectShowPlayer player;
    player.Position = &position;
    EXPECT_TRUE(player.SetRate(1.0));
    EXPECT_DOUBLE_EQ(position.rate, 1.0);
    position.refuse = true;
    EXPECT_FALSE(player.SetRate(0.5));
    EXPECT_DOUBLE_EQ(position.rate, 1.0);
    Detach(player);
}

namespace {

// A graph manager that hands out a real graph's interfaces but refuses the
// video window, the fifth interface Create asks for.
class RefusingGraph : public mediatest::FakeUnknown<IGraphBuilder> {
public:
    explicit RefusingGraph(IGraphBuilder* real) : real(real) {}
    REFIID Iid() const override { return IID_IGraphBuilder; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        ++queries;
        if (iid == IID_IVideoWindow) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        if (iid == IID_IGraphBuilder || iid == IID_IUnknown) return FakeUnknown::QueryInterface(iid, out);
        return real->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Connect(IPin*, IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Render(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Abort() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return E_NOTIMPL; }
    IGraphBuilder* real;
    int queries = 0;
};

RefusingGraph* refusingGraph = nullptr;

HRESULT MakeRefusingGraph(IGraphBuilder** graph) {
    refusingGraph->AddRef();
    *graph = refusingGraph;
    return S_OK;
}

HRESULT FailToMakeGraph(IGraphBuilder** graph) {
    *graph = nullptr;
    return REGDB_E_CLASSNOTREG;
}

}  // namespace

TEST(DirectShowPlayer, CreateRollsBackAtTheFirstRefusedInterface) {
    IGraphBuilder* real = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void**)&real),
              S_OK);
    real->AddRef();
    const ULONG realRefs = real->Release();
    RefusingGraph graph(real);
    refusingGraph = &graph;
    CDirectShowPlayer::SetGraphFactory(MakeRefusingGraph);
    {
        CDirectShowPlayer player;
        EXPECT_EQ(player.Create(), E_NOINTERFACE);
        EXPECT_EQ(graph.queries, 5) << "control, seeking, position, basic video, then the refused video window";
        EXPECT_EQ(player.Initialised, 0);
        EXPECT_TRUE(AllNull(player));
        // The four interfaces obtained before were given back, and the graph itself.
        real->AddRef();
        EXPECT_EQ(real->Release(), realRefs);
        EXPECT_EQ(graph.refs, 1);

        CDirectShowPlayer::SetGraphFactory(FailToMakeGraph);
        EXPECT_EQ(player.Create(), REGDB_E_CLASSNOTREG);
        EXPECT_TRUE(AllNull(player));
    }
    CDirectShowPlayer::SetGraphFactory(nullptr);
    refusingGraph = nullptr;
    real->Release();
}

TEST(DirectShowPlayer, RenderResults) {
    // The five partial successes and S_OK are accepted; anything else fails.
    for (unsigned long code : {0x0ul, 0x0004022Dul, 0x00040242ul, 0x00040254ul, 0x00040257ul, 0x00040258ul})
        EXPECT_TRUE(IsAcceptedRenderResult((HRESULT)code)) << std::hex << code;
    for (unsigned long code : {0x1ul, 0x00040256ul, 0x00040259ul, 0x80040218ul, 0x80004005ul})
        EXPECT_FALSE(IsAcceptedRenderResult((HRESULT)code)) << std::hex << code;

    struct Case {
        unsigned long hr;
        RenderTextForm form;
        const wchar_t* text;
    } cases[] = {
        {0x80040218, RenderTextForm::Sound, L"No combination of filters could be found to render the stream."},
        {0x80040218, RenderTextForm::Video, L"No combination of filters could be found to render the stream."},
        {0x80004003, RenderTextForm::Video, L"NULL pointer argument."},
        {0x80040265, RenderTextForm::Sound, L"Cannot play back the file: the format is not supported."},
        {0x80070057, RenderTextForm::Sound, L"Argument is invalid."},
        {0x80040266, RenderTextForm::Sound, L"Failed to play Media! hr=0x80040266"},
        {0x80040266, RenderTextForm::Video, L"Unable to play Media! hr=0x80040266. Press Ctrl+I for Codec Info"},
        {0x00040257, RenderTextForm::Video, L"Unable to play Media! hr=0x40257. Press Ctrl+I for Codec Info"},
    };
    for (const Case& c : cases) {
        wchar_t text[260];
        DescribeRenderFailure((HRESULT)c.hr, c.form, text, 260);
        EXPECT_STREQ(text, c.text) << std::hex << c.hr;
    }
    // A short buffer gets a cut, terminated text.
    wchar_t small[8];
    DescribeRenderFailure((HRESULT)0x80040266, RenderTextForm::Sound, small, 8);
    EXPECT_STREQ(small, L"Failed ");
}

TEST(DirectShowPlayer, PlaysFixtureFilesToTheirEnd) {
    // Single-stream files only: Wine stalls the audio of a file with sound and
    // video after a seek or a rewind at the end.
    struct Case {
        const wchar_t* file;
        LONGLONG lengthMs;
        bool audio;
        long width, height;
    } cases[] = {
        {L"media_tone.wav", 2000, true, 0, 0},
        {L"media_tags.mp3", 3000, true, 0, 0},
        {L"media_video.avi", 2000, false, 352, 288},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.file));
        CDirectShowPlayer player;
        ASSERT_EQ(player.Create(), S_OK);
        const HRESULT hr = player.Graph->RenderFile(qrvtest::Fixture(c.file).c_str(), nullptr);
        ASSERT_TRUE(IsAcceptedRenderResult(hr)) << std::hex << hr;
        // MP3 frames make the length a few milliseconds longer.
        EXPECT_NEAR((double)GraphLengthMs(player.Seeking), (double)c.lengthMs, 60.0);
        EXPECT_EQ(player.HasAudio(), c.audio);
        long width = 0, height = 0;
        if (c.width) {
            ASSERT_EQ(player.BasicVideo->GetVideoSize(&width, &height), S_OK);
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
        }
        ASSERT_TRUE(player.Run());
        EXPECT_TRUE(mediatest::WaitForCompletion(player.Events, 15000));
        // The graph ran to its end by itself: the tracked state is still running.
        EXPECT_EQ(player.PlayState, 2);
        LONGLONG position = 0;
        player.Seeking->GetCurrentPosition(&position);
        EXPECT_NEAR((double)position / 10000.0, (double)c.lengthMs, 60.0);
        // A rewind puts the position back to the start.
        ASSERT_TRUE(player.Stop());
        EXPECT_EQ(RewindGraph(player.Seeking), S_OK);
        player.Seeking->GetCurrentPosition(&position);
        EXPECT_EQ(position, 0);
        // Half way through, and a seek past the end stays at the end.
        EXPECT_EQ(SeekGraphPermille(player.Seeking, 500), S_OK);
        player.Seeking->GetCurrentPosition(&position);
        EXPECT_NEAR((double)position / 10000.0, c.lengthMs / 2.0, 60.0);
        EXPECT_EQ(SeekGraphPermille(player.Seeking, 5000), S_OK);
        player.Seeking->GetCurrentPosition(&position);
        EXPECT_NEAR((double)position / 10000.0, (double)c.lengthMs, 60.0);
        // Release answers what disowning the video window answered: a graph
        // without video has no window to disown.
        EXPECT_EQ(player.Release(), c.width ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(player.Initialised, 0);
    }
}

TEST(DirectShowPlayer, FileWithoutMediaIsRefused) {
    CDirectShowPlayer player;
    ASSERT_EQ(player.Create(), S_OK);
    const HRESULT hr = player.Graph->RenderFile(qrvtest::Fixture(L"media_garbage.avi").c_str(), nullptr);
    EXPECT_FALSE(IsAcceptedRenderResult(hr)) << std::hex << hr;
    player.Release();
    EXPECT_EQ(player.Initialised, 0);
    EXPECT_TRUE(AllNull(player));
}
