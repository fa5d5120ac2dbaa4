#include "media/SoundTags.h"

// dshow.h brings strsafe.h, which would otherwise rename the C library's
// string functions.
#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>
#include <qedit.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <memory>

#include "app/FileInfo.h"
#include "image/BinFile.h"
#include "image/Common.h"

namespace {

// The ID3v1 list (0..79) and its extension (80..125).
const wchar_t* const kGenres[] = {L"Blues",
                                  L"Classic Rock",
                                  L"Country",
                                  L"Dance",
                                  L"Disco",
                                  L"Funk",
                                  L"Grunge",
                                  L"Hip-Hop",
                                  L"Jazz",
                                  L"Metal",
                                  L"New Age",
                                  L"Oldies",
                                  L"Other",
                                  L"Pop",
                                  L"R&B",
                                  L"Rap",
                                  L"Reggae",
                                  L"Rock",
                                  L"Techno",
                                  L"Industrial",
                                  L"Alternative",
                                  L"Ska",
                                  L"Death Metal",
                                  L"Pranks",
                                  L"Soundtrack",
                                  L"Euro-Techno",
                                  L"Ambient",
                                  L"Trip-Hop",
                                  L"Vocal",
                                  L"Jazz+Funk",
                                  L"Fusion",
                                  L"Trance",
                                  L"Classical",
                                  L"Instrumental",
                                  L"Acid",
                                  L"House",
                                  L"Game",
                                  L"Sound Clip",
                                  L"Gospel",
                                  L"Noise",
                                  L"AlternRock",
                                  L"Bass",
                                  L"Soul",
                                  L"Punk",
                                  L"Space",
                                  L"Meditative",
                                  L"Instrumental Pop",
                                  L"Instrumental Rock",
                                  L"Ethnic",
                                  L"Gothic",
                                  L"Darkwave",
                                  L"Techno-Industrial",
                                  L"Electronic",
                                  L"Pop-Folk",
                                  L"Eurodance",
                                  L"Dream",
                                  L"Southern Rock",
                                  L"Comedy",
                                  L"Cult",
                                  L"Gangsta",
                                  L"Top 40",
                                  L"Christian Rap",
                                  L"Pop/Funk",
                                  L"Jungle",
                                  L"Native American",
                                  L"Cabaret",
                                  L"New Wave",
                                  L"Psychadelic",
                                  L"Rave",
                                  L"Showtunes",
                                  L"Trailer",
                                  L"Lo-Fi",
                                  L"Tribal",
                                  L"Acid Punk",
                                  L"Acid Jazz",
                                  L"Polka",
                                  L"Retro",
                                  L"Musical",
                                  L"Rock & Roll",
                                  L"Hard Rock",
                                  L"Folk",
                                  L"Folk-Rock",
                                  L"National Folk",
                                  L"Swing",
                                  L"Fast Fusion",
                                  L"Bebob",
                                  L"Latin",
                                  L"Revival",
                                  L"Celtic",
                                  L"Bluegrass",
                                  L"Avantgarde",
                                  L"Gothic Rock",
                                  L"Progressive Rock",
                                  L"Psychedelic Rock",
                                  L"Symphonic Rock",
                                  L"Slow Rock",
                                  L"Big Band",
                                  L"Chorus",
                                  L"Easy Listening",
                                  L"Acoustic",
                                  L"Humour",
                                  L"Speech",
                                  L"Chanson",
                                  L"Opera",
                                  L"Chamber Music",
                                  L"Sonata",
                                  L"Symphony",
                                  L"Booty Bass",
                                  L"Primus",
                                  L"Porn Groove",
                                  L"Satire",
                                  L"Slow Jam",
                                  L"Club",
                                  L"Tango",
                                  L"Samba",
                                  L"Folklore",
                                  L"Ballad",
                                  L"Power Ballad",
                                  L"Rhythmic Soul",
                                  L"Freestyle",
                                  L"Duet",
                                  L"Punk Rock",
                                  L"Drum Solo",
                                  L"A capella",
                                  L"Euro-House",
                                  L"Dance Hall"};
static_assert(sizeof(kGenres) / sizeof(kGenres[0]) == 126);

// A tag field holds at most this many characters (the rest is cut).
constexpr size_t kFieldText = ID3_FIELD_CHARS - 1;
// How much of a file's start the ID3v2 scan may read.
constexpr uint64_t kMaxId3v2Bytes = 4u << 20;

// Bytes up to the first zero (or the end), at most kFieldText, from the ANSI
// (or UTF-8) code page into field.
void DecodeNarrow(const uint8_t* text, size_t size, UINT codePage, wchar_t* field) {
    size_t n = 0;
    while (n < size && n < kFieldText && text[n]) ++n;
    field[0] = 0;
    if (!n) return;
    const int written = MultiByteToWideChar(codePage, 0, (const char*)text, (int)n, field, (int)kFieldText);
    field[std::max(written, 0)] = 0;
}

// UTF-16 code units up to a zero unit (or the end), at most kFieldText.
void DecodeUtf16(const uint8_t* text, size_t size, bool bigEndian, wchar_t* field) {
    size_t n = 0;
    for (; n < kFieldText && 2 * n + 1 < size; ++n) {
        const uint8_t a = text[2 * n], b = text[2 * n + 1];
        const wchar_t unit = bigEndian ? (wchar_t)((a << 8) | b) : (wchar_t)((b << 8) | a);
        if (!unit) break;
        field[n] = unit;
    }
    field[n] = 0;
}

// One string of a frame in the frame's encoding: 0 ANSI, 1 UTF-16 with a byte
// order mark, 2 UTF-16 big-endian, 3 UTF-8.
void DecodeText(int encoding, const uint8_t* text, size_t size, wchar_t* field) {
    switch (encoding) {
    case 1: {
        bool bigEndian = false;
        if (size >= 2 && text[0] == 0xFE && text[1] == 0xFF) bigEndian = true;
        if (size >= 2 && ((text[0] == 0xFE && text[1] == 0xFF) || (text[0] == 0xFF && text[1] == 0xFE))) {
            text += 2;
            size -= 2;
        }
        DecodeUtf16(text, size, bigEndian, field);
        break;
    }
    case 2: DecodeUtf16(text, size, true, field); break;
    case 3: DecodeNarrow(text, size, CP_UTF8, field); break;
    default: DecodeNarrow(text, size, CP_ACP, field); break;
    }
}

// Length of a string in the encoding including its terminator (the whole rest
// when it has none).
size_t TerminatedLength(int encoding, const uint8_t* text, size_t size) {
    if (encoding == 1 || encoding == 2) {
        for (size_t i = 0; i + 1 < size; i += 2)
            if (!text[i] && !text[i + 1]) return i + 2;
        return size;
    }
    for (size_t i = 0; i < size; ++i)
        if (!text[i]) return i + 1;
    return size;
}

// The content of a text or comment frame into field.
void DecodeFrame(const uint8_t* content, size_t size, bool comment, wchar_t* field) {
    int encoding = 0;
    if (size && content[0] <= 3) {
        encoding = content[0];
        ++content;
        --size;
    }
    if (comment) {
        // Language (3 bytes), then a description before the text.
        const size_t language = std::min<size_t>(3, size);
        content += language;
        size -= language;
        const size_t description = TerminatedLength(encoding, content, size);
        content += description;
        size -= description;
    }
    if (encoding == 0)
        while (size && !content[0]) ++content, --size;
    DecodeText(encoding, content, size, field);
}

uint32_t BigEndian(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | p[i];
    return value;
}

wchar_t* FieldOfFrame(Id3Tag& tag, const uint8_t* id, bool v22, bool* comment) {
    struct Frame {
        const char* v34;
        const char* v2;
        wchar_t* field;
    };
    const Frame frames[] = {{"TIT2", "TT2", tag.title}, {"TPE1", "TP1", tag.artist},  {"TALB", "TAL", tag.album},
                            {"TYER", "TYE", tag.year},  {"COMM", "COM", tag.comment}, {"TCON", "TCO", tag.genre}};
    for (const Frame& f : frames) {
        if (v22 ? memcmp(id, f.v2, 3) == 0 : memcmp(id, f.v34, 4) == 0) {
            *comment = f.field == tag.comment;
            return f.field;
        }
    }
    return nullptr;
}

bool ReadFilePart(const wchar_t* path, bool fromEnd, uint64_t limit, std::vector<uint8_t>& out) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) return false;
    const uint64_t length = file.GetLength();
    if (fromEnd) {
        if (length < limit) return false;
        file.Seek(-(int64_t)limit, FILE_END);
    }
    const uint32_t count = (uint32_t)std::min(length, limit);
    out.resize(count);
    const uint32_t got = count ? file.Read(out.data(), count) : 0;
    out.resize(got);
    return true;
}

}  // namespace

