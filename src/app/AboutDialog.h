#pragma once
// Help > About: the program's version, its licence and the libraries it runs on.

#include <QDialog>

namespace tulo::app {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace tulo::app
