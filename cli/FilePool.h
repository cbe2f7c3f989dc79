// The files of one command, run one after another or on a pool of worker
// threads, one file per thread at a time. Each file's messages are held in
// its own sink and printed in the order of the command line, so that the
// output of a run on N threads is the output of a run on one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/ConsoleCallBack.h"

namespace compoundparser {
namespace cli {

// The work on one file: `worker` numbers the thread (0 .. threads - 1), so
// that each keeps library objects of its own; `index` numbers the file.
// Returns the file's exit code.
using FileWork = std::function<int(size_t index, unsigned worker, MessageSink& sink)>;

// Runs `work` for files 0 .. count - 1 on up to `threads` worker threads (one
// file on the calling thread, with messages printed at once). Returns the
// worst exit code of the files (0 when every file succeeded).
int RunFiles(size_t count, unsigned threads, const FileWork& work);

// Returns the number of threads that -j 0 (the default) means: the cores of
// the machine.
unsigned DefaultThreads();

}  // namespace cli
}  // namespace compoundparser
