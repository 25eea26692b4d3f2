#pragma once
// Hands a file's written data to the storage device while the writing goes on, so the sync that
// ends the file has little left to do and its wait overlaps the work that produces the data.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/filestream.h"

namespace kvo {

class FlushBehind {
  public:
    // Flushes `handle` on a thread of its own each time `every` more bytes were written.
    FlushBehind(NativeHandle handle, std::uint64_t every);
    FlushBehind(const FlushBehind&) = delete;
    FlushBehind& operator=(const FlushBehind&) = delete;
    // Waits for a flush under way: the file must stay open until then.
    ~FlushBehind();

    void wrote(std::uint64_t bytes);
    // Ends the flushing; returns the system's error code of the first flush that failed, or 0.
    // A failed flush must fail the file: a later sync of the same file may no longer report it.
    int stop();

  private:
    void run();

    NativeHandle fHandle;
    std::uint64_t fEvery;
    std::mutex fMutex;
    std::condition_variable fWake;
    std::uint64_t fUnflushed = 0;
    bool fStopping = false;
    int fError = 0;
    std::thread fThread;
};

// Hands a file's written data to the storage device; returns the system's error code (errno or
// a Windows code), or 0.
int FlushData(NativeHandle handle) noexcept;

}  // namespace kvo
