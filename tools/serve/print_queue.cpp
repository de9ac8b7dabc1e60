#include "print_queue.h"

namespace dru::serve {

void Job::run() {
    run_(*this);
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    ended_cv_.notify_all();
}

void Job::abandon() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    ended_cv_.notify_all();
}

void Job::wait() {
    std::unique_lock lock(mutex_);
    ended_cv_.wait(lock, [this] { return ended_; });
}

bool Job::ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

PrintQueue::PrintQueue(std::size_t limit, std::function<void(Job&)> on_abandoned)
    : limit_(limit), on_abandoned_(std::move(on_abandoned)), worker_([this] { work(); }) {}

PrintQueue::~PrintQueue() {
    stop();
}

bool PrintQueue::push(std::shared_ptr<Job> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || waiting_.size() >= limit_) return false;
        waiting_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

std::string PrintQueue::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

std::vector<std::string> PrintQueue::waiting() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> keys;
    for (const auto& job : waiting_) keys.push_back(job->key());
    return keys;
}

void PrintQueue::stop() {
    std::deque<std::shared_ptr<Job>> left;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        left.swap(waiting_);
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    for (const auto& job : left) {
        on_abandoned_(*job);
        job->abandon();
    }
}

void PrintQueue::work() {
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
            running_ = job->key();
        }
        job->run();
        std::lock_guard lock(mutex_);
        running_.clear();
    }
}

}  // namespace dru::serve
