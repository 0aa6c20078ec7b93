#pragma once
// The link to a sound-card modem's AGW port, as the software TNC sees it.
#include "softtnc/AgwFrame.h"

#include <functional>

namespace tolvex {

class AgwTransport {
public:
    virtual ~AgwTransport() = default;
    // Starts reaching the modem; frames sent before it answers wait. False when it cannot start.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void send(const AgwFrame& frame) = 0;

    // Set by the owner: every frame from the modem, and the reason when the modem is lost.
    std::function<void(const AgwFrame&)> onFrame;
    std::function<void(const QByteArray&)> onError;
};

} // namespace tolvex
