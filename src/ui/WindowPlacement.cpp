#include "WindowPlacement.h"

#include <QFileInfo>
#include <QSettings>

namespace tolvex {

namespace {
const QString kGroup = QStringLiteral("MainWindow");
// Past any screen made; a file claiming more is not one this program wrote.
constexpr int kLargest = 100000;
} // namespace

std::optional<WindowPlacement> WindowPlacement::load(const QString& file) {
    if (!QFileInfo(file).isFile()) return std::nullopt;
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) return std::nullopt;
    ini.beginGroup(kGroup);
    auto number = [&ini](const char* key, int lowest, int highest) -> std::optional<int> {
        bool ok = false;
        const int value = ini.value(QLatin1String(key)).toString().trimmed().toInt(&ok);
        if (!ok || value < lowest || value > highest) return std::nullopt;
        return value;
    };
    const auto left = number("left", -kLargest, kLargest);
    const auto top = number("top", -kLargest, kLargest);
    const auto width = number("width", 1, kLargest);
    const auto height = number("height", 1, kLargest);
    const auto maximised = number("maximised", 0, 1);
    bool shareOk = false;
    const double share = ini.value(QStringLiteral("receivedShare")).toString().trimmed().toDouble(&shareOk);
    if (!left || !top || !width || !height || !maximised || !shareOk || !(share >= 0 && share <= 1))
        return std::nullopt;
    WindowPlacement p;
    p.normal = QRect(*left, *top, *width, *height);
    p.maximised = *maximised == 1;
    p.receivedShare = share;
    return p;
}

bool WindowPlacement::save(const QString& file) const {
    QSettings ini(file, QSettings::IniFormat);
    ini.clear();
    ini.beginGroup(kGroup);
    ini.setValue(QStringLiteral("left"), normal.left());
    ini.setValue(QStringLiteral("top"), normal.top());
    ini.setValue(QStringLiteral("width"), normal.width());
    ini.setValue(QStringLiteral("height"), normal.height());
    ini.setValue(QStringLiteral("maximised"), maximised ? 1 : 0);
    ini.setValue(QStringLiteral("receivedShare"), QString::number(receivedShare, 'g', 6));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

WindowPlacement WindowPlacement::fittedTo(const QList<QRect>& screens) const {
    WindowPlacement fitted = *this;
    const bool onAScreen =
        !normal.isEmpty() &&
        std::any_of(screens.cbegin(), screens.cend(), [this](const QRect& s) { return s.contains(normal); });
    if (!onAScreen) fitted.normal = QRect();
    return fitted;
}

} // namespace tolvex
