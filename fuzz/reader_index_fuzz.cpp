// Arbitrary bytes as a compressed file, opened by the reader and checked as kvox -t checks it:
// both refuse the same files, name the same damaged block in the same words, and otherwise find
// the same blocks, with one decoding thread and with two.

#include <cstddef>
#include <cstdint>
#include <string>

#include "require.h"
#include "scratch_folder.h"
#include "verdicts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = kvo::fuzz::ScratchFolder() / "in.kvox";
    kvo::fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
    const unsigned threads = size % 2 == 0 ? 2 : 1;
    const kvo::test::Verdict tested = kvo::test::TestVerdict(path.string(), threads);
    kvo::fuzz::Require(kvo::test::ReaderVerdict(path.string(), threads) == tested,
                       "the reader's verdict is kvox -t's");
    return 0;
}