void ClearId3Tag(Id3Tag& tag) { memset(&tag, 0, sizeof tag); }

const wchar_t* Id3GenreName(int number) { return number >= 1 && number <= 125 ? kGenres[number] : L""; }

bool ParseId3v1Trailer(const uint8_t* trailer, size_t size, Id3Tag& tag) {
    if (!trailer || size < 128 || memcmp(trailer, "TAG", 3) != 0) return false;
    ClearId3Tag(tag);
    DecodeNarrow(trailer + 3, 30, CP_ACP, tag.title);
    DecodeNarrow(trailer + 33, 30, CP_ACP, tag.artist);
    DecodeNarrow(trailer + 63, 30, CP_ACP, tag.album);
    DecodeNarrow(trailer + 93, 4, CP_ACP, tag.year);
    DecodeNarrow(trailer + 97, 30, CP_ACP, tag.comment);
    CopyStringW(tag.genre, Id3GenreName(trailer[127]), ID3_FIELD_CHARS);
    return true;
}

bool ParseId3v2Tag(const uint8_t* data, size_t size, Id3Tag& tag) {
    ClearId3Tag(tag);
    if (!data || size < 10 || _strnicmp((const char*)data, "ID3", 3) != 0) return false;
    const int version = data[3];
    if (version < 2 || version > 4) return false;
    const bool v22 = version == 2;
    size_t pos = 10;
    if (data[5] & 0x40) {
        // The extended header's size counts its own four bytes from version 4 on.
        if (pos + 4 > size) return false;
        const uint64_t s = BigEndian(data + pos, 4);
        if (version == 4 && s < 4) return false;
        const uint64_t next = pos + (version == 4 ? s : 4 + s);
        if (next > size) return false;
        pos = (size_t)next;
    }
    const int idBytes = v22 ? 3 : 4;
    while (pos < size) {
        if (pos + idBytes > size) break;
        const uint8_t* id = data + pos;
        if (!id[0] || _strnicmp((const char*)id, "3DI", 3) == 0) break;
        pos += idBytes;
        if (pos + idBytes > size) break;
        const uint32_t frameSize = BigEndian(data + pos, idBytes);
        pos += idBytes;
        if (frameSize > 128) break;  // a picture or other long frame ends the scan
        if (!v22) {
            if (pos + 2 > size) break;
            pos += 2;
        }
        const size_t content = std::min<size_t>(frameSize, size - pos);
        bool comment = false;
        if (wchar_t* field = FieldOfFrame(tag, id, v22, &comment)) DecodeFrame(data + pos, content, comment, field);
        pos += content;
    }
    return true;
}

