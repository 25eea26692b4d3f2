#include "app/qt/backgroundrun.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <atomic>
#include <exception>
#include <thread>

#include "platform/interruption.h"

namespace kvo {
namespace {

// While a run goes on, what a person does (keys, clicks, the wheel, shortcuts) is swallowed, not
// put off: a click on Actions / Compress made meanwhile must not start a second run afterwards.
class InputDropped final : public QObject {
  public:
    InputDropped() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputDropped() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputDropped(const InputDropped&) = delete;
    InputDropped& operator=(const InputDropped&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->isInputEvent() || event->type() == QEvent::Shortcut) {
            event->accept();  // an accepted shortcut override keeps the shortcut from firing
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

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
                ThrowIfInterrupted();
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
    {
        const InputDropped dropped;
        loop.exec();
    }
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
    showProgress(latest);
    return report;
}

}  // namespace kvo
