// The tag of a sound file (ID3v1 trailer or ID3v2 header) and the description
// of a file's first audio stream for the file information dialog. Parsing works
// on byte buffers, so every rule is tested without a file or a window.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int ID3_FIELD_CHARS = 128;

// The six texts the sound player shows; all empty when no tag was found.
struct Id3Tag {
    wchar_t title[ID3_FIELD_CHARS];
    wchar_t artist[ID3_FIELD_CHARS];
    wchar_t album[ID3_FIELD_CHARS];
    wchar_t year[ID3_FIELD_CHARS];
    wchar_t comment[ID3_FIELD_CHARS];
    wchar_t genre[ID3_FIELD_CHARS];
};

void ClearId3Tag(Id3Tag& tag);

// Name of an ID3v1 genre number: 1..125 from the list, "" for 0 and 126 up.
const wchar_t* Id3GenreName(int number);

// The last 128 bytes of a file: true when they start with "TAG"; the texts are
// ANSI, each cut at its first zero byte.
bool ParseId3v1Trailer(const uint8_t* trailer, size_t size, Id3Tag& tag);
// An ID3v2.2/2.3/2.4 tag at the start of data. False (tag empty) when there is
// none: no "ID3", another major version, or an extended header that does not
// fit. A frame longer than 128 bytes ends the scan; nothing is read past size.
bool ParseId3v2Tag(const uint8_t* data, size_t size, Id3Tag& tag);

// The same on a file: false when it cannot be opened or holds no such tag.
bool ReadId3v1Tag(const wchar_t* path, Id3Tag& tag);
bool ReadId3v2Tag(const wchar_t* path, Id3Tag& tag);
// The tag the player shows: only a path ending in "mp3" has one; its ID3v1
// trailer wins, its ID3v2 tag is read only when it has no trailer.
void ReadSoundTag(const wchar_t* path, Id3Tag& tag);

// ---- Audio stream description

// What the media detector says of a file's first audio stream.
struct AudioStreamInfo {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t bitsPerSample;
    double lengthSeconds;
};
// Fills info for the file's first audio stream; false when there is none or
// the detector cannot read the file.
using AudioStreamDetector = bool (*)(const wchar_t* path, AudioStreamInfo& info);
// The DirectShow media detector (the default).
bool DetectAudioStream(const wchar_t* path, AudioStreamInfo& info);
// Replaces the detector (null restores the default); returns the previous one.
AudioStreamDetector SetAudioStreamDetector(AudioStreamDetector detector);

std::wstring AudioDurationText(double seconds);
std::wstring AudioCodecName(uint16_t formatTag);
std::wstring AudioChannelsText(int channels);
std::wstring AudioBitrateText(uint32_t avgBytesPerSec);

struct AudioInfoRow {
    std::wstring label;
    std::wstring value;
};
// The rows that describe a stream, in the dialog's order, closed by a blank row.
std::vector<AudioInfoRow> AudioStreamRows(const AudioStreamInfo& info);
// The rows of the file's first audio stream; false (no rows) when the detector fails.
bool CollectAudioStreamRows(const wchar_t* path, std::vector<AudioInfoRow>& rows);
// Adds those rows to the open file information dialog; false when the stream
// could not be described.
bool DescribeAudioStream(const wchar_t* path);
