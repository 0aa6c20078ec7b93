#pragma once
// Everything of the directed net in one place: the net pane and its counter, the two consoles'
// logic and the receiver of net lines.
#include "NetControl.h"
#include "NetMember.h"
#include "NetPane.h"
#include "NetReception.h"

namespace tolvex {

struct Net {
    Net(Station& station, ParmsStore& store, LinkSession& session, MessageBoxes& boxes, Sequencer& sequencer,
        TncPort& tnc, TimeTexts& times, Scheduler& scheduler, Alert& alert, MainView& view)
        : pane(station, view), member(station, session, boxes, sequencer, tnc, times, scheduler),
          control(station, store, session, boxes, sequencer, tnc, times, scheduler, pane, member),
          reception(station, store, alert, tnc, pane, control, member) {}

    NetPane pane;
    NetMember member;
    NetControl control;
    NetReception reception;
};

} // namespace tolvex
