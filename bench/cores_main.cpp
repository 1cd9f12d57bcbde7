// The peer of the check's decoding: N bare TurboJPEG loops side by side on N threads, each over
// every frame of the recording held in memory. Prints "frames seconds": the frames all loops
// decoded together and the median wall time of one round, over REPS rounds.
//
//   vistrel_bench_cores FILE N REPS

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "TurboJpegLoop.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vistrel_bench_cores FILE N REPS\n");
    return 2;
  }
  const int loops = std::max(1, std::atoi(argv[2]));
  const int reps = std::max(1, std::atoi(argv[3]));
  std::vector<std::unique_ptr<vbench::TurboJpegLoop>> each;
  for (int k = 0; k < loops; ++k) each.push_back(std::make_unique<vbench::TurboJpegLoop>(argv[1]));
  std::vector<double> seconds;
  for (int r = 0; r < reps; ++r) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (auto& loop : each) threads.emplace_back([&loop] { loop->Run(); });
    for (std::thread& t : threads) t.join();
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%lld %.6f\n", static_cast<long long>(each.front()->FrameCount() * loops), seconds[seconds.size() / 2]);
  return 0;
}
