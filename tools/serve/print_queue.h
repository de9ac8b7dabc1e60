// One printer, one line: the jobs wait in one FIFO queue of bounded length
// and one worker thread runs them, one at a time. Whoever sent a job, or the
// same key again, waits on the job itself.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dru::serve {

// A job on its way: what the worker runs, and its answer once it ended.
class Job {
  public:
    Job(std::string key, std::function<void(Job&)> run) : key_(std::move(key)), run_(std::move(run)) {}
    const std::string& key() const { return key_; }
    // Called by the worker: runs the job and wakes everybody waiting on it.
    void run();
    // Called when the job will never run (the service stops first).
    void abandon();
    // Waits until the job ended.
    void wait();
    bool ended() const;

  private:
    std::string key_;
    std::function<void(Job&)> run_;
    mutable std::mutex mutex_;
    std::condition_variable ended_cv_;
    bool ended_ = false;
};

class PrintQueue {
  public:
    // `on_abandoned` is told of each job still waiting when the queue stops.
    PrintQueue(std::size_t limit, std::function<void(Job&)> on_abandoned);
    PrintQueue(const PrintQueue&) = delete;
    PrintQueue& operator=(const PrintQueue&) = delete;
    ~PrintQueue();  // stops: the job on the line ends first

    // False when `limit` jobs are waiting already.
    bool push(std::shared_ptr<Job> job);
    // The job on the line, and those waiting, in order.
    std::string running() const;
    std::vector<std::string> waiting() const;
    std::size_t limit() const { return limit_; }
    // Takes no more jobs, lets the running one end, abandons the rest.
    void stop();

  private:
    void work();

    const std::size_t limit_;
    std::function<void(Job&)> on_abandoned_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> waiting_;
    std::string running_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace dru::serve
