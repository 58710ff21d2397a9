// JPEG through libjpeg-turbo's TurboJPEG API: baseline, progressive (with the
// library's bound on the number of scans), greyscale, RGB, CMYK and YCCK; the EXIF
// orientation read with libexif and applied.
#include "image/exif_orientation.h"
#include "image/picture_decoders.h"

#include <libexif/exif-data.h>
#include <turbojpeg.h>

#include <cstring>
#include <string>

namespace {

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor()
    {
        if (handle != nullptr)
            tjDestroy(handle);
    }
};

struct Exif {
    ExifData* data = exif_data_new();
    ~Exif()
    {
        if (data != nullptr)
            exif_data_unref(data);
    }
};

// Adobe's CMYK JPEGs store the inks inverted, as almost all CMYK JPEGs are: the
// colour is then ink-free light times the black's, channel by channel.
void cmykToRgba(uint8_t* pixels, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + i * 4;
        const uint32_t k = p[3];
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<uint8_t>((p[c] * k + 127) / 255);
        p[3] = 255;
    }
}

}  // namespace

int jpegExifOrientation(const uint8_t* bytes, size_t size)
{
    const uint8_t* segment = nullptr;
    size_t length = 0;
    if (!findJpegExifSegment(bytes, size, segment, length))
        return 1;
    Exif exif;
    if (exif.data == nullptr)
        return 1;
    // As the file has it: libexif is not to add or "fix" entries.
    exif_data_unset_option(exif.data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.data, segment, static_cast<unsigned int>(length));
    ExifEntry* entry = exif_content_get_entry(exif.data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->data == nullptr ||
        entry->size < 2)
        return 1;
    const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif.data));
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

PictureLoad decodeJpeg(const uint8_t* bytes, size_t size, PassPixels& out)
{
    Decompressor jpeg;
    if (jpeg.handle == nullptr)
        return pictureOutOfMemory();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(jpeg.handle, bytes, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colourspace) != 0)
        return damagedPicture(PictureFormat::Jpeg, tjGetErrorStr2(jpeg.handle));
    if (PictureLoad fits = checkPictureSize(width, height, PictureFormat::Jpeg); fits.result != LoadResult::Loaded)
        return fits;

    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    const size_t stride = size_t(width) * 4;
    std::unique_ptr<uint8_t[]> rgba = allocatePictureBuffer(stride * size_t(height));
    if (!rgba)
        return pictureOutOfMemory();
    if (tjDecompress2(jpeg.handle, bytes, static_cast<unsigned long>(size), rgba.get(), width, static_cast<int>(stride),
                      height, cmyk ? TJPF_CMYK : TJPF_RGBA, TJFLAG_LIMITSCANS) != 0) {
        const std::string problem = tjGetErrorStr2(jpeg.handle);
        // Warnings (stray bytes between markers and the like) leave a whole picture,
        // and viewers show it; a file cut short leaves a grey rest, and is refused.
        if (tjGetErrorCode(jpeg.handle) != TJERR_WARNING || problem.find("Premature end") != std::string::npos)
            return damagedPicture(PictureFormat::Jpeg, problem);
    }
    if (cmyk)
        cmykToRgba(rgba.get(), size_t(width) * size_t(height));

    if (composeForPass(rgba.get(), width, height, stride, jpegExifOrientation(bytes, size), out) !=
        LoadResult::Loaded)
        return pictureOutOfMemory();
    return {LoadResult::Loaded, {}};
}
