// The main window's commands that open the two automatic calibration windows and the phenology window.

#include "app/AutoCalWindow.h"
#include "app/LaiExoWindow.h"
#include "app/MainWindow.h"
#include "app/MultiPointAutoCalWindow.h"
#include "app/PhenologyWindow.h"
#include "app/ReinitWindow.h"

#include <QAction>
#include <QIcon>

namespace tulo::app {

namespace {

template <class Window> Window* ShowWindow(Window* window) {
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace

void MainWindow::createCalibrationActions() {
    const auto action = [this](const char* name, const QString& text, const QString& iconText,
                               const QString& icon, const QString& tip, auto slot) {
        auto* a = new QAction(QIcon(icon), text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setIconText(iconText);
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    autoCalAction_ =
        action("mnuAC", QStringLiteral("Automatic &calibration..."), QStringLiteral("Calibration"),
               QStringLiteral(":/tulo/icons/calibrate.svg"),
               QStringLiteral("Fit two or three crop parameters to measured AGB (and LAI) of this season"),
               [this] { openAutoCalibration(); });
    multiPointCalAction_ =
        action("mnuMPAC", QStringLiteral("&Multi-site calibration..."), QStringLiteral("Multi-site"),
               QStringLiteral(":/tulo/icons/calibrate-sites.svg"),
               QStringLiteral("Fit two or three crop parameters to up to five sites or seasons at once"),
               [this] { openMultiPointCalibration(); });
    phenologyAction_ = new QAction(QStringLiteral("Phenology from observed dates…"), this);
    phenologyAction_->setObjectName(QStringLiteral("mnuPhenology"));
    phenologyAction_->setToolTip(
        QStringLiteral("Fit the thermal times to the days the crop emerged, flowered and matured"));
    connect(phenologyAction_, &QAction::triggered, this, [this] { openPhenology(); });
}

AutoCalWindow* MainWindow::openAutoCalibration() {
    if (!autoCal_) autoCal_ = new AutoCalWindow(form_, *ui_, this);
    return ShowWindow(autoCal_);
}

MultiPointAutoCalWindow* MainWindow::openMultiPointCalibration() {
    if (!multiPointCal_) multiPointCal_ = new MultiPointAutoCalWindow(form_, *ui_, this);
    return ShowWindow(multiPointCal_);
}

ReinitWindow* MainWindow::openReinit() {
    if (!reinit_)
        reinit_ = new ReinitWindow(
            form_, [this](Problems& problems) { return laiExo_->points(problems); }, this);
    return ShowWindow(reinit_);
}

PhenologyWindow* MainWindow::openPhenology() {
    if (!phenology_) phenology_ = new PhenologyWindow(form_, this);
    return ShowWindow(phenology_);
}

} // namespace tulo::app