bool ReadId3v1Tag(const wchar_t* path, Id3Tag& tag) {
    std::vector<uint8_t> trailer;
    if (!ReadFilePart(path, true, 128, trailer)) return false;
    return ParseId3v1Trailer(trailer.data(), trailer.size(), tag);
}

bool ReadId3v2Tag(const wchar_t* path, Id3Tag& tag) {
    std::vector<uint8_t> head;
    if (!ReadFilePart(path, false, kMaxId3v2Bytes, head)) return false;
    return ParseId3v2Tag(head.data(), head.size(), tag);
}

void ReadSoundTag(const wchar_t* path, Id3Tag& tag) {
    ClearId3Tag(tag);
    const size_t n = path ? wcslen(path) : 0;
    if (n < 3 || _wcsicmp(path + n - 3, L"mp3") != 0) return;
    if (ReadId3v1Tag(path, tag)) return;
    ClearId3Tag(tag);
    if (!ReadId3v2Tag(path, tag)) ClearId3Tag(tag);
}

// ---- Audio stream description

namespace {

AudioStreamDetector g_detector = DetectAudioStream;

std::wstring Format(const wchar_t* format, ...) {
    wchar_t text[128];
    va_list args;
    va_start(args, format);
    vswprintf(text, 128, format, args);
    va_end(args);
    return text;
}

}  // namespace

AudioStreamDetector SetAudioStreamDetector(AudioStreamDetector detector) {
    AudioStreamDetector previous = g_detector;
    g_detector = detector ? detector : DetectAudioStream;
    return previous;
}

bool DetectAudioStream(const wchar_t* path, AudioStreamInfo& info) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool found = false;
    IMediaDet* detector = nullptr;
    BSTR name = SysAllocString(path);
    long streams = 0;
    if (name && SUCCEEDED(CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_ALL, IID_IMediaDet, (void**)&detector)) &&
        SUCCEEDED(detector->put_Filename(name)) && SUCCEEDED(detector->get_OutputStreams(&streams))) {
        for (long i = 0; i < streams; ++i) {
            GUID type = {};
            if (FAILED(detector->put_CurrentStream(i)) || FAILED(detector->get_StreamType(&type))) break;
            if (type != MEDIATYPE_Audio) continue;
            AM_MEDIA_TYPE media = {};
            if (SUCCEEDED(detector->get_StreamMediaType(&media))) {
                double length = 0;
                if (media.formattype == FORMAT_WaveFormatEx && media.cbFormat >= 18 && media.pbFormat &&
                    SUCCEEDED(detector->get_StreamLength(&length))) {
                    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(media.pbFormat);
                    info = {wave->wFormatTag,      wave->nChannels,      wave->nSamplesPerSec,
                            wave->nAvgBytesPerSec, wave->wBitsPerSample, length};
                    found = true;
                }
                if (media.cbFormat) CoTaskMemFree(media.pbFormat);
                if (media.pUnk) media.pUnk->Release();
            }
            break;  // only the first audio stream is described
        }
    }
    if (detector) detector->Release();
    SysFreeString(name);
    if (SUCCEEDED(init)) CoUninitialize();
    return found;
}

