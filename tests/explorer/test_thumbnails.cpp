// The thumbnail provider as Explorer calls it. Faults caught: a picture that
// is not tavelin-render's (a second copy of the plan or the scaling, the
// viewer's colours ignored, a short read taken for the end of the file), a
// stream read past the bound, and a hostile stream that crashes the host or
// is reported as a picture; ANSI art read without its name or end record.
#include <gtest/gtest.h>
#include <propsys.h>
#include <thumbcache.h>

#include "document/text_document.h"
#include "explorer/stream_document.h"
#include "tests/explorer/explorer_host.h"
#include "tests/support/win32_test_helpers.h"

namespace {

const IID thumbnailInterface = {0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};
const uint64_t twoGigabytes = 2ull << 30;

struct Thumbnail {
    HRESULT initialized = E_FAIL;
    HRESULT drawn = E_FAIL;
    Picture picture;
};

// Hands the stream (and the reference held on it) to a new provider.
Thumbnail thumbnailOf(const RegisteredServer& server, IStream* stream, UINT size)
{
    Thumbnail result;
    IInitializeWithStream* init = (IInitializeWithStream*)server.create(IID_IInitializeWithStream);
    IThumbnailProvider* provider = nullptr;
    if (!init || !stream || FAILED(init->QueryInterface(thumbnailInterface, (void**)&provider))) {
        ADD_FAILURE() << "no provider or no stream";
        return result;
    }
    result.initialized = init->Initialize(stream, STGM_READ);
    stream->Release();
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha;
    result.drawn = provider->GetThumbnail(size, &bitmap, &alpha);
    EXPECT_EQ(SUCCEEDED(result.drawn), bitmap != nullptr);
    if (bitmap) {
        result.picture = bitmapPicture(bitmap);
        DeleteObject(bitmap);
    }
    provider->Release();
    init->Release();
    return result;
}

// RRGGBB as the viewer stores a colour (COLORREF, 0x00BBGGRR).
DWORD colorRef(const std::string& text)
{
    DWORD rgb = strtoul(text.c_str(), nullptr, 16);
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

}  // namespace

TEST(Thumbnails, AreTheRenderersPicturesPixelForPixelThroughEveryKindOfStream)
{
    RegisteredServer server(thumbnailKind);
    auto cases = readCases("thumb");
    ASSERT_GE(cases.size(), 15u);
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];   // input size fg bg expected
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (c[2] != "-") {
            writeDword("fgColor", colorRef(c[2]));
            writeDword("bgColor", colorRef(c[3]));
        }
        std::string path = casePath(c[0]);
        std::string bytes = readWholeFile(path);
        // Files, memory, and a stream of short reads that states no size.
        IStream* stream = i % 3 == 0 ? fileStream(path)
                        : i % 3 == 1 ? memoryStream(path)
                                     : new TestStream(bytes, bytes.size(), 1 + i % 7, ~0ull, 0);
        Thumbnail got = thumbnailOf(server, stream, (UINT)atoi(c[1].c_str()));
        EXPECT_EQ(S_OK, got.drawn) << c[0];
        EXPECT_EQ(0u, differingPixels(readPpm(casePath(c[4])), got.picture)) << c[0] << " at " << c[1];
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}

TEST(Thumbnails, HostileStreamsGiveAClearErrorOrAPictureFromABoundedPrefix)
{
    RegisteredServer server(thumbnailKind);
    const std::string art = "\xDB\xB1\xB0\xB2 NFO \xC4\xCD\r\n";
    // Empty: no picture, the type's icon instead.
    Thumbnail empty = thumbnailOf(server, new TestStream(art, 0, 4096, ~0ull, 0), 96);
    EXPECT_EQ(S_OK, empty.initialized);
    EXPECT_TRUE(FAILED(empty.drawn));
    // A read that fails part way fails the thumbnail with the stream's error.
    Thumbnail failing = thumbnailOf(server, new TestStream(art, 50000, 997, 20000, 50000), 96);
    EXPECT_EQ(STG_E_READFAULT, failing.initialized);
    EXPECT_TRUE(FAILED(failing.drawn));
    // Binary junk is what the file holds: it gets its picture.
    std::string junk(100000, '\0');
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = (char)(i * 2654435761u >> 13);
    EXPECT_EQ(S_OK, thumbnailOf(server, new TestStream(junk, junk.size(), 65536, ~0ull, 1), 256).drawn);
    // 2 GB: the start only, read at once.
    TestStream* huge = new TestStream(art, twoGigabytes, 1 << 20, ~0ull, twoGigabytes);
    huge->AddRef();
    DWORD start = GetTickCount();
    Thumbnail top = thumbnailOf(server, huge, 256);
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(S_OK, top.drawn);
    EXPECT_LE(huge->handedOut(), 256u * 1024 + 1);
    EXPECT_LT(took, 1000u);
    huge->Release();
    // Without a stated size, read with a bound below the first block's size.
    TestStream* unsized = new TestStream(art, 50000, 50000, ~0ull, TestStream::noStatedSize);
    TextDocument* document = nullptr;
    EXPECT_EQ(S_OK, readStreamDocument(unsized, 100, &document));
    EXPECT_LE(unsized->handedOut(), 101u);
    delete document;
    unsized->Release();
}

// A file stream states the file's name, and seeks: a .ans name or a SAUCE
// record past the read bound ignored gives two-colour text or rows cut at 80.
TEST(Thumbnails, OfAnsiArtTakeTheStreamsNameAndTheRecordAtItsEnd)
{
    RegisteredServer server(thumbnailKind);
    auto cases = readCases("ansi");
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {   // input size expected
        Thumbnail got = thumbnailOf(server, fileStream(casePath(c[0])), (UINT)atoi(c[1].c_str()));
        EXPECT_EQ(S_OK, got.drawn) << c[0];
        EXPECT_EQ(0u, differingPixels(readPpm(casePath(c[2])), got.picture)) << c[0];
    }
}
