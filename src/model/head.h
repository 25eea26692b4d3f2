#pragma once
// THeadel: one passport in memory, read and written field by field through a moving cursor.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/headbuffer.h"

namespace kvo {

// A Peek or Poke that would reach outside the passport buffer, or a string too long for its length
// byte. The cursor and the buffer are left as they were.
class HeadRangeError : public std::out_of_range {
  public:
    using std::out_of_range::out_of_range;
};

class THeadel {
  public:
    // Create: a buffer of vSize + 100 bytes (zero-filled), cursor at 0. A vSize for which that is
    // 2^31 bytes or more is refused with std::length_error.
    explicit THeadel(std::uint32_t vSize);
    // The 24-byte default passport, cursor at 0 so it can be read back at once.
    static THeadel CreateDefault();
    ~THeadel();  // Destroy
    THeadel(const THeadel&) = delete;
    THeadel& operator=(const THeadel&) = delete;

    // The only allocator whose buffers SetHead accepts.
    static HeadBuffer AllocateBuffer(std::uint64_t size) { return allocateHeadBuffer(size); }

    void* fHead = nullptr;  // owned; mirrors the internal buffer
    std::uint32_t Cur = 0;
    void* CurPointer = nullptr;  // fHead + Cur after every operation
    std::uint32_t fSize = 0;     // bytes that ReadFile and HWriteFile transfer
    bool fKill = true;           // false while an operation runs, or after one failed midway

    bool CanDestroy() const { return fKill; }

    // Every Poke and Peek returns Cur after the step.
    std::int32_t PokeLongWord(std::uint32_t Value);
    std::int32_t PokeByte(std::uint8_t Value);
    std::int32_t PokeWord(std::uint16_t Value);
    std::int32_t PokeSingle(float Value);
    std::int32_t PokeDouble(double Value);
    std::int32_t PokeChar(char Value);
    // Length byte, then the bytes; more than 255 bytes is refused with HeadRangeError.
    std::int32_t PokeString(std::string_view Value);

    std::int32_t PeekDouble(double& Value);
    std::int32_t PeekLongWord(std::uint32_t& Value);
    std::int32_t PeekByte(std::uint8_t& Value);
    std::int32_t PeekWord(std::uint16_t& Value);
    std::int32_t PeekChar(char& Value);
    std::int32_t PeekString(std::string& Value);

    // Takes ownership of vHead, which must come from AllocateBuffer and hold at least fSize bytes
    // (otherwise it is freed and std::invalid_argument thrown). Null changes nothing; the buffer
    // already owned only resets the cursor.
    void SetHead(void* vHead);

    // One read or write of fSize bytes at the descriptor's position; the outcome is not examined,
    // and bytes not read keep their contents. The cursor does not move.
    void ReadFile(int F);
    void HWriteFile(int F);

  private:
    struct DefaultPassportTag {};
    explicit THeadel(DefaultPassportTag);

    std::uint8_t* bytes() const { return static_cast<std::uint8_t*>(buffer_.get()); }
    std::size_t transferSize() const;
    void requireRoom(std::uint64_t width, bool idleBefore, std::string_view what);
    std::int32_t moveCursor(std::uint64_t width);
    template <class T>
    std::int32_t pokeFixed(const T& Value, std::string_view what);
    template <class T>
    std::int32_t peekFixed(T& Value, std::string_view what);

    HeadBuffer buffer_;
    std::size_t capacity_ = 0;
};

}  // namespace kvo
