#include "app/commandguard.h"

#include <QString>
#include <exception>
#include <new>

#include "platform/desktop.h"

namespace kvo {

void runCommand(Desktop& desktop, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        desktop.showError(QStringLiteral("Недостаточно памяти"));
    } catch (const std::exception& error) {
        desktop.showError(QString::fromUtf8(error.what()));
    }
}

}  // namespace kvo
