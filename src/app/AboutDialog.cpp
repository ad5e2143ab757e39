#include "app/AboutDialog.h"

#include "app/PageTools.h"
#include "io/LibraryVersions.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>
#include <QtGlobal>

namespace tulo::app {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About TULO"));

    QString libraries =
        QStringLiteral("<tr><td>Qt (Widgets, Charts, SVG)</td><td>%1 (built with %2)</td></tr>")
            .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
    for (const auto& [name, version] : LibraryVersions())
        libraries += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(Qs(name), Qs(version));
    libraries += QStringLiteral("<tr><td>C++ compiler</td><td>%1</td></tr>").arg(QStringLiteral(__VERSION__));

    auto* text = new QLabel(
        QStringLiteral("<h2>TULO %1</h2>"
                       "<p>Simulation of a paddy rice crop, day by day over one season at one site: "
                       "development, biomass and its partitioning, leaf area, cold-induced sterility, "
                       "floodwater and apex temperatures, the water balance and rice blast.</p>"
                       "<p>Copyright the TULO authors. All rights reserved.</p>"
                       "<p>Libraries:</p><table cellspacing=\"4\">%2</table>")
            .arg(QStringLiteral(TULO_VERSION), libraries));
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setMinimumWidth(420);

    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/tulo/icons/tulo.svg")).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

} // namespace tulo::app
