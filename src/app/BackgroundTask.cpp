#include "app/BackgroundTask.h"

namespace tulo::app {

void BackgroundTask::Run::post(std::function<void()> step) const {
    // Queued on the task: a task destroyed meanwhile takes the step with it, unrun.
    QMetaObject::invokeMethod(
        task_,
        [task = task_, generation = generation_, step = std::move(step)] { task->deliver(generation, step); },
        Qt::QueuedConnection);
}

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask() {
    abandon();
}

void BackgroundTask::start(Job job) {
    abandon();
    stop_.store(false);
    const Run run(this, ++generation_);
    worker_ = std::thread([run, job = std::move(job)] {
        std::function<void()> finish = job(run);
        run.post([task = run.task_, finish = std::move(finish)] {
            // The thread has posted its last step: it ends at once, and the window sees it ended.
            task->worker_.join();
            if (finish) finish();
        });
    });
}

void BackgroundTask::abandon() {
    ++generation_;
    stop_.store(true);
    if (worker_.joinable()) worker_.join();
}

void BackgroundTask::deliver(int generation, const std::function<void()>& step) {
    if (generation == generation_) step();
}

} // namespace tulo::app
