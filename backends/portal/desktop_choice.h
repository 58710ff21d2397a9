#pragma once
// Which desktop a Linux run drives, from what the session offers.

enum class LinuxDesktop {
    X11,      // no Wayland session: X11 as ever
    Wlroots,  // Wayland with the wlroots protocols (or no compositor to ask)
    Portal,   // Wayland without them: the desktop portal (GNOME, KDE)
};

struct LinuxSessionFacts {
    bool waylandDisplay = false;    // WAYLAND_DISPLAY names one
    bool waylandConnects = false;   // and a compositor answers there
    bool wlrootsProtocols = false;  // with a virtual pointer and screencopy
};

LinuxDesktop chooseLinuxDesktop(const LinuxSessionFacts& facts);

// Looks: WAYLAND_DISPLAY, and the globals its compositor offers.
LinuxSessionFacts probeLinuxSession();

// Whether XDG_CURRENT_DESKTOP's value (names separated by colons) names KDE's
// Plasma, whose screen cast shows no picture of the screen here.
bool plasmaDesktop(const char* currentDesktop);
