#pragma once
// Runs the codec over a stream of blocks, on worker threads when asked, and hands the results
// back in the order the blocks came in. With one thread everything runs on the caller's thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "model/types4kvo.h"

namespace kvo {

// The buffers of a block travel with it and come back for later blocks, so a run allocates and
// faults in its memory once, not once per block.
struct PipelineBlock {
    std::uint64_t index = 0;      // counted from 0 in file order
    std::uint64_t sourceEnd = 0;  // source position behind the block
    T1DimByteArr input;           // the block as read
    T1DimByteArr output;          // what the work made of it, to be written
    T1DimByteArr check;           // room for checking the output
};

class BlockPipeline {
  public:
    using Work = std::function<void(PipelineBlock&)>;
    using Emit = std::function<void(const PipelineBlock&)>;

    // At most one block per thread and one more are held at a time, which bounds the memory.
    BlockPipeline(unsigned threads, Work work, Emit emit);
    BlockPipeline(const BlockPipeline&) = delete;
    BlockPipeline& operator=(const BlockPipeline&) = delete;
    // Without finish() (an error on the way), pending blocks are dropped unemitted.
    ~BlockPipeline();

    // Exceptions of the work on any earlier block surface here or in finish().
    void submit(PipelineBlock block);
    void finish();

    // A block whose buffers still hold the memory of an emitted one (empty ones at first).
    PipelineBlock reusedBlock();

  private:
    void emitOldest();
    void emitAndRecycle(PipelineBlock& block);
    void runWorker();

    Work fWork;
    Emit fEmit;
    std::size_t fWindow;
    std::deque<std::future<PipelineBlock>> fInFlight;
    std::mutex fMutex;
    std::condition_variable fWake;
    std::deque<std::packaged_task<PipelineBlock()>> fQueue;
    bool fStopping = false;
    std::vector<std::thread> fWorkers;
    std::vector<PipelineBlock> fSpareBlocks;
};

}  // namespace kvo
