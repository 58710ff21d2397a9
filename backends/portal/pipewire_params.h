#pragma once
// The parts of PipeWire's parameter language the frame stream needs, built and
// read in C (pipewire_params.c), where its builder macros are at home.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct spa_pod;

// The pixel layouts the stream takes: four bytes a pixel, blue or red first.
enum { scrivFrameUnknown = 0, scrivFrameBgrx = 1, scrivFrameRgbx = 2 };

// Writes into buffer the formats the stream accepts (raw video in the layouts
// above, any size); 1 on success, with *param pointing into buffer.
int scrivFormatParam(uint8_t* buffer, size_t size, const struct spa_pod** param);

// Writes the buffer and metadata wishes for a frame of the negotiated size:
// memory that can be read directly (no GPU buffers), and a header with each
// frame's time. 2 on success, the params in params[0..1]; 0 when it did not fit.
int scrivBufferParams(uint8_t* buffer, size_t size, const struct spa_pod** params);

// Reads a negotiated format: 1 with the layout and size, 0 when it is not raw
// video of a layout above.
int scrivReadFormat(const struct spa_pod* param, int* layout, uint32_t* width, uint32_t* height);

#ifdef __cplusplus
}
#endif
