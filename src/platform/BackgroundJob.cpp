#include "platform/BackgroundJob.h"

#include <utility>

BackgroundJob::~BackgroundJob() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !job_; });
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundJob::Start(std::function<void()> job) {
  Wait();
  {
    std::lock_guard lock(mutex_);
    job_ = std::move(job);
  }
  if (!thread_.joinable()) {
    thread_ = std::thread([this] { Run(); });
  } else {
    changed_.notify_all();
  }
}

void BackgroundJob::Wait() {
  std::exception_ptr thrown;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !job_; });
    std::swap(thrown, thrown_);
  }
  if (thrown) std::rethrow_exception(thrown);
}

void BackgroundJob::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return job_ || quit_; });
    if (quit_) return;
    lock.unlock();
    std::exception_ptr thrown;
    try {
      job_();
    } catch (...) {
      thrown = std::current_exception();
    }
    lock.lock();
    thrown_ = thrown;
    job_ = nullptr;
    changed_.notify_all();
  }
}
