#include "MainGrowth.h"

#include <QtGlobal>
#include <algorithm>

namespace tolvex {

namespace {

using Across = MainGrowth::Across;
using Down = MainGrowth::Down;

struct Rule {
    MainElement element;
    MainGrowth::Anchor anchor;
};

// Everything not listed keeps its place: the compose and connect buttons of the top band, and
// whatever sits in a frame's left column.
const Rule kRules[] = {
    {frmMain::lblBar1, {Across::Stretch, Down::Top}},
    {frmMain::lblNet, {Across::Stretch, Down::Top}},
    {frmMain::txtNet, {Across::Stretch, Down::Top}},
    {frmMain::Frame1, {Across::Follow, Down::Top}},
    {frmMain::Frame3, {Across::Stretch, Down::Received}},
    {frmMain::rtbRcvd, {Across::Stretch, Down::Received}},
    {frmMain::frSave, {Across::Centre, Down::ReceivedCentre}},
    {frmMain::lblBBS, {Across::Stretch, Down::ChannelStretch}},
    {frmMain::tbMon, {Across::Stretch, Down::ChannelStretch}},
    {frmMain::tbLocal, {Across::Stretch, Down::ChannelStretch}},
    {frmMain::Label1, {Across::Fixed, Down::Channel}},
    {frmMain::Label5, {Across::Fixed, Down::Channel}},
    {frmMain::Command1, {Across::Fixed, Down::Channel}},
    {frmMain::cmdPrintCM, {Across::Fixed, Down::Channel}},
    {frmMain::cmdSaveCM, {Across::Fixed, Down::Channel}},
    {frmMain::rtbPrinter, {Across::Fixed, Down::Channel}},
};

} // namespace

MainGrowth MainGrowth::split(QSize extra, double receivedShare) {
    MainGrowth g;
    g.dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    g.dyReceived = std::clamp(qRound(dy * receivedShare), 0, dy);
    g.dyChannel = dy - g.dyReceived;
    return g;
}

MainGrowth::Anchor MainGrowth::anchorOf(MainElement element) {
    for (const Rule& r : kRules)
        if (r.element == element) return r.anchor;
    return {};
}

QRect MainGrowth::place(const QRect& atDefault, Anchor anchor) const {
    QRect r = atDefault;
    switch (anchor.across) {
    case Across::Fixed:
        break;
    case Across::Stretch:
        r.setWidth(r.width() + dx);
        break;
    case Across::Follow:
        r.translate(dx, 0);
        break;
    case Across::Centre:
        r.translate(dx / 2, 0);
        break;
    }
    switch (anchor.down) {
    case Down::Top:
        break;
    case Down::Received:
        r.setHeight(r.height() + dyReceived);
        break;
    case Down::ReceivedCentre:
        r.translate(0, dyReceived / 2);
        break;
    case Down::Channel:
        r.translate(0, dyReceived);
        break;
    case Down::ChannelStretch:
        r.translate(0, dyReceived);
        r.setHeight(r.height() + dyChannel);
        break;
    }
    return r;
}

} // namespace tolvex
