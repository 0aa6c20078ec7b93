#pragma once
// Unconnected sends (net lines, broadcasts) go out through the TNC's converse mode, which would
// resume a connected link instead: while the link is not idle they are refused, with the operator
// told why.
#include "core/Platform.h"
#include "link/LinkSession.h"

namespace tolvex {

// True (after telling the operator) when the link is not idle and nothing may be sent unconnected.
bool refusedWhileLinked(const LinkSession& session, MessageBoxes& boxes);

} // namespace tolvex
