#include "driver/explorer_start.h"

#include "image/picture_loader.h"

bool startedFromExplorer(uint32_t consoleProcesses) { return consoleProcesses == 1; }

ExplorerAction explorerAction(bool fromExplorer, int argc, const char* const* argv)
{
    if (!fromExplorer)
        return ExplorerAction::None;
    if (argc <= 1)
        return ExplorerAction::AskForPicture;
    // A shortcut may carry options; only a lone path is a drop.
    if (argc == 2 && argv[1] != nullptr && argv[1][0] != '\0' && argv[1][0] != '-' && argv[1][0] != '/')
        return ExplorerAction::TakeDroppedPicture;
    return ExplorerAction::None;
}

std::vector<std::string> argumentsForPicture(const std::string& path)
{
    return {"scrivdraw", "-image", "\"" + path + "\""};
}

std::string pictureDialogFilter()
{
    struct Extensions {
        PictureFormat format;
        const char* patterns;
    };
    static const Extensions known[] = {
        {PictureFormat::Png, "*.png"},   {PictureFormat::Jpeg, "*.jpg;*.jpeg"}, {PictureFormat::WebP, "*.webp"},
        {PictureFormat::Gif, "*.gif"},   {PictureFormat::Bmp, "*.bmp"},         {PictureFormat::Tiff, "*.tif;*.tiff"},
    };
    std::string patterns;
    for (const Extensions& e : known)
        if (pictureFormatDecoded(e.format))
            patterns += std::string(e.patterns) + ";";
    patterns += "*.tga";  // the Targa reader is in every build
    std::string filter = "Pictures (" + patterns + ")";
    filter += '\0';
    filter += patterns;
    filter += '\0';
    filter += "All files (*.*)";
    filter += '\0';
    filter += "*.*";
    filter += '\0';
    filter += '\0';
    return filter;
}
