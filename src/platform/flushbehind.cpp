#include "platform/flushbehind.h"

namespace kvo {

FlushBehind::FlushBehind(NativeHandle handle, std::uint64_t every)
    : fHandle(handle), fEvery(every), fThread([this] { run(); }) {}

FlushBehind::~FlushBehind() {
    stop();
}

void FlushBehind::wrote(std::uint64_t bytes) {
    bool due = false;
    {
        const std::lock_guard lock(fMutex);
        fUnflushed += bytes;
        due = fUnflushed >= fEvery;
    }
    if (due) {
        fWake.notify_one();
    }
}

int FlushBehind::stop() {
    {
        const std::lock_guard lock(fMutex);
        fStopping = true;
    }
    fWake.notify_one();
    if (fThread.joinable()) {
        fThread.join();
    }
    return fError;
}

void FlushBehind::run() {
    std::unique_lock lock(fMutex);
    for (;;) {
        fWake.wait(lock, [this] { return fStopping || fUnflushed >= fEvery; });
        // A flush that fell due still runs: whatever it finds wrong must reach the final sync.
        if (fUnflushed < fEvery) {
            return;
        }
        fUnflushed = 0;
        lock.unlock();
        const int error = FlushData(fHandle);
        lock.lock();
        if (fError == 0 && error != 0) {
            fError = error;
        }
    }
}

}  // namespace kvo
