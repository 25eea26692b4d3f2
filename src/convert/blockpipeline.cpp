#include "convert/blockpipeline.h"

#include <utility>

namespace kvo {

BlockPipeline::BlockPipeline(unsigned threads, Work work, Emit emit)
    : fWork(std::move(work)), fEmit(std::move(emit)), fWindow(threads > 1 ? threads + 1 : 0) {
    if (threads > 1) {
        fWorkers.reserve(threads);
        for (unsigned i = 0; i < threads; ++i) {
            fWorkers.emplace_back([this] { runWorker(); });
        }
    }
}

BlockPipeline::~BlockPipeline() {
    {
        const std::lock_guard lock(fMutex);
        fStopping = true;
        fQueue.clear();
    }
    fWake.notify_all();
    for (auto& worker : fWorkers) {
        worker.join();
    }
}

void BlockPipeline::submit(PipelineBlock block) {
    if (fWorkers.empty()) {
        fWork(block);
        emitAndRecycle(block);
        return;
    }
    while (fInFlight.size() >= fWindow) {
        emitOldest();
    }
    std::packaged_task<PipelineBlock()> task([this, owned = std::move(block)]() mutable {
        fWork(owned);
        return std::move(owned);
    });
    fInFlight.push_back(task.get_future());
    {
        const std::lock_guard lock(fMutex);
        fQueue.push_back(std::move(task));
    }
    fWake.notify_one();
}

void BlockPipeline::finish() {
    while (!fInFlight.empty()) {
        emitOldest();
    }
}

PipelineBlock BlockPipeline::reusedBlock() {
    if (fSpareBlocks.empty()) {
        return {};
    }
    PipelineBlock block = std::move(fSpareBlocks.back());
    fSpareBlocks.pop_back();
    return block;
}

void BlockPipeline::emitOldest() {
    auto oldest = std::move(fInFlight.front());
    fInFlight.pop_front();
    PipelineBlock block = oldest.get();
    emitAndRecycle(block);
}

void BlockPipeline::emitAndRecycle(PipelineBlock& block) {
    fEmit(block);
    if (fSpareBlocks.size() <= fWindow) {
        fSpareBlocks.push_back(std::move(block));
    }
}

void BlockPipeline::runWorker() {
    for (;;) {
        std::packaged_task<PipelineBlock()> task;
        {
            std::unique_lock lock(fMutex);
            fWake.wait(lock, [this] { return fStopping || !fQueue.empty(); });
            if (fStopping) {
                return;
            }
            task = std::move(fQueue.front());
            fQueue.pop_front();
        }
        task();
    }
}

}  // namespace kvo
