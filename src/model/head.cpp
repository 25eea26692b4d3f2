#include "model/head.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "model/beep.h"
#include "model/fileformat.h"

namespace kvo {

// Fields are copied in machine order, which must be the file's little-endian order.
static_assert(std::endian::native == std::endian::little);

namespace {
constexpr std::uint64_t kSpareBytes = 100;
// A cursor whose operation failed midway stays busy for good on one thread; beep this often, then
// free the buffer anyway.
constexpr int kDestroyBeeps = 3;
}  // namespace

THeadel::THeadel(std::uint32_t vSize)
    : fSize(vSize), buffer_(AllocateBuffer(std::uint64_t{vSize} + kSpareBytes)) {
    capacity_ = headBufferCapacity(buffer_.get());
    fHead = buffer_.get();
    CurPointer = fHead;
}

THeadel::THeadel(DefaultPassportTag) : THeadel(static_cast<std::uint32_t>(kDefaultPassportLength)) {
    std::memcpy(bytes(), kDefaultPassport.data(), kDefaultPassport.size());
}

THeadel THeadel::CreateDefault() {
    return THeadel(DefaultPassportTag{});
}

THeadel::~THeadel() {
    for (int beeps = 0; !fKill && beeps < kDestroyBeeps; ++beeps) {
        beep();
    }
}

void THeadel::requireRoom(std::uint64_t width, bool idleBefore, std::string_view what) {
    if (Cur + width > capacity_) {
        fKill = idleBefore;
        throw HeadRangeError(std::string(what) + " of " + std::to_string(width) +
                             " bytes at offset " + std::to_string(Cur) +
                             " would pass the end of the passport buffer (" +
                             std::to_string(capacity_) + " bytes)");
    }
}

std::int32_t THeadel::moveCursor(std::uint64_t width) {
    Cur += static_cast<std::uint32_t>(width);
    CurPointer = bytes() + Cur;
    return static_cast<std::int32_t>(Cur);
}

// Pokes put back the flag they found, so that PokeString stays busy across its length byte.
template <class T>
std::int32_t THeadel::pokeFixed(const T& Value, std::string_view what) {
    const bool idleBefore = fKill;
    fKill = false;
    requireRoom(sizeof(T), idleBefore, what);
    std::memcpy(bytes() + Cur, &Value, sizeof(T));
    const std::int32_t result = moveCursor(sizeof(T));
    fKill = idleBefore;
    return result;
}

template <class T>
std::int32_t THeadel::peekFixed(T& Value, std::string_view what) {
    const bool idleBefore = fKill;
    fKill = false;
    requireRoom(sizeof(T), idleBefore, what);
    std::memcpy(&Value, bytes() + Cur, sizeof(T));
    const std::int32_t result = moveCursor(sizeof(T));
    fKill = true;
    return result;
}

std::int32_t THeadel::PokeLongWord(std::uint32_t Value) {
    // The one fixed-width poke that ends idle whatever it found, as a read does.
    const std::int32_t result = pokeFixed(Value, "PokeLongWord");
    fKill = true;
    return result;
}
std::int32_t THeadel::PokeByte(std::uint8_t Value) {
    return pokeFixed(Value, "PokeByte");
}
std::int32_t THeadel::PokeWord(std::uint16_t Value) {
    return pokeFixed(Value, "PokeWord");
}
std::int32_t THeadel::PokeSingle(float Value) {
    return pokeFixed(Value, "PokeSingle");
}
std::int32_t THeadel::PokeDouble(double Value) {
    return pokeFixed(Value, "PokeDouble");
}
std::int32_t THeadel::PokeChar(char Value) {
    return pokeFixed(Value, "PokeChar");
}

std::int32_t THeadel::PeekDouble(double& Value) {
    return peekFixed(Value, "PeekDouble");
}
std::int32_t THeadel::PeekLongWord(std::uint32_t& Value) {
    return peekFixed(Value, "PeekLongWord");
}
std::int32_t THeadel::PeekByte(std::uint8_t& Value) {
    return peekFixed(Value, "PeekByte");
}
std::int32_t THeadel::PeekWord(std::uint16_t& Value) {
    return peekFixed(Value, "PeekWord");
}
std::int32_t THeadel::PeekChar(char& Value) {
    return peekFixed(Value, "PeekChar");
}

std::int32_t THeadel::PokeString(std::string_view Value) {
    const bool idleBefore = fKill;
    fKill = false;
    if (Value.size() > kMaxShortStringLength) {
        fKill = idleBefore;
        throw HeadRangeError("PokeString of " + std::to_string(Value.size()) + " bytes at offset " +
                             std::to_string(Cur) + " is longer than its length byte can hold (" +
                             std::to_string(kMaxShortStringLength) + ")");
    }
    // Check the whole field first, so that a refused string leaves no length byte behind.
    requireRoom(1 + Value.size(), idleBefore, "PokeString");
    PokeByte(static_cast<std::uint8_t>(Value.size()));
    if (!Value.empty()) {
        std::memcpy(bytes() + Cur, Value.data(), Value.size());
    }
    const std::int32_t result = moveCursor(Value.size());
    fKill = true;
    return result;
}

std::int32_t THeadel::PeekString(std::string& Value) {
    const bool idleBefore = fKill;
    fKill = false;
    requireRoom(1, idleBefore, "PeekString");
    const std::size_t length = bytes()[Cur];
    requireRoom(1 + length, idleBefore, "PeekString");
    Value.assign(reinterpret_cast<const char*>(bytes() + Cur + 1), length);
    const std::int32_t result = moveCursor(1 + length);
    fKill = true;
    return result;
}

void THeadel::SetHead(void* vHead) {
    if (vHead == nullptr) {
        return;
    }
    fKill = false;
    if (vHead != buffer_.get()) {
        HeadBuffer adopted(vHead);
        const std::size_t capacity = headBufferCapacity(vHead);
        if (capacity < fSize) {
            fKill = true;
            throw std::invalid_argument("SetHead: a buffer of " + std::to_string(capacity) +
                                        " bytes cannot hold the passport of " +
                                        std::to_string(fSize) + " bytes");
        }
        buffer_ = std::move(adopted);
        capacity_ = capacity;
        fHead = vHead;
    }
    Cur = 0;
    CurPointer = fHead;
    fKill = true;
}

// fSize is a public field: never transfer more than the buffer holds.
std::size_t THeadel::transferSize() const {
    return std::min<std::size_t>(fSize, capacity_);
}

void THeadel::ReadFile(int F) {
    fKill = false;
    [[maybe_unused]] const ssize_t transferred = ::read(F, bytes(), transferSize());
    fKill = true;
}

void THeadel::HWriteFile(int F) {
    fKill = false;
    [[maybe_unused]] const ssize_t transferred = ::write(F, bytes(), transferSize());
    fKill = true;
}

}  // namespace kvo
