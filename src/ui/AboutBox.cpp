#include "AboutBox.h"

#include "Controls.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex {

AboutBox::AboutBox(QWidget* parent) : CentredOnFirstShow<QDialog>(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tolvex"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* box = new QVBoxLayout(this);
    auto* release = elements_.add(frmAbout::Label1, new QLabel(QStringLiteral("Tolvex  release  2.1"), this));
    QFont font{QStringLiteral("Arial")};
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(12);
    font.setBold(true);
    release->setFont(font);
    release->setAlignment(Qt::AlignCenter);
    auto* date = elements_.add(frmAbout::Label2, new QLabel(QStringLiteral("February 2004"), this));
    date->setAlignment(Qt::AlignCenter);
    auto* ok = elements_.add(frmAbout::cmdOK, new QPushButton(QStringLiteral("&OK"), this));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    box->addWidget(release);
    box->addWidget(date);
    box->addWidget(ok, 0, Qt::AlignHCenter);
    adjustSize();
}

} // namespace tolvex
