#include "Ics309Export.h"

#include "core/ParmsFile.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <array>

namespace tolvex {

namespace {

// The form is laid out in points on US Letter, as the paper form is.
constexpr qreal kMargin = 36;
constexpr qreal kPad = 3;
constexpr qreal kBodyPoints = 9;

QFont formFont(qreal points, bool bold = false) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Wrapped between words; a word wider than its cell (a call sign from the air, say) is broken
// anywhere instead of running into the next cell.
int textFlags(const QFontMetricsF& metrics, const QString& text, qreal width) {
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (metrics.horizontalAdvance(word) > width) return flags | Qt::TextWrapAnywhere;
    return flags;
}

// The form's pages: blocks 1 to 3 on top, the log's column headings, its rows, block 5 and the
// page number at the foot, the same on every page.
class FormPainter {
public:
    FormPainter(QPainter& painter, const Ics309Form& form, const QRectF& page)
        : p_(painter), form_(form), page_(page), body_(formFont(kBodyPoints)),
          bold_(formFont(kBodyPoints, true)), title_(formFont(13, true)) {
        const bool oneDay = form.from.date() == form.to.addSecs(-1).date();
        const qreal time = oneDay ? 40 : 90;
        const std::array<qreal, 5> fixed = {time, 84, 40, 84, 40};
        qreal left = page.left();
        for (size_t i = 0; i < fixed.size(); ++i) {
            columns_[i] = {left, fixed[i]};
            left += fixed[i];
        }
        columns_[5] = {left, page.right() - left};
    }

    qreal rowHeight(const QStringList& cells) const {
        const QFontMetricsF metrics(body_, p_.device());
        qreal height = metrics.height();
        for (int i = 0; i < cells.size(); ++i) {
            const QRectF box(0, 0, columns_[size_t(i)].width - 2 * kPad, 1e6);
            height = std::max(
                height, metrics.boundingRect(box, textFlags(metrics, cells.at(i), box.width()), cells.at(i))
                            .height());
        }
        return height + 2 * kPad;
    }

    // Where rows may go on every page.
    qreal rowsTop() const { return page_.top() + headHeight(); }
    qreal rowsBottom() const { return page_.bottom() - footHeight(); }

    void drawPage(int number, int count) {
        drawHead(number, count);
        drawFoot(number, count);
    }

    void drawRow(qreal top, qreal height, const QStringList& cells) {
        p_.setFont(body_);
        const QFontMetricsF metrics(body_, p_.device());
        for (int i = 0; i < cells.size(); ++i) {
            const Column& c = columns_[size_t(i)];
            p_.drawRect(QRectF(c.left, top, c.width, height));
            const QRectF box(c.left + kPad, top + kPad, c.width - 2 * kPad, height - 2 * kPad);
            p_.drawText(box, textFlags(metrics, cells.at(i), box.width()), cells.at(i));
        }
    }

    static QStringList headings() {
        // Two lines each, broken where the paper form breaks them.
        return {QStringLiteral("Time"),        QStringLiteral("FROM\nCall Sign/ID"),
                QStringLiteral("FROM\nMsg #"), QStringLiteral("TO\nCall Sign/ID"),
                QStringLiteral("TO\nMsg #"),   QStringLiteral("Message")};
    }

private:
    struct Column {
        qreal left = 0, width = 0;
    };

    qreal line() const { return QFontMetricsF(body_, p_.device()).height() + 2 * kPad; }
    qreal headHeight() const { return 22 + 5 * line() + rowHeight(headings()); }
    qreal footHeight() const { return line() + 6; }

    // A labelled box: the label in bold, the value after it.
    void field(const QRectF& box, const QString& label, const QString& value) {
        p_.drawRect(box);
        const QRectF inner = box.adjusted(kPad, kPad, -kPad, -kPad);
        p_.setFont(bold_);
        const qreal labelWidth =
            QFontMetricsF(bold_, p_.device()).horizontalAdvance(label + QLatin1Char(' '));
        p_.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, label);
        p_.setFont(body_);
        const QRectF valueBox = inner.adjusted(labelWidth, 0, 0, 0);
        p_.drawText(valueBox, Qt::AlignLeft | Qt::AlignVCenter,
                    QFontMetricsF(body_, p_.device())
                        .elidedText(ics309Text(value), Qt::ElideRight, valueBox.width()));
    }

