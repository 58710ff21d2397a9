#pragma once
// The one pseudo-random source of a run: a linear congruential generator that
// starts at 1 and is never reseeded, so a run's events are the same every time.

#include <cstdint>

// Next number in 0..32767.
int32_t nextRandom();

// Back to the state a fresh process starts in.
void resetRandomSource();

// The generator's state, to run a pass twice from the same point.
uint32_t randomSourceState();
void setRandomSourceState(uint32_t state);
