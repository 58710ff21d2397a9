#include "desktop/scrivlet_page.h"
// (to be written)
void showScrivletPage(int32_t, int32_t) {}
