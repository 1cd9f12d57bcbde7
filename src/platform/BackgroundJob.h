#pragma once
// Promises: runs one job at a time on a thread of its own, started by Start and finished by
// Wait, which hands back what the job threw. The thread lives as long as this object; the
// destructor waits for a job still running.
// Never: runs two jobs at once, or lets a job's exception escape on its own thread.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class BackgroundJob {
 public:
  BackgroundJob() = default;
  ~BackgroundJob();
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;

  // Hands the job to the thread (starting the thread the first time); waits for an earlier
  // job first.
  void Start(std::function<void()> job);
  // Returns once the job handed over last has finished (at once when there is none) and
  // rethrows what it threw.
  void Wait();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;  // the job waiting to run or running; empty when done
  std::exception_ptr thrown_;
  bool quit_ = false;
  std::thread thread_;  // last, so that it starts after the members it uses exist
};
