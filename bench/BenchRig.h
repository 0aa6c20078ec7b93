#pragma once
// The receive side under load, and a recorded-looking busy channel: monitored frames, beacons, group and net
// frames, and connections carrying framed messages, as a TNC prints them with CR line ends.
#include "support/StationRig.h"

#include <QByteArray>
#include <random>

namespace tolvex::bench {

inline QByteArray word(std::mt19937& gen) {
    static const char* words[] = {"water",   "shelter", "route",  "closed",  "open",      "net",
                                  "traffic", "roger",   "copy",   "standby", "generator", "fuel",
                                  "medical", "north",   "bridge", "73"};
    return words[gen() % 16];
}

inline QByteArray textLine(std::mt19937& gen) {
    QByteArray line;
    for (int n = 3 + int(gen() % 10); n > 0; --n)
        line += word(gen) + ' ';
    return line;
}

// About `size` bytes of it, the same every time.
inline QByteArray busyChannel(qsizetype size) {
    std::mt19937 gen(4242);
    QByteArray out;
    out.reserve(size + 1024);
    while (out.size() < size) {
        const QByteArray call = "N" + QByteArray::number(gen() % 10) + "AB" + char('A' + gen() % 26);
        const unsigned r = gen() % 100;
        if (r < 55) {
            out += call + ">CQ,RELAY*: <UI>:\r" + textLine(gen) + "\r";
        } else if (r < 75) {
            out += "cmd:" + call + ">BEACON:" + textLine(gen) + "\r";
        } else if (r < 85) {
            out += call + ">ZULGRP: <UI>:\r" + textLine(gen) + "$^ de " + call + " \r";
        } else if (r < 90) {
            out += call + ">NETCTL: <UI>:\r  .ckin" + call + "  $^ \r";
        } else {
            out += "\r*** CONNECTED to " + call + "\r.hdr  .ack  _" + call + " _Status\r\r";
            for (int n = 2 + int(gen() % 8); n > 0; --n)
                out += textLine(gen) + "\r";
            out += "$^\r" + textLine(gen) + "\r*** DISCONNECTED\rcmd:";
        }
    }
    return out;
}

using namespace tolvex::test;

// Counts what the receive side hands over.
class CountingHandlers : public MessageHandlers {
public:
    void processHeader(const QByteArray&) override { ++headers; }
    void processIncoming(const QByteArray& text, int) override {
        ++messages;
        bytes += text.size();
    }
    void processNCS(const QByteArray&) override { ++netLines; }
    qint64 headers = 0, messages = 0, netLines = 0, bytes = 0;
};

// The station's logic as the program builds it, with counting handlers, on the given main view
// (a recording one when none is given).
struct Link : LinkedStation {
    explicit Link(MainView* mainView = nullptr) : LinkedStation(mainView) { rx.useHandlers(handlers); }
    CountingHandlers handlers;
};

} // namespace tolvex::bench
