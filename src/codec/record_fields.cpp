#include "codec/record_fields.h"

#include "codec/kvoarchiver.h"
#include "codec/run_length.h"

namespace kvo::codec {

RecordScan scanRecords(const std::uint8_t* records, std::size_t n, std::uint8_t* leadBytes) {
    using Bytes = FieldTraits<std::uint8_t>;
    using Words = FieldTraits<std::uint16_t>;
    RunTracker<std::uint8_t> secondBytes(Bytes::read(records + Bytes::kOffset));
    RunTracker<std::uint16_t> secondWords(Words::read(records + Words::kOffset));
    std::uint8_t allLeadBits = 0;
    leadBytes[0] = records[kLeadByteOffset];
    allLeadBits |= leadBytes[0];
    for (std::size_t i = 1; i < n; ++i) {
        const std::uint8_t* record = records + i * kRecordSize;
        leadBytes[i] = record[kLeadByteOffset];
        allLeadBits |= record[kLeadByteOffset];
        secondBytes.add(Bytes::read(record + Bytes::kOffset));
        secondWords.add(Words::read(record + Words::kOffset));
    }
    return {allLeadBits < kFirstDictionaryCode, secondBytes.pairs(), secondWords.pairs()};
}

void splitRecords(const std::uint8_t* records, std::size_t n, std::uint8_t* firstWords,
                  std::uint8_t* secondBytePairs, std::uint8_t* secondWordPairs) {
    using Bytes = FieldTraits<std::uint8_t>;
    using Words = FieldTraits<std::uint16_t>;
    RunTracker<std::uint8_t> secondBytes(Bytes::read(records + Bytes::kOffset));
    RunTracker<std::uint16_t> secondWords(Words::read(records + Words::kOffset));
    const auto storeFirstWord = [firstWords](std::size_t i, const std::uint8_t* record) {
        const std::uint8_t low = record[kFirstWordOffset];
        const std::uint8_t high = record[kFirstWordOffset + 1];
        firstWords[2 * i] = low;
        firstWords[2 * i + 1] = high;
    };
    secondBytes.store(secondBytePairs);
    secondWords.store(secondWordPairs);
    storeFirstWord(0, records);
    for (std::size_t i = 1; i < n; ++i) {
        const std::uint8_t* record = records + i * kRecordSize;
        secondBytes.add(Bytes::read(record + Bytes::kOffset));
        secondWords.add(Words::read(record + Words::kOffset));
        secondBytes.store(secondBytePairs);
        secondWords.store(secondWordPairs);
        storeFirstWord(i, record);
    }
}

}  // namespace kvo::codec
