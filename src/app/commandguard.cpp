#include "app/commandguard.h"

#include <QString>
#include <exception>
#include <new>

#include "platform/desktop.h"
#include "platform/interruption.h"

namespace kvo {

void runCommand(Desktop& desktop, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        desktop.showError(QStringLiteral("Недостаточно памяти"));
    } catch (const std::exception& error) {
        // A run stopped on request: the program is closing, no box should hold it up.
        if (!Interrupted()) {
            desktop.showError(QString::fromUtf8(error.what()));
        }
    }
}

}  // namespace kvo
