#pragma once
// The group dialog, frmGroup: one box per group entry and Done. Not modal; deletes itself when
// closed. Closing it without Done keeps the entries as they were.
#include "Controls.h"
#include "ElementTable.h"
#include "net/Broadcasts.h"

#include <QWidget>
#include <memory>

namespace tolvex {

class GroupWindow : public CentredOnFirstShow<QWidget> {
    Q_OBJECT
public:
    // station, store and broadcasts must outlive the window.
    GroupWindow(Station& station, ParmsStore& store, Broadcasts& broadcasts, QWidget* parent = nullptr);
    ~GroupWindow() override;

    const ElementTable<GroupElement>& elements() const { return elements_; }

private:
    class View;

    ElementTable<GroupElement> elements_;
    std::unique_ptr<View> view_;
    std::unique_ptr<GroupSetup> setup_;
};

} // namespace tolvex
