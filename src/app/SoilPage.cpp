#include "app/SoilPage.h"

#include "app/PageTools.h"

#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace tulo::app {

SoilPage::SoilPage(FormModel& form, QWidget* parent) : QWidget(parent) {
    auto* mandatory = new QLabel(QStringLiteral(" Blu cells are mandatory!"));
    mandatory->setObjectName(QStringLiteral("lblMandatory"));
    auto* note = new QLabel(QStringLiteral(
        "The soil is read only when \"Simulation of soil dynamics\" is ticked on the Control page. An empty "
        "optional cell is estimated from the texture. Drop a workbook here to import it."));
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mandatory);
    layout->addWidget(note);
    // The long headers wrap over three lines instead of widening the table past the window.
    layout->addWidget(GridView(form, ctl::sprSoilPhysics, this, 3), 1);
}

} // namespace tulo::app
