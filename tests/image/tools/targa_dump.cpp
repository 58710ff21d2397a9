// The conformance tests' view of our reader, for comparison with other programs.
//
//   targa_dump FILE PREFIX
//     loads FILE and writes what the drawing pass would get, rows top first:
//     PREFIX.rgb (raw red, green, blue), PREFIX.rgba (raw, the fourth byte as the
//     pass gets it), PREFIX.ppm (binary, maxval 255) and PREFIX.pgm (the fourth
//     byte). Prints "WIDTH HEIGHT DEPTH". A refused file prints the result's name
//     instead and exits with status 1.
//   targa_dump --source PREFIX
//     writes the test picture the writers start from: PREFIX.ppm, and PREFIX.pam
//     with an alpha channel. It has exactly 256 colours, so that colour-mapped
//     files made from it carry a full 256-entry map.

#include "image/targa_image.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* resultName(LoadResult r)
{
    switch (r) {
    case LoadResult::Loaded:
        return "Loaded";
    case LoadResult::OpenFailed:
        return "OpenFailed";
    case LoadResult::OutOfMemory:
        return "OutOfMemory";
    case LoadResult::Malformed:
        return "Malformed";
    case LoadResult::NotSupported:
        return "NotSupported";
    }
    return "Unknown";
}

bool writeFile(const std::string& path, const std::string& header, const std::vector<uint8_t>& body)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), out) == header.size();
    ok = ok && (body.empty() || std::fwrite(body.data(), 1, body.size(), out) == body.size());
    return std::fclose(out) == 0 && ok;
}

std::string netpbmHeader(const char* magic, int32_t width, int32_t height)
{
    return std::string(magic) + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
}

int writeSource(const std::string& prefix)
{
    constexpr int32_t width = 48;
    constexpr int32_t height = 40;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> rgba;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            // A diagonal pattern that walks all 256 indices, and on the right a
            // band of horizontal runs for the run-length writers.
            const int32_t i = x < 40 ? (x * 7 + y * 13) % 256 : (y * 5) % 256;
            const uint8_t c[3] = {uint8_t(i), uint8_t((i * 3 + 50) % 256), uint8_t(255 - i)};
            rgb.insert(rgb.end(), c, c + 3);
            rgba.insert(rgba.end(), c, c + 3);
            rgba.push_back(uint8_t((x * 5 + y * 3) % 256));
        }
    const std::string pam = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                            "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    if (!writeFile(prefix + ".ppm", netpbmHeader("P6", width, height), rgb) || !writeFile(prefix + ".pam", pam, rgba)) {
        std::fprintf(stderr, "targa_dump: cannot write %s.*\n", prefix.c_str());
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: targa_dump FILE PREFIX | targa_dump --source PREFIX\n");
        return 2;
    }
    const std::string prefix = argv[2];
    if (std::string(argv[1]) == "--source")
        return writeSource(prefix);

    TargaImage image;
    LoadResult r = image.load(argv[1]);
    PassPixels pass;
    if (r == LoadResult::Loaded)
        r = image.convertForPass(pass);
    if (r != LoadResult::Loaded) {
        std::printf("%s\n", resultName(r));
        return 1;
    }
    const size_t count = size_t(pass.width) * size_t(pass.height);
    const std::vector<uint8_t> rgba(pass.bytes.get(), pass.bytes.get() + count * 4);
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> fourth;
    for (size_t i = 0; i < count; ++i) {
        rgb.insert(rgb.end(), &rgba[i * 4], &rgba[i * 4] + 3);
        fourth.push_back(rgba[i * 4 + 3]);
    }
    if (!writeFile(prefix + ".rgb", "", rgb) || !writeFile(prefix + ".rgba", "", rgba) ||
        !writeFile(prefix + ".ppm", netpbmHeader("P6", pass.width, pass.height), rgb) ||
        !writeFile(prefix + ".pgm", netpbmHeader("P5", pass.width, pass.height), fourth)) {
        std::fprintf(stderr, "targa_dump: cannot write %s.*\n", prefix.c_str());
        return 2;
    }
    std::printf("%d %d %d\n", pass.width, pass.height, image.depth());
    return 0;
}
