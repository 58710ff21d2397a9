#pragma once
// GDI+ started once for the whole program (Windows builds only): the picture
// decoders and the preview's PNG writer both use it.

// Whether GDI+ is running; the first call starts it.
bool startGdiplus();
