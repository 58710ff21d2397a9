#include "driver/picture_choice.h"

#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"
#include "source/picture_source.h"

std::string loadChosenPicture(Picture& picture)
{
    const char* word = nullptr;
    if (const int32_t slot = findArgument("-image"); slot != 0) {
        word = argumentAt(slot + 1);
    } else {
        // A word that names nothing keeps the old answer: it may be a mistyped option.
        const int32_t lone = findLoneWord();
        if (lone == 0 || !namesPicture(argumentAt(lone)))
            return "You must at least supply the name of a image, fool!";
        word = argumentAt(lone);
    }
    // Standard input holds one picture: the second would find it read to its end.
    const int32_t second = findArgument("-image2");
    if (second != 0 && pictureSourceOf(word) == PictureSource::StandardInput &&
        pictureSourceOf(argumentAt(second + 1)) == PictureSource::StandardInput)
        return "Standard input holds one picture: -image and -image2 cannot both be -.";
    return loadPictureFromSource(picture, word);
}

std::string loadSecondPicture(Picture& picture, const std::string& word)
{
    return loadPictureFromSource(picture, word.c_str(), PictureRole::Image2);
}
