// ByteReader and CBinFileReader: field values in both byte orders, reads that
// would cross the end, the sticky failure flag, seeking, and the file reader
// across its buffer's edges. Every memory case is run over a file as well.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/ByteReader.h"
#include "image/BinFile.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The same bytes behind a memory reader and behind file readers with small
// buffers, so that the cases cross their edges too: one asked for less than a
// field (it gets the longest field's length) and one of an odd length.
class Readers {
public:
    explicit Readers(const Bytes& bytes) : bytes_(bytes) {
        path_ = dir_.File(L"bytes.bin");
        EXPECT_TRUE(qrvtest::WriteAll(path_, bytes_.data(), bytes_.size()));
        EXPECT_TRUE(file_.Open(path_.c_str(), BINFILE_READ | BINFILE_SHARE_READ));
    }
    // Runs check on a fresh memory reader and a fresh file reader.
    void Each(const std::function<void(ByteReader&, const char*)>& check) {
        {
            ByteReader memory(bytes_.data(), bytes_.size());
            check(memory, "memory");
        }
        for (size_t buffer : {1, 5, 64}) {
            CBinFileReader reader(file_, buffer);
            const std::string what = "file, " + std::to_string(buffer) + "-byte buffer";
            check(reader, what.c_str());
        }
    }

private:
    Bytes bytes_;
    qrvtest::TempDir dir_;
    std::wstring path_;
    CBinFile file_;
};

const Bytes kSample = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0xAA};

TEST(ByteReader, FieldsInBothByteOrders) {
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        EXPECT_EQ(r.U16LE(), 0x0201) << what;
        EXPECT_EQ(r.U16BE(), 0x0304) << what;
        EXPECT_EQ(r.U32LE(), 0x08070605u) << what;
        EXPECT_EQ(r.U32BE(), 0x090A0B0Cu) << what;
        EXPECT_EQ(r.U8(), 0xAA) << what;
        EXPECT_TRUE(r.Ok()) << what;
        EXPECT_EQ(r.Tell(), 13u) << what;
        EXPECT_EQ(r.Remaining(), 0u) << what;
        EXPECT_EQ(r.Size(), 13u) << what;
    });
}

// Fields at an offset leave the position alone; one that does not lie wholly
// before the end reads 0 and fails the reader like any other read.
TEST(ByteReader, FieldsAtAnOffset) {
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        EXPECT_EQ(r.U8(), 0x01) << what;
        EXPECT_EQ(r.U16BEAt(2), 0x0304) << what;
        EXPECT_EQ(r.U32LEAt(4), 0x08070605u) << what;
        EXPECT_EQ(r.U32BEAt(9), 0x0A0B0CAAu) << what;
        EXPECT_EQ(r.U16LEAt(0), 0x0201) << what;
        EXPECT_EQ(r.Tell(), 1u) << what;
        EXPECT_EQ(r.U8(), 0x02) << what;
        EXPECT_TRUE(r.Ok()) << what;
        EXPECT_EQ(r.U32BEAt(10), 0u) << what << ": one byte short";
        EXPECT_FALSE(r.Ok()) << what;
        EXPECT_EQ(r.U16LEAt(0), 0) << what << ": the failure stays";
    });
}

TEST(ByteReader, SignedFieldsKeepTheirSign) {
    const Bytes bytes = {0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00, 0x01};
    Readers(bytes).Each([](ByteReader& r, const char* what) {
        EXPECT_EQ(r.S16LE(), -2) << what;
        EXPECT_EQ(r.S16BE(), -2) << what;
        EXPECT_EQ(r.S32LE(), INT32_MIN + 0x00FFFFFF) << what;
        EXPECT_EQ(r.S32BE(), INT32_MIN + 1) << what;
        EXPECT_TRUE(r.Ok()) << what;
    });
}

// Each read that does not fit in the last `left` bytes fails, returns 0,
// leaves the position, and every later call fails too.
TEST(ByteReader, ReadsAcrossTheEndFailAndStayFailed) {
    struct Case {
        const char* what;
        size_t left;  // bytes before the end when the read is tried
        std::function<uint32_t(ByteReader&)> read;
    };
    const Case cases[] = {
        {"U8 at the end", 0, [](ByteReader& r) { return (uint32_t)r.U8(); }},
        {"U16LE with one byte left", 1, [](ByteReader& r) { return (uint32_t)r.U16LE(); }},
        {"U16BE with one byte left", 1, [](ByteReader& r) { return (uint32_t)r.U16BE(); }},
        {"U32LE with three bytes left", 3, [](ByteReader& r) { return r.U32LE(); }},
        {"U32BE with one byte left", 1, [](ByteReader& r) { return r.U32BE(); }},
        {"S32LE with two bytes left", 2, [](ByteReader& r) { return (uint32_t)r.S32LE(); }},
        {"Bytes(4) with three bytes left", 3,
         [](ByteReader& r) {
             uint8_t out[4] = {9, 9, 9, 9};
             EXPECT_FALSE(r.Bytes(out, 4));
             uint32_t v;
             std::memcpy(&v, out, 4);
             return v;  // zeros, nothing half-read
         }},
    };
    for (const Case& c : cases) {
        Readers(kSample).Each([&](ByteReader& r, const char* what) {
            ASSERT_TRUE(r.Seek(kSample.size() - c.left));
            EXPECT_EQ(c.read(r), 0u) << c.what << ", " << what;
            EXPECT_FALSE(r.Ok()) << c.what << ", " << what;
            EXPECT_EQ(r.Tell(), kSample.size() - c.left) << c.what << ", " << what;
            // Sticky: reads that would fit, seeks and skips now fail as well.
            EXPECT_FALSE(r.Seek(0)) << c.what << ", " << what;
            EXPECT_EQ(r.U8(), 0) << c.what << ", " << what;
            EXPECT_FALSE(r.Skip(0)) << c.what << ", " << what;
            uint8_t byte = 7;
            EXPECT_EQ(r.ReadSome(&byte, 1), 0u) << c.what << ", " << what;
            EXPECT_EQ(byte, 7) << c.what << ", " << what;
            EXPECT_FALSE(r.Ok()) << c.what << ", " << what;
        });
    }
}

