#pragma once
// Shared by the Targa reader's two halves (targa_image.cpp reads the file and its
// header, targa_pixels.cpp the pixel data, the colour map and the conversion for
// the pass): the format's sizes and bits, and the buffers, which all come from
// one place so that failImageAllocation reaches every one of them.

#include <cstddef>
#include <cstdint>

namespace targa {

constexpr size_t headerSize = 18;
constexpr size_t colourMapEntries = 256;
constexpr size_t colourMapEntryBytes = 3;
constexpr size_t colourMapBytes = colourMapEntries * colourMapEntryBytes;
constexpr size_t largestPacketPixels = 128;

// Descriptor bits.
constexpr uint8_t rightToLeftBit = 0x10;
constexpr uint8_t topFirstBit = 0x20;
constexpr uint8_t interleaveBits = 0xC0;

// A buffer of count bytes, or nullptr when memory (or failImageAllocation) says no.
uint8_t* allocateBytes(size_t count);
void freeBytes(uint8_t*& buffer);

}  // namespace targa
