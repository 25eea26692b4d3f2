#pragma once
// The source revision the program was built from: the short commit id, or "unknown" for a build
// outside a git checkout. Taken at build time (cmake/KvoRevision.cmake).

namespace kvo {

const char* BuildRevision() noexcept;

}  // namespace kvo
