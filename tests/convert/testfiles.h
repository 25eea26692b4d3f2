#pragma once
// Files for the conversion tests: a clean folder per test and small recordings built in memory.

#include <cstdint>
#include <filesystem>
#include <string>

namespace kvo::test {

// An empty folder under KVO_TEST_TMP (or the system's temporary folder).
std::filesystem::path CleanFolder(const std::string& name);

void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);
std::size_t EntriesIn(const std::filesystem::path& folder);

// A passport of passportLength bytes (at least 24): the default fields, then filler bytes.
std::string Passport(std::uint32_t passportLength);

// records data records with LeadBytes 0..127 in repeating phrases, runs of SecondBytes and
// SecondWords, and varied FirstWords; reproducible from seed.
std::string Records(std::uint64_t records, std::uint32_t seed);

}  // namespace kvo::test
