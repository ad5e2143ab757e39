#pragma once
// Tab 6, Evaluation: the variable to evaluate, the measurements opened, the simulated series against them
// over the season and on a 1:1 chart with the regression line, and the table of every parameter
// combination evaluated, each with a button that brings it back.

#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QTableView;

namespace tulo {
class EvaluationSession;
struct ShownEvaluation;
} // namespace tulo

namespace tulo::app {

class ChartView;
class GridTableModel;

class EvaluationPage : public QWidget {
    Q_OBJECT
public:
    explicit EvaluationPage(const EvaluationSession& session, QWidget* parent = nullptr);

    // Empties the variable list and fills it with `names`, keeping the variable chosen.
    void setVariables(const std::vector<std::string>& names);
    // The variable chosen; empty when none is.
    std::string variable() const;
    // Shows the session as it is now: measurements, charts, label and fitting table.
    void refresh();

    QComboBox* variableBox() const { return variable_; }
    ChartView* evaluationChart() const { return evaluation_; }
    ChartView* oneToOneChart() const { return oneToOne_; }
    QTableView* fittingView() const { return fitting_; }

signals:
    // The button of fitting row k was pressed.
    void combinationRequested(int k);
    // The user chose another variable.
    void variableChosen();

private:
    void showCharts();
    // The season's simulated and measured values by day, and each pair against the 1:1 line.
    void showSeason(const ShownEvaluation& latest);
    void showOneToOne(const ShownEvaluation& latest);
    void showFitting();

    const EvaluationSession& session_;
    QComboBox* variable_ = nullptr;
    QLabel* r2_ = nullptr;
    QLabel* notes_ = nullptr;
    QTableView* measured_ = nullptr;
    GridTableModel* measuredModel_ = nullptr;
    ChartView* evaluation_ = nullptr;
    ChartView* oneToOne_ = nullptr;
    QTableView* fitting_ = nullptr;
    GridTableModel* fittingModel_ = nullptr;
};

} // namespace tulo::app
