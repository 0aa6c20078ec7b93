#pragma once
// "ICS-309 Log": asks for the operational period, the incident, the operator and the file, then
// writes the station's communications log there (CSV or PDF by the file's extension). Not modal;
// it deletes itself when closed, and every answer comes through a box that does not wait.
#include "Controls.h"
#include "ElementTable.h"
#include "core/Platform.h"

#include <QDialog>

class QDateTimeEdit;
class QLineEdit;

namespace tolvex {

using Ics309Element = ElementName<struct Ics309WindowTag>;

namespace frmIcs309 {
inline constexpr Ics309Element dtpFrom{"dtpFrom"};
inline constexpr Ics309Element dtpTo{"dtpTo"};
inline constexpr Ics309Element txtIncident{"txtIncident"};
inline constexpr Ics309Element txtOperator{"txtOperator"};
inline constexpr Ics309Element txtFile{"txtFile"};
inline constexpr Ics309Element cmdBrowse{"cmdBrowse"};
inline constexpr Ics309Element cmdWrite{"cmdWrite"};
inline constexpr Ics309Element cmdCancel{"cmdCancel"};
} // namespace frmIcs309

class Ics309Dialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // stationDir holds Parms.inf and Messages; boxes must outlive the dialog. The period offered is
    // today from midnight to the coming minute, the operator the station's call.
    Ics309Dialog(const QString& stationDir, MessageBoxes& boxes, QWidget* parent = nullptr);

    // Shows a new dialog (not modal) and returns it.
    static Ics309Dialog* openFor(const QString& stationDir, MessageBoxes& boxes, QWidget* parent);

    // The Write button: writes the log; the dialog closes once it is written.
    void write();

private:
    void chooseFile();

    ElementTable<Ics309Element> elements_;
    QString stationDir_;
    MessageBoxes& boxes_;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
    QLineEdit* incident_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QLineEdit* file_ = nullptr;
};

} // namespace tolvex
