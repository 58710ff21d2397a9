#include "source/clipboard_picture.h"

#include "source/dib_file.h"

#include <windows.h>

namespace {

// The clipboard's data in the format, through bytes or the BMP file made of a
// bitmap; empty text or the reason.
std::string takeFormat(UINT format, bool bitmap, PictureBytes& bytes)
{
    HANDLE data = GetClipboardData(format);
    const uint8_t* at = data != nullptr ? static_cast<const uint8_t*>(GlobalLock(data)) : nullptr;
    if (at == nullptr)
        return "The clipboard's picture could not be read.";
    const size_t size = GlobalSize(data);
    std::string reason;
    if (bitmap)
        reason = bmpFileFromDib(at, size, bytes);
    else if (!appendPictureBytes(bytes, at, size))
        reason = bytes.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "There is not enough memory for it.";
    GlobalUnlock(data);
    return reason;
}

}  // namespace

std::string readClipboardPicture(PictureBytes& bytes, int32_t waitMs)
{
    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int32_t waited = 0; !(open = OpenClipboard(nullptr) != 0) && waited < waitMs; waited += 20)
        Sleep(20);
    if (!open)
        return "The clipboard is held by another program.";
    // PNG as browsers put it there keeps transparency; the bitmap Windows gives in
    // CF_DIB for any picture, V5 where only that is there.
    const UINT png = RegisterClipboardFormatW(L"PNG");
    std::string reason;
    if (png != 0 && IsClipboardFormatAvailable(png))
        reason = takeFormat(png, false, bytes);
    else if (IsClipboardFormatAvailable(CF_DIB))
        reason = takeFormat(CF_DIB, true, bytes);
    else if (IsClipboardFormatAvailable(CF_DIBV5))
        reason = takeFormat(CF_DIBV5, true, bytes);
    else if (CountClipboardFormats() == 0)
        reason = "There is nothing on the clipboard.";
    else
        reason = "There is no picture on the clipboard.";
    CloseClipboard();
    return reason;
}