std::wstring AudioDurationText(double seconds) {
    const int s = seconds > 0 ? (int)seconds : 0;
    if (s <= 59) return Format(L"%.2d Seconds", s);
    const int m = s / 60;
    if (m < 60) return Format(L"%d:%.2d Minutes", m, s % 60);
    return Format(L"%d:%.2d Hours", m / 60, m % 60);
}

std::wstring AudioCodecName(uint16_t formatTag) {
    switch (formatTag) {
    case 0x0001: return L"PCM";
    case 0x0002: return L"ADPCM";
    case 0x0003: return L"IEEE FLOAT";
    case 0x0009: return L"DRM";
    case 0x0010: return L"OKI ADPCM";
    case 0x0012: return L"Mediaspace ADPCM";
    case 0x0013: return L"Sierra ADPCM";
    case 0x0020: return L"Yamaha ADPCM";
    case 0x0022: return L"DSPGroup TrueSpeech";
    case 0x0030: return L"Dolby AC2";
    case 0x0032: return L"MSNAudio";
    case 0x0050: return L"MPEG";
    case 0x0055: return L"MPEG Layer3";
    case 0x0061: return L"Ess PCM";
    case 0x0062: return L"Voxware";
    case 0x0092: return L"Sonic Foundry Dolby AC3 SPDIF";
    case 0x0098: return L"Philips LPCBB";
    case 0x0150: return L"Qualcomm PureVoice";
    case 0x0160:
    case 0x0161: return L"MS Audio1 (WMA)";
    case 0x0200: return L"Creative ADPCM";
    case 0x0202: return L"Creative Fastspeech 8";
    case 0x0210: return L"Uher ADPCM";
    case 0x0270: return L"Sony SCX";
    case 0x1000: return L" Ing C. Olivetti & C., S.p.A. ";
    case 0x2000: return L"AC3-Digital";
    default: return Format(L"Unknown: 0x%x", formatTag);
    }
}

std::wstring AudioChannelsText(int channels) {
    switch (channels) {
    case 1: return L"1 (mono)";
    case 2: return L"2 (stereo)";
    case 5: return L"5 (surround)";
    default: return Format(L"%d", channels);
    }
}

std::wstring AudioBitrateText(uint32_t avgBytesPerSec) {
    const uint32_t k = (uint32_t)((uint64_t)avgBytesPerSec * 8 / 1024);
    struct Band {
        uint32_t low, high;
        const wchar_t* text;
    };
    static const Band kBands[] = {{312, 324, L"320 Kbits/s (40 KB/s)"}, {246, 260, L"256 Kbits/s (32 KB/s)"},
                                  {216, 228, L"224 Kbits/s (28 KB/s)"}, {187, 196, L"192 Kbits/s (24 KB/s)"},
                                  {156, 164, L"160 Kbits/s (20 KB/s)"}, {124, 132, L"128 Kbits/s (16 KB/s)"},
                                  {108, 116, L"112 Kbits/s (14 KB/s)"}, {92, 100, L"96 Kbits/s (12 KB/s)"},
                                  {60, 68, L"64 Kbits/s (8 KB/s)"},     {28, 36, L"32 Kbits/s (4 KB/s)"}};
    for (const Band& band : kBands)
        if (k >= band.low && k <= band.high) return band.text;
    return Format(L"%u Kbits/s (%u KB/s)", k, k / 8);
}

std::vector<AudioInfoRow> AudioStreamRows(const AudioStreamInfo& info) {
    return {{L"Audiostream:", L""},
            {L"Codec:", AudioCodecName(info.formatTag)},
            {L"Duration:", AudioDurationText(info.lengthSeconds)},
            {L"SamplesPerSec:", Format(L"%u Hz", info.samplesPerSec)},
            {L"BitsPerSample:", Format(L"%d Bit", info.bitsPerSample ? (int)info.bitsPerSample : 16)},
            {L"Channels:", AudioChannelsText(info.channels)},
            {L"Bitrate:", AudioBitrateText(info.avgBytesPerSec)},
            {L"", L""}};
}

bool CollectAudioStreamRows(const wchar_t* path, std::vector<AudioInfoRow>& rows) {
    rows.clear();
    AudioStreamInfo info = {};
    if (!path || !g_detector(path, info)) return false;
    rows = AudioStreamRows(info);
    return true;
}

bool DescribeAudioStream(const wchar_t* path) {
    std::vector<AudioInfoRow> rows;
    if (!CollectAudioStreamRows(path, rows)) return false;
    for (const AudioInfoRow& row : rows) AddFileInfoRow(row.label.c_str(), L"%ls", row.value.c_str());
    return true;
}
