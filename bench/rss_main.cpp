// vistrel_bench_rss: one frame-step walk (find, decode, no painting) over a recording in a
// process of its own, then its peak resident memory. Nothing else is loaded or kept, so
// the peak is what the walk needs.
//
//   vistrel_bench_rss FILE   prints: frames=N bytes=B seconds=S fps=F maxrss_kib=K

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchFiles.h"
#include "ForwardWalk.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vistrel_bench_rss FILE\n");
    return 1;
  }
  const std::string path = argv[1];
  vbench::WarmPageCache(path);
  vbench::ForwardWalk walk(path, true);
  const auto t0 = std::chrono::steady_clock::now();
  const std::int64_t frames = walk.Run();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("frames=%lld bytes=%lld seconds=%.3f fps=%.1f maxrss_kib=%ld\n", static_cast<long long>(frames),
              static_cast<long long>(walk.FileLength()), seconds, frames / seconds, vbench::PeakRssKiB());
  return walk.DecodeFailed() ? 3 : 0;
}
