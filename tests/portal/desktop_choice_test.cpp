#include "backends/portal/desktop_choice.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopChoice, TheSessionDecides)
{
    struct Case {
        LinuxSessionFacts facts;
        LinuxDesktop desktop;
    };
    const Case cases[] = {
        {{false, false, false}, LinuxDesktop::X11},
        // WAYLAND_DISPLAY unset, whatever else might be true.
        {{false, true, true}, LinuxDesktop::X11},
        // No compositor answers: the wlroots backend says so in its line.
        {{true, false, false}, LinuxDesktop::Wlroots},
        {{true, true, true}, LinuxDesktop::Wlroots},
        // GNOME, KDE: a compositor without the wlroots protocols.
        {{true, true, false}, LinuxDesktop::Portal},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseLinuxDesktop(c.facts), c.desktop)
            << c.facts.waylandDisplay << c.facts.waylandConnects << c.facts.wlrootsProtocols;
}

TEST(DesktopChoice, PlasmaIsNamedInTheSessionsDesktops)
{
    struct Case {
        const char* desktops;
        bool plasma;
    };
    const Case cases[] = {
        {"KDE", true},       {"X-Generic:KDE", true}, {"KDE:X-Other", true}, {"GNOME", false},
        {"ubuntu:GNOME", false}, {"", false},          {nullptr, false},       {"KDEX", false},
        {"kde", false},      {":", false},             {"XKDE:", false},       {"::KDE", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plasmaDesktop(c.desktops), c.plasma) << (c.desktops != nullptr ? c.desktops : "(unset)");
}

}  // namespace
