#pragma once
// Escape, keypad minus and keypad plus, polled before each step of a drawing.

enum class KeyVerdict {
    Draw,   // go on with the step
    Wait,   // paused: poll again, the step not taken
    Abort,  // Escape: the run ends at once with status -1
};

// Escape first; minus pauses; plus resumes and draws even with minus down.
KeyVerdict pollControlKeys(bool& paused);
