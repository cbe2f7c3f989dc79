#include "cli/FilePool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/ToolSupport.h"

namespace compoundparser {
namespace cli {
namespace {

// Runs one file, turning an exception into the file's failure message.
int RunOne(const FileWork& work, size_t index, unsigned worker, MessageSink& sink) {
  try {
    return work(index, worker, sink);
  } catch (const UsageError& e) {
    sink.Write(std::string("compoundparser: ") + e.what() + "\n");
    return kExitUsage;
  } catch (const std::exception& e) {
    sink.Write(std::string("compoundparser: unexpected failure: ") + e.what() + "\n");
    return kExitFailed;
  }
}

}  // namespace

unsigned DefaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

int RunFiles(size_t count, unsigned threads, const FileWork& work) {
  int worst = kExitSuccess;
  if (threads <= 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      MessageSink sink(false);
      worst = std::max(worst, RunOne(work, i, 0, sink));
    }
    return worst;
  }
  threads = static_cast<unsigned>(std::min<size_t>(threads, count));
  struct Slot {
    MessageSink sink{true};
    int code = kExitSuccess;
    bool done = false;
  };
  std::vector<std::unique_ptr<Slot>> slots;
  for (size_t i = 0; i < count; ++i) slots.push_back(std::make_unique<Slot>());
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<std::thread> pool;
  for (unsigned worker = 0; worker < threads; ++worker) {
    pool.emplace_back([&, worker] {
      for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
        const int code = RunOne(work, i, worker, slots[i]->sink);
        std::lock_guard<std::mutex> lock(mutex);
        slots[i]->code = code;
        slots[i]->done = true;
        finished.notify_all();
      }
    });
  }
  // Prints each file's messages as soon as it and every file before it are done.
  for (size_t i = 0; i < count; ++i) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return slots[i]->done; });
    }
    slots[i]->sink.Flush();
    worst = std::max(worst, slots[i]->code);
    slots[i].reset();
  }
  for (std::thread& thread : pool) thread.join();
  return worst;
}

}  // namespace cli
}  // namespace compoundparser
