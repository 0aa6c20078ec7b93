#pragma once
// Where the main window was and how big, and how its extra height was shared between the
// received messages and the channel monitor, kept from one run to the next in a file of the
// station's own (Window.ini, so Parms.inf stays as other tools read it). No widget here.
#include <QList>
#include <QRect>
#include <QString>
#include <optional>

namespace tolvex {

struct WindowPlacement {
    // The received-messages pane's part of the height beyond the default; the monitor gets the rest.
    static constexpr double kDefaultReceivedShare = 1.0 / 3;

    QRect normal; // the window's own area when not maximised (no frame); empty: centred, default size
    bool maximised = false;
    double receivedShare = kDefaultReceivedShare;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;

    // What the file holds; nothing when it is missing or anything in it is malformed.
    static std::optional<WindowPlacement> load(const QString& file);
    // False when the file could not be written.
    bool save(const QString& file) const;
    // The same placement with its area kept only when that lies wholly on one of the screens'
    // available areas (a screen since unplugged, a smaller resolution): otherwise empty, so the
    // window opens centred at its default size. The share and the maximised state stay.
    WindowPlacement fittedTo(const QList<QRect>& screens) const;
};

} // namespace tolvex
