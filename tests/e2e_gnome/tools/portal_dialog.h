#pragma once
// The portal's "Remote desktop" dialog, answered through mutter's own input.

enum class DialogAnswer {
    Share,          // as it opens: remote interaction left off
    AllowAndShare,  // "Allow remote interaction" switched on, then Share
    Cancel,
};

// Waits (up to 30 s) for the dialog, answers it and checks each click on the
// screen. shot: where to write the screen as first seen, or null.
bool answerDialog(DialogAnswer answer, const char* shot);
