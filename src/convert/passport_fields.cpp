#include "convert/passport_fields.h"

#include <utility>

#include "model/fileformat.h"

namespace kvo {
namespace {

// Peeks through the cursor only while the value lies inside the passport's own length, so a
// passport whose fields claim more than it holds never shows bytes from behind it.
class BoundedPassport {
  public:
    BoundedPassport(THeadel& head, std::uint32_t limit) : head_(head), limit_(limit) {}

    template <class T>
    std::optional<T> peek(std::int32_t (THeadel::*operation)(T&)) {
        if (!fits(sizeof(T))) {
            return std::nullopt;
        }
        T value{};
        (head_.*operation)(value);
        return value;
    }

    std::optional<std::string> peekString() {
        if (!fits(1)) {
            return std::nullopt;
        }
        const auto length = static_cast<const std::uint8_t*>(head_.CurPointer)[0];
        if (!fits(std::uint64_t{1} + length)) {
            return std::nullopt;
        }
        std::string value;
        head_.PeekString(value);
        return value;
    }

  private:
    bool fits(std::uint64_t width) const { return std::uint64_t{head_.Cur} + width <= limit_; }

    THeadel& head_;
    std::uint64_t limit_;
};

std::optional<PassportChannel> peekChannel(BoundedPassport& passport) {
    const auto number = passport.peek<std::uint16_t>(&THeadel::PeekWord);
    const auto gain = number ? passport.peek<std::uint8_t>(&THeadel::PeekByte) : std::nullopt;
    const auto mark = gain ? passport.peekString() : std::nullopt;
    const auto type = mark ? passport.peek<std::uint16_t>(&THeadel::PeekWord) : std::nullopt;
    if (!type) {
        return std::nullopt;
    }
    return PassportChannel{*number, *gain, *mark, *type};
}

// Fills the fields in file order; false as soon as one does not fit.
bool decodeFields(BoundedPassport& passport, PassportFields& fields) {
    std::string signature;
    for (std::size_t i = 0; i < kSignatureLength; ++i) {
        const auto c = passport.peek<char>(&THeadel::PeekChar);
        if (!c) {
            return false;
        }
        signature += *c;
    }
    fields.signature = signature;
    if (!(fields.length = passport.peek<std::uint32_t>(&THeadel::PeekLongWord)) ||
        !(fields.boardNumber = passport.peek<std::uint16_t>(&THeadel::PeekWord)) ||
        !(fields.channelCount = passport.peek<std::uint16_t>(&THeadel::PeekWord))) {
        return false;
    }
    for (unsigned i = 0; i < channelEntryCount(*fields.channelCount); ++i) {
        auto channel = peekChannel(passport);
        if (!channel) {
            return false;
        }
        fields.channels.push_back(std::move(*channel));
    }
    return (fields.startTime = passport.peek<double>(&THeadel::PeekDouble)) &&
           (fields.analogRate = passport.peek<std::uint16_t>(&THeadel::PeekWord));
}

}  // namespace

PassportFields decodePassport(THeadel& head) {
    BoundedPassport passport(head, head.fSize);
    PassportFields fields;
    fields.complete = decodeFields(passport, fields);
    return fields;
}

PassportFields readPassport(FileStream& source, std::uint32_t passportLength) {
    const std::uint32_t decoded = DecodedPassportBytes(passportLength);
    THeadel head(decoded);
    source.seek(0);
    source.readExact(head.fHead, decoded);
    return decodePassport(head);
}

}  // namespace kvo
