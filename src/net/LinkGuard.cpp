#include "LinkGuard.h"

namespace tolvex {

bool refusedWhileLinked(const LinkSession& session, MessageBoxes& boxes) {
    if (session.state() == LinkState::LinkIdle) return false;
    boxes.show(QStringLiteral("Message already in progress"),
               QStringLiteral("   A message is being received or sent now so\r\n"
                              "a broadcast message cannot be sent at this time.\r\n"
                              "              Try again later."));
    return true;
}

} // namespace tolvex
