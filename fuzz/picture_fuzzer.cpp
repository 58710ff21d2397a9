// libFuzzer target: any bytes as a picture file, through the whole load from
// memory the program uses: the sniffing of the signature, the decoder it picks
// (libspng, libjpeg-turbo with the EXIF orientation by libexif and by the
// library-free reader, libwebp with its animation demuxer, or the Targa reader),
// the size limits, the turning and the laying over white, and the hand-over to the
// pass. Besides the sanitizers' own checks it asserts what the pass relies on after
// a load that reports success, that a failure always says why (unless it is the
// Targa reader's), and that loading the same bytes again into the used object
// gives the same pixels.

#include "image/exif_orientation.h"
#include "image/picture_loader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "picture_fuzzer: %s\n", what);
    std::abort();
}

// Reads every byte, so that a buffer shorter than its stated size shows up under
// AddressSanitizer here rather than in the drawing pass.
uint32_t touch(const uint8_t* bytes, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum = sum * 31u + bytes[i];
    return sum;
}

struct Outcome {
    LoadResult load = LoadResult::OpenFailed;
    std::string reason;
    LoadResult pass = LoadResult::OpenFailed;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t passSum = 0;
};

Outcome loadAndConvert(Picture& picture, const uint8_t* data, size_t size)
{
    Outcome o;
    const PictureLoad loaded = picture.loadFromMemory(data, size);
    o.load = loaded.result;
    o.reason = loaded.reason;
    const bool decoded = pictureFormatDecoded(sniffPicture(data, size));
    if (o.load == LoadResult::Loaded && !o.reason.empty())
        fail("a loaded picture came with a reason");
    if (o.load != LoadResult::Loaded && decoded && o.reason.empty())
        fail("a decoder refused a picture without saying why");
    if (!o.reason.empty() && (o.reason.back() != '.' || o.reason.find('\n') != std::string::npos))
        fail("a reason is not one sentence on one line");

    PassPixels pass;
    o.pass = picture.convertForPass(pass);
    if (o.load != LoadResult::Loaded) {
        if (decoded && (o.pass == LoadResult::Loaded || pass.bytes))
            fail("a refused picture gave pass pixels");
        return o;
    }
    if (o.pass == LoadResult::OutOfMemory)
        return o;
    if (o.pass != LoadResult::Loaded || !pass.bytes)
        fail("a loaded picture could not be handed to the pass");
    if (pass.width < 1 || pass.height < 1 || pass.width > maxPictureSide || pass.height > maxPictureSide ||
        int64_t{pass.width} * pass.height > maxPicturePixels)
        if (decoded)
            fail("a decoded picture is beyond the limits");
    o.width = pass.width;
    o.height = pass.height;
    o.passSum = touch(pass.bytes.get(), size_t(pass.width) * size_t(pass.height) * 4);
    for (size_t i = 3; decoded && i < size_t(pass.width) * size_t(pass.height) * 4; i += 4)
        if (pass.bytes[i] != 0)
            fail("a pad byte is not 0");
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The library-free EXIF reader the Windows build falls back on.
    const uint8_t* segment = nullptr;
    size_t length = 0;
    if (findJpegExifSegment(data, size, segment, length)) {
        if (segment < data || segment + length > data + size)
            fail("the EXIF segment is outside the file");
        const int orientation = exifSegmentOrientation(segment, length);
        if (orientation < 1 || orientation > 8)
            fail("an orientation outside 1-8");
    }

    Picture picture;
    const Outcome first = loadAndConvert(picture, data, size);
    const Outcome again = loadAndConvert(picture, data, size);
    if (first.load != again.load || first.reason != again.reason || first.pass != again.pass ||
        first.width != again.width || first.height != again.height || first.passSum != again.passSum)
        fail("loading the same bytes again into a used object gave another outcome");
    return 0;
}