    void drawHead(int number, int count) {
        const qreal left = page_.left(), width = page_.width();
        qreal top = page_.top();
        p_.setFont(title_);
        p_.drawText(QRectF(left, top, width, 20), Qt::AlignLeft | Qt::AlignVCenter,
                    QStringLiteral("COMMUNICATIONS LOG (ICS 309)"));
        p_.setFont(body_);
        p_.drawText(QRectF(left, top, width, 20), Qt::AlignRight | Qt::AlignVCenter, pageText(number, count));
        top += 22;
        const qreal h = line();
        field(QRectF(left, top, width, h), QStringLiteral("1. Incident Name:"), form_.incident);
        top += h;
        field(QRectF(left, top, width, h), QStringLiteral("2. Operational Period:"),
              QStringLiteral("From ") + localDateTimeText(form_.from) + QStringLiteral("  To ") +
                  localDateTimeText(form_.to));
        top += h;
        field(QRectF(left, top, width, h), QStringLiteral("3. Radio Operator (Name, Station ID):"),
              form_.operatorName + QStringLiteral(", ") + form_.stationId);
        top += h;
        field(QRectF(left, top, width, h), QStringLiteral("Times are local:"), form_.zone);
        top += h;
        p_.setFont(bold_);
        p_.drawText(QRectF(left, top, width, h), Qt::AlignLeft | Qt::AlignVCenter,
                    QStringLiteral("4. Communications Log"));
        top += h;
        p_.save();
        p_.setBrush(QColor(225, 225, 225));
        const QStringList names = headings();
        const qreal headingHeight = rowHeight(names);
        for (int i = 0; i < names.size(); ++i) {
            const Column& c = columns_[size_t(i)];
            p_.drawRect(QRectF(c.left, top, c.width, headingHeight));
        }
        p_.restore();
        p_.setFont(bold_);
        for (int i = 0; i < names.size(); ++i) {
            const Column& c = columns_[size_t(i)];
            p_.drawText(QRectF(c.left + kPad, top + kPad, c.width - 2 * kPad, headingHeight - 2 * kPad),
                        Qt::AlignLeft | Qt::AlignTop, names.at(i));
        }
    }

    void drawFoot(int number, int count) {
        const qreal h = line();
        const QRectF box(page_.left(), page_.bottom() - h, page_.width(), h);
        field(box, QStringLiteral("5. Prepared By:"),
              form_.operatorName + QStringLiteral("   Date & Time Prepared: ") +
                  localDateTimeText(form_.prepared));
        p_.setFont(body_);
        p_.drawText(box.adjusted(kPad, 0, -kPad, 0), Qt::AlignRight | Qt::AlignVCenter,
                    pageText(number, count));
    }

    static QString pageText(int number, int count) {
        return QStringLiteral("Page %1 of %2").arg(number).arg(count);
    }

