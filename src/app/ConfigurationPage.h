#pragma once
// Tab 7, Configuration: the configuration file in use and what a configuration holds.

#include <QList>
#include <QWidget>

class QAction;
class QLineEdit;

namespace tulo::app {

class ConfigurationPage : public QWidget {
    Q_OBJECT
public:
    // `commands` are offered as buttons (open, save, save as, new).
    explicit ConfigurationPage(const QList<QAction*>& commands, QWidget* parent = nullptr);

    // The file's full name; empty for a configuration never saved.
    void setFile(const QString& file);

private:
    QLineEdit* file_ = nullptr;
};

} // namespace tulo::app
