#include "cluster/work_queue.h"

#include "core/log_line.h"

#include <exception>
#include <string>

namespace mossquill::service {
namespace {

void RunLogged(const std::function<void()>& job) {
    try {
        job();
    } catch (const std::exception& error) {
        LogEvent("redis_work_failed", {{"error", error.what()}});
    }
}

}  // namespace

WorkQueue::WorkQueue(std::size_t capacity, std::function<void()> idle)
    : capacity_(capacity), idle_(std::move(idle)), thread_([this] { Run(); }) {}

WorkQueue::~WorkQueue() { Stop(); }

bool WorkQueue::Post(std::function<void()> job) {
    if (std::this_thread::get_id() == thread_.get_id()) {
        job();
        return true;
    }
    {
        const std::lock_guard lock(mutex_);
        if (stopping_ || jobs_.size() >= capacity_) {
            return false;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void WorkQueue::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void WorkQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (jobs_.empty() && idle_) {
            lock.unlock();
            RunLogged(idle_);
            lock.lock();
        }
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return;  // stopping, and nothing left
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        RunLogged(job);
        lock.lock();
    }
}

}  // namespace mossquill::service
