#include "driver/picture_choice.h"

#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"
#include "source/picture_source.h"

std::string loadChosenPicture(Picture& picture)
{
    int32_t slot = findArgument("-image");
    if (slot != 0)
        return loadPictureFromSource(picture, argumentAt(slot + 1));
    // A word that names nothing keeps the old answer: it may be a mistyped option.
    slot = findLoneWord();
    if (slot == 0 || !namesPicture(argumentAt(slot)))
        return "You must at least supply the name of a image, fool!";
    return loadPictureFromSource(picture, argumentAt(slot));
}
