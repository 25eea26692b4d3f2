#pragma once
// Runs the codec over a stream of blocks while the caller reads the next ones and a writer thread
// hands the results on in the order the blocks came in, so reading, coding and writing overlap.
// Memory stays bounded: only a few blocks are in flight at a time.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
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
    std::size_t stored = 0;       // restoring: bytes of `input` the stored block takes
    std::size_t sourceBytes = 0;  // compressing: the block's bytes in the source
    T1DimByteArr output;          // what the work made of it, to be written
};

class BlockPipeline {
  public:
    // `worker` (0 to threads - 1) tells the calling thread, for memory of its own.
    using Work = std::function<void(PipelineBlock& block, unsigned worker)>;
    using Emit = std::function<void(PipelineBlock&)>;

    // `threads` workers code blocks (at least one); `inFlight` blocks at most are held at a time
    // (at least one). Emit runs on the writer thread, one block at a time, in block order.
    BlockPipeline(unsigned threads, std::size_t inFlight, Work work, Emit emit);
    BlockPipeline(const BlockPipeline&) = delete;
    BlockPipeline& operator=(const BlockPipeline&) = delete;
    // Without finish() (an error on the way), pending blocks are dropped unemitted.
    ~BlockPipeline();

    // Waits for room. The first failure of the work or of emitting, in block order, surfaces here
    // or in finish(); blocks after it are not emitted.
    void submit(PipelineBlock block);
    void finish();

    // A block whose buffers still hold the memory of an emitted one (empty ones at first).
    PipelineBlock reusedBlock();

  private:
    void runWorker(unsigned worker);
    void runWriter();
    void rethrowFailure();

    Work fWork;
    Emit fEmit;
    std::size_t fWindow;
    std::mutex fMutex;
    std::condition_variable fWorkReady;
    std::condition_variable fWritable;
    std::condition_variable fRoom;
    std::deque<std::packaged_task<PipelineBlock(unsigned)>> fQueue;
    std::deque<std::future<PipelineBlock>> fPending;
    std::size_t fHeld = 0;  // submitted and not yet emitted
    bool fClosing = false;
    bool fStopping = false;
    std::exception_ptr fFailure;
    std::vector<PipelineBlock> fSpareBlocks;
    std::vector<std::thread> fWorkers;
    std::thread fWriter;
};

}  // namespace kvo
