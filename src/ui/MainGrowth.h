#pragma once
// How the main window's elements take the room beyond its default size: each follows the edges
// it belongs to. Extra width goes to the bands and panes that run across the window, and the
// message buttons on the right move with the right edge; extra height is shared between the
// received messages and the channel monitor (the monitor takes the larger part by default), and
// the titles and buttons beside the monitor go down with it.
#include "core/views/MainView.h"

#include <QRect>
#include <QSize>

namespace tolvex {

struct MainGrowth {
    // Across the window: keep the place, take the extra width, move with the right edge, or stay
    // in the middle of the room an element overlays.
    enum class Across { Fixed, Stretch, Follow, Centre };
    // Down the window: keep the place (the top band, anything placed inside a frame's top part),
    // take the received area's extra height, stay in the middle of it, go down below it, or go
    // down below it and take the monitor's extra height.
    enum class Down { Top, Received, ReceivedCentre, Channel, ChannelStretch };
    struct Anchor {
        Across across = Across::Fixed;
        Down down = Down::Top;
    };

    int dx = 0;         // extra width
    int dyReceived = 0; // extra height of the received-messages area
    int dyChannel = 0;  // extra height of the channel monitor

    // The room beyond the default (never less than none), the height shared by receivedShare.
    static MainGrowth split(QSize extra, double receivedShare);
    static Anchor anchorOf(MainElement element);
    // An element's place at the default size moved and stretched for this growth.
    QRect place(const QRect& atDefault, Anchor anchor) const;
};

} // namespace tolvex
