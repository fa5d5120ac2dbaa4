// The load dispatcher's way to the video reader for files the signatures do
// not know.
#include <gtest/gtest.h>

#include <string>

#include "formats/Formats.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

int videoReaderCalls = 0;

ReadStatus CountingVideoReader(CImage&, const wchar_t*, wchar_t* errorText, LoadCall&) {
    ++videoReaderCalls;
    lstrcpynW(errorText, L"video reader", FORMAT_ERROR_CHARS);
    return false;
}

}  // namespace

TEST(MediaDispatch, UnknownContentWithAVideoExtensionGoesToTheVideoReader) {
    const FormatReader old = SetFormatReader(FMT_VIDEO, CountingVideoReader);
    qrvtest::TempDir dir;
    // Text with "JFIF" in it: only the video extension keeps it from the JPEG scan.
    const std::string text = "not a picture, JFIF mentioned";
    struct Case {
        const wchar_t* name;
        int calls;
        FormatId id;
    } cases[] = {
        {L"clip.avi", 1, FMT_VIDEO},
        {L"clip.MPG", 1, FMT_VIDEO},
        {L"clip.divx", 1, FMT_VIDEO},
        {L"notes.txt", 0, FMT_JPEG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        const std::wstring path = dir.File(c.name);
        ASSERT_TRUE(qrvtest::WriteAll(path, text.data(), text.size()));
        videoReaderCalls = 0;
        CImage image;
        wchar_t error[FORMAT_ERROR_CHARS] = {};
        FormatId id = -1;
        EXPECT_FALSE(LoadMediaFileByContent(image, path.c_str(), error, &id));
        EXPECT_EQ(videoReaderCalls, c.calls);
        EXPECT_EQ(id, c.id);
        if (c.calls) { EXPECT_STREQ(error, L"video reader"); }
    }
    SetFormatReader(FMT_VIDEO, old);
}
