#pragma once
// One long command of a window at a time, off the window's thread: the calibration searches, the
// reinitialization from remotely sensed LAI and both steps of the sensitivity analysis. The job polls a
// stop flag; what it hands the window (progress, then its result) runs on the window's thread, queued,
// and only while the run it came from is still the current one, so that a run abandoned or replaced by a
// new one delivers nothing more. The task waits for its job when it goes, so that a window closed during
// a run leaves no thread behind writing into it.

#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace tulo::app {

class BackgroundTask : public QObject {
    Q_OBJECT
public:
    // What a job sees of its run; cheap to copy into the callbacks the core calls.
    class Run {
    public:
        bool stopRequested() const { return stop_->load(); }
        const std::atomic<bool>* stopFlag() const { return stop_; }
        // `step` runs on the window's thread later, unless the run is no longer current by then.
        void post(std::function<void()> step) const;

    private:
        friend class BackgroundTask;
        Run(BackgroundTask* task, int generation)
            : task_(task), stop_(&task->stop_), generation_(generation) {}
        BackgroundTask* task_;
        const std::atomic<bool>* stop_;
        int generation_;
    };
    // A job returns what the window does with its result; that runs once the job's thread has ended.
    using Job = std::function<std::function<void()>(const Run& run)>;

    explicit BackgroundTask(QObject* parent = nullptr);
    ~BackgroundTask() override;

    // Starts `job`, abandoning a run still going.
    void start(Job job);
    bool running() const { return worker_.joinable(); }
    // Asks the job to stop; whatever it returns is still delivered.
    void cancel() { stop_.store(true); }
    // Asks the job to stop and waits for it: nothing of it is delivered any more.
    void abandon();

private:
    void deliver(int generation, const std::function<void()>& step);

    std::thread worker_;
    std::atomic<bool> stop_{false};
    int generation_ = 0; // read and written on the window's thread only
};

// Progress more often than ten times a second would only keep the window's thread busy drawing. Used by
// the job, on its own thread.
class ProgressPace {
public:
    // True when progress was last shown long enough ago (and then counts from now).
    bool due() {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100)) return false;
        last_ = now;
        return true;
    }

private:
    std::chrono::steady_clock::time_point last_{};
};

} // namespace tulo::app