    QPainter& p_;
    const Ics309Form& form_;
    QRectF page_;
    QFont body_, bold_, title_;
    std::array<Column, 6> columns_;
};

QString lowerSuffix(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

} // namespace

StationCall readStationCall(const QString& stationDir) {
    if (!QFileInfo(stationDir).isDir()) return {{}, QStringLiteral("no station folder at ") + stationDir};
    QFile parms(QDir(stationDir).filePath(QStringLiteral("Parms.inf")));
    Settings settings;
    if (!parms.open(QIODevice::ReadOnly) || !readParms(parms, settings))
        return {{}, stationDir + QStringLiteral(" holds no readable Parms.inf: not a station folder")};
    return {QString::fromLatin1(settings.Callsign).trimmed(), {}};
}

QString writeIcs309Pdf(const QString& path, const Ics309Form& form, const std::vector<Ics309Row>& rows) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString();
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("ICS 309 Communications Log"));
        writer.setCreator(QStringLiteral("Tolvex"));
        writer.setResolution(72); // one unit a point
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                         QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Point));
        QPainter painter;
        if (!painter.begin(&writer)) return QStringLiteral("cannot write the PDF form into ") + path;
        painter.setPen(QPen(Qt::black, 0.5));
        const QRectF page(QPointF(0, 0), writer.pageLayout().paintRect(QPageLayout::Point).size());
        FormPainter formPainter(painter, form, page);

        // Lay the rows out first, so every page knows how many there are.
        struct Placed {
            int page;
            qreal top, height;
            QStringList cells;
        };
        std::vector<Placed> placed;
        placed.reserve(rows.size());
        int pageCount = 1;
        qreal top = formPainter.rowsTop();
        for (const Ics309Row& row : rows) {
            QStringList cells = {ics309TimeText(form, row.time),
                                 row.fromCall,
                                 row.fromNumber,
                                 row.toCall,
                                 row.toNumber,
                                 row.message};
            for (QString& cell : cells)
                cell = ics309Text(cell);
            const qreal height = formPainter.rowHeight(cells);
            if (top + height > formPainter.rowsBottom() && top > formPainter.rowsTop()) {
                ++pageCount;
                top = formPainter.rowsTop();
            }
            placed.push_back({pageCount, top, height, std::move(cells)});
            top += height;
        }
        size_t next = 0;
        for (int number = 1; number <= pageCount; ++number) {
            if (number > 1) writer.newPage();
            formPainter.drawPage(number, pageCount);
            for (; next < placed.size() && placed[next].page == number; ++next)
                formPainter.drawRow(placed[next].top, placed[next].height, placed[next].cells);
        }
        if (!painter.end()) return QStringLiteral("cannot write the PDF form into ") + path;
    }
    if (!file.commit())
        return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString();
    return {};
}

Ics309Result exportIcs309(const Ics309Request& request, const QTimeZone& zone, const QDateTime& prepared) {
    Ics309Result result;
    const QString suffix = lowerSuffix(request.outputPath);
    if (suffix != QLatin1String("csv") && suffix != QLatin1String("pdf")) {
        result.error = QStringLiteral("the file name must end in .csv or .pdf: ") + request.outputPath;
        return result;
    }
    if (!request.from.isValid() || !request.to.isValid() || request.to <= request.from) {
        result.error = QStringLiteral("the period must end after it starts");
        return result;
    }
    const StationCall station = readStationCall(request.stationDir);
    if (!station.error.isEmpty()) {
        result.error = station.error;
        return result;
    }
    Ics309Form form;
    form.incident = request.incident;
    form.from = request.from;
    form.to = request.to;
    form.operatorName = request.operatorName.trimmed().isEmpty() ? station.call : request.operatorName;
    form.stationId = station.call;
    form.zone = zoneText(zone, request.from, request.to);
    form.prepared =
        QDateTime(prepared.date(), QTime(prepared.time().hour(), prepared.time().minute()), Qt::UTC);

    Ics309Rows collected = collectIcs309(request.stationDir, station.call, request.from, request.to, zone);
    result.notices = std::move(collected.notices);
    result.rows = int(collected.rows.size());
    if (suffix == QLatin1String("pdf")) {
        result.error = writeIcs309Pdf(request.outputPath, form, collected.rows);
        return result;
    }
    QSaveFile file(request.outputPath);
    const QByteArray csv = ics309Csv(form, collected.rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit())
        result.error =
            QStringLiteral("cannot write ") + request.outputPath + QStringLiteral(": ") + file.errorString();
    return result;
}

Ics309Result exportIcs309(const Ics309Request& request) {
    const QTimeZone zone = QTimeZone::systemTimeZone();
    return exportIcs309(request, zone, QDateTime::currentDateTime().toTimeZone(zone));
}

} // namespace tolvex
