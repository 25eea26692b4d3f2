#include "app/commandguard.h"

#include <exception>
#include <new>

#include "platform/interruption.h"
#include "platform/visibletext.h"

namespace kvo {

void runCommand(const ErrorBox& showError, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        showError("Недостаточно памяти");
    } catch (const std::exception& error) {
        // A run stopped on request: the program is closing, no box should hold it up.
        // Messages name files; a name's control characters and bytes that are not UTF-8 are
        // shown as escapes, as everywhere else.
        if (!Interrupted()) {
            showError(VisibleText(error.what()));
        }
    }
}

}  // namespace kvo
