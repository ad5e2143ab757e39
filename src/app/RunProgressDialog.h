#pragma once
// The progress window of the sensitivity analysis's sample runs (frmRitardo): which season is running
// out of how many, a progress bar, and Cancel. The runs happen on other threads and only count into a
// RunProgress; the window reads it on a timer, so that no run waits for the display.

#include <QDialog>

#include <atomic>
#include <cstddef>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tulo::app {

// Shared by the runs, which count and read `cancelled`, and the window, which shows and sets it.
struct RunProgress {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0}; // 0 while the sample is being drawn
    std::atomic<bool> cancelled{false};
};

class RunProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit RunProgressDialog(QWidget* parent = nullptr);

    // Shows the window for these runs and follows them until stop().
    void start(std::shared_ptr<RunProgress> progress);
    void stop();
    // The caption line as last drawn.
    QString caption() const;

protected:
    void reject() override; // closing the window cancels

private:
    void refresh();
    void cancel();

    std::shared_ptr<RunProgress> progress_;
    QLabel* caption_ = nullptr;
    QLabel* run_ = nullptr;
    QLabel* runs_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace tulo::app
