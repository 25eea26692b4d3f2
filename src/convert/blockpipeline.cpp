#include "convert/blockpipeline.h"

#include <algorithm>
#include <utility>

namespace kvo {

BlockPipeline::BlockPipeline(unsigned threads, std::size_t inFlight, Work work, Emit emit)
    : fWork(std::move(work)), fEmit(std::move(emit)), fWindow(std::max<std::size_t>(inFlight, 1)) {
    const unsigned workers = std::max(1u, threads);
    fWorkers.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) {
        fWorkers.emplace_back([this, i] { runWorker(i); });
    }
    fWriter = std::thread([this] { runWriter(); });
}

BlockPipeline::~BlockPipeline() {
    {
        const std::lock_guard lock(fMutex);
        fStopping = true;
        fClosing = true;
        // Dropped tasks break their futures, which ends the writer's wait for them.
        fQueue.clear();
    }
    fWorkReady.notify_all();
    fWritable.notify_all();
    for (auto& worker : fWorkers) {
        worker.join();
    }
    if (fWriter.joinable()) {
        fWriter.join();
    }
}

void BlockPipeline::submit(PipelineBlock block) {
    std::packaged_task<PipelineBlock(unsigned)> task(
        [this, owned = std::move(block)](unsigned worker) mutable {
            fWork(owned, worker);
            return std::move(owned);
        });
    {
        std::unique_lock lock(fMutex);
        fRoom.wait(lock, [this] { return fHeld < fWindow || fFailure; });
        if (fFailure) {
            lock.unlock();
            rethrowFailure();
        }
        ++fHeld;
        fPending.push_back(task.get_future());
        fQueue.push_back(std::move(task));
    }
    fWorkReady.notify_one();
    fWritable.notify_one();
}

void BlockPipeline::finish() {
    {
        const std::lock_guard lock(fMutex);
        fClosing = true;
    }
    fWritable.notify_all();
    if (fWriter.joinable()) {
        fWriter.join();
    }
    rethrowFailure();
}

void BlockPipeline::rethrowFailure() {
    std::exception_ptr failure;
    {
        const std::lock_guard lock(fMutex);
        failure = fFailure;
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

PipelineBlock BlockPipeline::reusedBlock() {
    const std::lock_guard lock(fMutex);
    if (fSpareBlocks.empty()) {
        return {};
    }
    PipelineBlock block = std::move(fSpareBlocks.back());
    fSpareBlocks.pop_back();
    return block;
}

void BlockPipeline::runWorker(unsigned worker) {
    for (;;) {
        std::packaged_task<PipelineBlock(unsigned)> task;
        {
            std::unique_lock lock(fMutex);
            fWorkReady.wait(lock, [this] { return fStopping || !fQueue.empty(); });
            if (fStopping) {
                return;
            }
            task = std::move(fQueue.front());
            fQueue.pop_front();
        }
        task(worker);
    }
}

void BlockPipeline::runWriter() {
    for (;;) {
        std::future<PipelineBlock> next;
        {
            std::unique_lock lock(fMutex);
            fWritable.wait(lock, [this] { return fClosing || !fPending.empty(); });
            if (fPending.empty() || fFailure) {
                return;
            }
            next = std::move(fPending.front());
            fPending.pop_front();
        }
        try {
            PipelineBlock block = next.get();
            fEmit(block);
            const std::lock_guard lock(fMutex);
            --fHeld;
            if (fSpareBlocks.size() < fWindow) {
                fSpareBlocks.push_back(std::move(block));
            }
        } catch (...) {
            const std::lock_guard lock(fMutex);
            fFailure = std::current_exception();
            fStopping = true;
            fQueue.clear();
        }
        fRoom.notify_all();
        fWorkReady.notify_all();
    }
}

}  // namespace kvo
