#pragma once
// How far the drawing is and how long it has left, shown as one status line while
// it draws (see showStatus) at most four times a second. The count of what is left
// comes from the planned drawing, so the share is exact; the time left follows the
// pace measured so far, paused time left out.

#include <cstdint>
#include <string>

// The status for records sent of total after activeMs of drawing, e.g.
// "scrivdraw 34% · 8:12 left", or the share and "paused".
std::string progressText(int64_t sent, int64_t total, int64_t activeMs, bool paused);

// What a real run with the same options would cost, for -preview: its points, its
// records and its time (a millisecond a record after the start-up wait), e.g.
// "A real run draws 90,000 points with 720,000 input records: about 12 min 5 s.\n"
// With -pace N, N microseconds a record; with -pace auto the page sets the pace,
// so the time is the millisecond a record, said to be an estimate.
// 720000 as "720,000".
std::string grouped(int64_t n);

std::string costText(int64_t points, int64_t records, int64_t waitMs, int32_t pace = 0);

// The closing note of a paced run, e.g. "Pace: 100 us a record at the end; the page
// lagged 41 ms on average, at most 97 ms; 0 gestures did not show.\n"
struct PaceReport;
std::string paceText(const PaceReport& report);

// From now on, the drawing is to send total records.
void startProgress(int64_t total);
// Called before each step of the drawing; shows the status when it is due.
void updateProgress(bool paused);
// Takes the status away.
void endProgress();
