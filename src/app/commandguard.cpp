#include "app/commandguard.h"

#include <QString>
#include <exception>
#include <new>

#include "platform/desktop.h"
#include "platform/interruption.h"
#include "platform/visibletext.h"

namespace kvo {

void runCommand(Desktop& desktop, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        desktop.showError(QStringLiteral("Недостаточно памяти"));
    } catch (const std::exception& error) {
        // A run stopped on request: the program is closing, no box should hold it up.
        // Messages name files; a name's control characters and bytes that are not UTF-8 are
        // shown as escapes, as everywhere else.
        if (!Interrupted()) {
            desktop.showError(QString::fromStdString(VisibleText(error.what())));
        }
    }
}

}  // namespace kvo
