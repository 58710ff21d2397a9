#include "driver/random_source.h"

static uint32_t randomState = 1;

int32_t nextRandom()
{
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int32_t>((randomState >> 16) & 0x7FFFu);
}

void resetRandomSource() { randomState = 1; }

uint32_t randomSourceState() { return randomState; }
void setRandomSourceState(uint32_t state) { randomState = state; }
