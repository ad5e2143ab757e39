#include "app/EvaluationPage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tulo::app {

EvaluationPage::EvaluationPage(QWidget* parent) : QWidget(parent) {
    auto* text = new QLabel(QStringLiteral(
        "<h3>Evaluation against measured data</h3>"
        "<p>This page compares a simulated series with field measurements: agreement indices, a regression "
        "with its analysis of variance, and the fitting matrix of every parameter combination tried. It "
        "fills once measured data are opened after a run; the window cannot open them yet.</p>"
        "<p>Meanwhile the command line evaluates a run: <code>tulo-cli evaluate CONFIG.sim --measured FILE "
        "--variable NAME</code>.</p>"));
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addStretch();
}

} // namespace tulo::app
