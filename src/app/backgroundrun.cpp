#include "app/backgroundrun.h"

#include <QEventLoop>
#include <atomic>
#include <exception>
#include <stdexcept>
#include <thread>

#include "platform/interruption.h"

namespace kvo {

ConvertReport RunInBackground(const ConversionJob& job,
                              const std::function<void(std::uint64_t)>& showProgress) {
    QEventLoop loop;
    std::atomic<std::uint64_t> latest{0};
    // One progress event waits in the queue at most: a fast run must not flood it.
    std::atomic<bool> queued{false};
    ConvertReport report;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            report = job([&](std::uint64_t at) {
                if (Interrupted()) {
                    throw std::runtime_error("прервано");
                }
                latest = at;
                if (!queued.exchange(true)) {
                    QMetaObject::invokeMethod(
                        &loop,
                        [&] {
                            queued = false;
                            showProgress(latest);
                        },
                        Qt::QueuedConnection);
                }
            });
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
    showProgress(latest);
    return report;
}

}  // namespace kvo