TEST(ByteReader, SeekAndSkip) {
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        EXPECT_TRUE(r.Seek(8)) << what;
        EXPECT_EQ(r.U8(), 0x09) << what;
        EXPECT_TRUE(r.Seek(1)) << what;  // backwards, across the file reader's buffer
        EXPECT_EQ(r.U16BE(), 0x0203) << what;
        EXPECT_TRUE(r.Skip(2)) << what;
        EXPECT_EQ(r.U8(), 0x06) << what;
        EXPECT_TRUE(r.Seek(13)) << what;  // the end itself is a position
        EXPECT_TRUE(r.Ok()) << what;
        EXPECT_EQ(r.Remaining(), 0u) << what;
    });
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        EXPECT_FALSE(r.Seek(14)) << what;
        EXPECT_FALSE(r.Ok()) << what;
        EXPECT_EQ(r.Tell(), 0u) << what;
    });
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        EXPECT_TRUE(r.Skip(10)) << what;
        EXPECT_FALSE(r.Skip(4)) << what;
        EXPECT_EQ(r.Tell(), 10u) << what;
        EXPECT_FALSE(r.Ok()) << what;
    });
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        EXPECT_FALSE(r.Skip(UINT64_MAX)) << what;  // no wrap-around of the position
        EXPECT_FALSE(r.Seek(UINT64_MAX)) << what;
        EXPECT_EQ(r.Tell(), 0u) << what;
    });
}

TEST(ByteReader, ReadSomeTakesWhatThereIs) {
    Readers(kSample).Each([](ByteReader& r, const char* what) {
        ASSERT_TRUE(r.Seek(10)) << what;
        uint8_t out[8] = {};
        EXPECT_EQ(r.ReadSome(out, sizeof out), 3u) << what;
        EXPECT_EQ(out[0], 0x0B) << what;
        EXPECT_EQ(out[2], 0xAA) << what;
        EXPECT_EQ(out[3], 0) << what;
        EXPECT_TRUE(r.Ok()) << what;
        EXPECT_EQ(r.ReadSome(out, sizeof out), 0u) << what;
        EXPECT_TRUE(r.Ok()) << what;
    });
}

TEST(ByteReader, EmptyAndNullBlocks) {
    ByteReader empty(kSample.data(), 0);
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_TRUE(empty.Seek(0));
    EXPECT_EQ(empty.U8(), 0);
    EXPECT_FALSE(empty.Ok());
    ByteReader null(nullptr, 100);
    EXPECT_EQ(null.Size(), 0u);
    EXPECT_EQ(null.U16LE(), 0);
    EXPECT_FALSE(null.Ok());
}

// Large reads go past the file reader's buffer straight into the destination;
// fields before and after them still come from the right offsets.
TEST(CBinFileReader, LargeReadsAndFieldsAroundThem) {
    Bytes bytes(300000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (uint8_t)(i * 7 + (i >> 9));
    Readers(bytes).Each([&](ByteReader& r, const char* what) {
        EXPECT_EQ(r.U8(), bytes[0]) << what;
        Bytes middle(200000);
        ASSERT_TRUE(r.Bytes(middle.data(), middle.size())) << what;
        EXPECT_EQ(std::memcmp(middle.data(), &bytes[1], middle.size()), 0) << what;
        EXPECT_EQ(r.U32LE(), (uint32_t)bytes[200001] | (uint32_t)bytes[200002] << 8 | (uint32_t)bytes[200003] << 16 |
                                 (uint32_t)bytes[200004] << 24)
            << what;
        Bytes rest(200000, 0xEE);
        EXPECT_EQ(r.ReadSome(rest.data(), rest.size()), bytes.size() - 200005) << what;
        EXPECT_EQ(std::memcmp(rest.data(), &bytes[200005], bytes.size() - 200005), 0) << what;
        EXPECT_TRUE(r.Ok()) << what;
        EXPECT_EQ(r.Remaining(), 0u) << what;
    });
}

// A file that is not open is an empty one.
TEST(CBinFileReader, ClosedFileReadsNothing) {
    CBinFile closed;
    CBinFileReader r(closed);
    EXPECT_EQ(r.Size(), 0u);
    EXPECT_EQ(r.U32BE(), 0u);
    EXPECT_FALSE(r.Ok());
}

}  // namespace
