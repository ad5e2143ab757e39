#include "app/ConfigurationPage.h"

#include <QAction>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace tulo::app {

ConfigurationPage::ConfigurationPage(const QList<QAction*>& commands, QWidget* parent) : QWidget(parent) {
    file_ = new QLineEdit;
    file_->setObjectName(QStringLiteral("txtConfigurationName"));
    file_->setReadOnly(true);
    file_->setPlaceholderText(QStringLiteral("not saved yet"));
    auto* fileForm = new QFormLayout;
    fileForm->addRow(QStringLiteral("Configuration file"), file_);

    auto* buttons = new QHBoxLayout;
    for (QAction* command : commands) {
        auto* button = new QToolButton;
        button->setDefaultAction(command);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        buttons->addWidget(button);
    }
    buttons->addStretch();

    auto* holds = new QLabel(QStringLiteral(
        "<p>A configuration (<code>.sim</code>, plain text) keeps everything typed into the window for one "
        "simulation, so that it opens again in one step:</p><ul>"
        "<li>Control: the initial and final dates, the soil and diseases switches and the report option;</li>"
        "<li>Crop: every crop parameter, the development method and the sensitive period;</li>"
        "<li>Management: sowing date, latitude, irrigation strategy and water levels, the cold-shock "
        "protection, the water input and output tables, the blast product and treatment days;</li>"
        "<li>Weather: the whole table, estimated humidities included;</li>"
        "<li>Soil: the layers of the soil table.</li></ul>"
        "<p>The descriptions, the LAI option and the report's variables are not kept; the crop parameters "
        "alone travel as a crop workbook (File &gt; Save crop).</p>"));
    holds->setWordWrap(true);
    holds->setTextFormat(Qt::RichText);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileForm);
    layout->addLayout(buttons);
    layout->addWidget(holds);
    layout->addStretch();
}

void ConfigurationPage::setFile(const QString& file) {
    file_->setText(QDir::toNativeSeparators(file));
}

} // namespace tulo::app
