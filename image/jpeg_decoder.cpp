// JPEG through libjpeg-turbo's libjpeg API: baseline, progressive (at most 500
// scans, as TurboJPEG's own bound), greyscale, RGB, CMYK and YCCK; the EXIF
// orientation read with libexif and applied.
//
// The libjpeg API rather than TurboJPEG's: TurboJPEG cannot tell a fatal error that
// came after a warning from the warning alone, and would hand over a picture
// decoded part way. Here a fatal error always refuses the file, and so does a
// warning that image data is missing or broken, at once.
#include "image/exif_orientation.h"
#include "image/picture_decoders.h"

#include <libexif/exif-data.h>

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>
#include <string>

// jpeglib.h first: its jconfig.h says which messages jerror.h numbers.
#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr int maxScans = 500;

struct Exif {
    ExifData* data = exif_data_new();
    ~Exif()
    {
        if (data != nullptr)
            exif_data_unref(data);
    }
};

// Everything the decoding keeps across libjpeg's calls, in memory rather than in
// the registers of a frame that longjmp returns to.
struct JpegState {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf fatal;
    bool created = false;
    int fatalCode = 0;  // the message code of the error, or warning, that ended it
    char message[JMSG_LENGTH_MAX] = {};
};

JpegState& stateOf(j_common_ptr info) { return *static_cast<JpegState*>(info->client_data); }

[[noreturn]] void fatalError(j_common_ptr info)
{
    JpegState& state = stateOf(info);
    info->err->format_message(info, state.message);
    state.fatalCode = info->err->msg_code;
    std::longjmp(state.fatal, 1);
}

// Warnings (level -1) that mean image data is missing or broken: what follows them
// would be grey or garbage, so the decoding stops there and the file is refused.
// Other warnings (stray bytes between markers, odd JFIF versions, a bogus ICC
// profile and the like) leave a whole picture, and viewers show it.
void noteMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;  // trace messages
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
        code == JWRN_ARITH_BAD_CODE || code == JWRN_MUST_RESYNC) {
        JpegState& state = stateOf(info);
        if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
            std::snprintf(state.message, sizeof state.message, "it ends too soon");
        else
            info->err->format_message(info, state.message);
        state.fatalCode = code;
        std::longjmp(state.fatal, 1);
    }
}

void limitScans(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maxScans) {
        JpegState& state = stateOf(info);
        std::snprintf(state.message, sizeof state.message, "more than %d scans", maxScans);
        std::longjmp(state.fatal, 1);
    }
}

// The two halves of the decoding, each with the setjmp libjpeg's fatal errors
// return to. Only plain values live in their frames. False after a fatal error,
// with its message in state.message.
bool readHeader(JpegState& state, const uint8_t* bytes, size_t size)
{
    if (setjmp(state.fatal) != 0)
        return false;
    state.info.err = jpeg_std_error(&state.errors);
    state.errors.error_exit = fatalError;
    state.errors.emit_message = noteMessage;
    state.info.client_data = &state;
    jpeg_create_decompress(&state.info);
    state.created = true;
    state.info.client_data = &state;  // jpeg_create_decompress clears it
    state.progress.progress_monitor = limitScans;
    state.info.progress = &state.progress;
    jpeg_mem_src(&state.info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&state.info, TRUE);
    return true;
}

bool readPixels(JpegState& state, uint8_t* rgba, size_t stride, bool cmyk)
{
    if (setjmp(state.fatal) != 0)
        return false;
    state.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&state.info);
    while (state.info.output_scanline < state.info.output_height) {
        JSAMPROW row = rgba + size_t(state.info.output_scanline) * stride;
        jpeg_read_scanlines(&state.info, &row, 1);
    }
    jpeg_finish_decompress(&state.info);
    return true;
}

struct Decompressor {
    JpegState state;
    ~Decompressor()
    {
        if (state.created)
            jpeg_destroy_decompress(&state.info);
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
    JpegState& state = jpeg.state;
    if (!readHeader(state, bytes, size))
        return damagedPicture(PictureFormat::Jpeg, state.message);
    const int64_t width = state.info.image_width;
    const int64_t height = state.info.image_height;
    if (PictureLoad fits = checkPictureSize(width, height, PictureFormat::Jpeg); fits.result != LoadResult::Loaded)
        return fits;

    const bool cmyk = state.info.jpeg_color_space == JCS_CMYK || state.info.jpeg_color_space == JCS_YCCK;
    const size_t stride = size_t(width) * 4;
    std::unique_ptr<uint8_t[]> rgba = allocatePictureBuffer(stride * size_t(height));
    if (!rgba)
        return pictureOutOfMemory();
    if (!readPixels(state, rgba.get(), stride, cmyk))
        return state.fatalCode == JERR_OUT_OF_MEMORY ? pictureOutOfMemory()
                   : damagedPicture(PictureFormat::Jpeg, state.message);
    if (cmyk)
        cmykToRgba(rgba.get(), size_t(width) * size_t(height));

    if (composeForPass(rgba.get(), static_cast<int32_t>(width), static_cast<int32_t>(height), stride,
                       jpegExifOrientation(bytes, size), out) != LoadResult::Loaded)
        return pictureOutOfMemory();
    return {LoadResult::Loaded, {}};
}
