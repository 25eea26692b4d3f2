#pragma once
// The system's reason for a failed call, in Russian like every other text the programs show.

#include <string>

namespace kvo {

// A Russian description of an errno value followed by its number, e.g.
// "нет места на устройстве (ошибка 28)"; values without a description are named by number alone.
std::string SystemErrorText(int errorCode);

}  // namespace kvo
