#include "desktop/scrivlet_page.h"
// (to be written)
bool writeScreenPng(const char*, int32_t, int32_t, int32_t, int32_t) { return false; }
