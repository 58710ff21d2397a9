#pragma once
// Why the gestures stopped going out, for the drawing's loop: one answer for all
// the stages that may stop them.

enum class DrawingStop {
    None,
    Escape,          // seen while a stage held the input (the page away, the page behind)
    StrokeNotShown,  // the first strokes did not show on the page
};

DrawingStop drawingStop();

// Once: whether keypad minus went down while a stage held the input, where the
// drawing's loop did not look at the keys.
bool drawingPauseAsked();

// The keys paused the drawing: what was last seen of the page is old by the time
// it goes on.
void drawingPausedByKeys();
