#pragma once
// Tab 6, Evaluation: where the simulated series will be compared with measured data.

#include <QWidget>

namespace tulo::app {

class EvaluationPage : public QWidget {
    Q_OBJECT
public:
    explicit EvaluationPage(QWidget* parent = nullptr);
};

} // namespace tulo::app
