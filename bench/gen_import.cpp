// gen_import: writes a realistic import file of N records to standard output, the same bytes
// for the same N and seed.
//
// Usage: gen_import N [SEED]
//
// One record per line, seven tokens separated by single blanks: a code D0000001.., a GBK
// device name (a few hundred), a Chinese holder, one of 30 departments, a quantity 1..5000,
// a purchase date 2000.1.1..2077.12.31 (month and day without leading zeros) and a price
// 10..99999. A million records make about 58 MB.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert_text.h"
#include "gen_words.h"

namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // A number in low..high, both included.
  uint32_t Between(uint32_t low, uint32_t high) {
    uint64_t span = uint64_t{high} - low + 1;
    return low + static_cast<uint32_t>((static_cast<__uint128_t>(Next()) * span) >> 64);
  }

 private:
  uint64_t state_;
};

// Converts UTF-8 text to GBK; exits when the text has no GBK form.
std::string ToGbk(const std::string& utf8) {
  std::string gbk;
  if (!ConvertText(utf8, "GBK", "UTF-8", &gbk)) {
    std::fprintf(stderr, "gen_import: no GBK form for %s\n", utf8.c_str());
    std::exit(2);
  }
  return gbk;
}

// Every combination of a first and a second word list, in GBK.
template <size_t A, size_t B>
void AddCombinations(const char* const (&first)[A], const char* const (&second)[B],
                     std::vector<std::string>* out) {
  for (const char* a : first) {
    for (const char* b : second) out->push_back(ToGbk(std::string(a) + b));
  }
}

// The GBK word pools that records draw from.
struct Pools {
  std::vector<std::string> names, holders, departments;
};

Pools BuildPools() {
  Pools pools;
  AddCombinations(gen::kNamePrefixes, gen::kNameKinds, &pools.names);
  for (const char* name : gen::kOddNames) pools.names.push_back(ToGbk(name));
  AddCombinations(gen::kSurnames, gen::kGivenNames, &pools.holders);
  for (const char* department : gen::kDepartments) pools.departments.push_back(ToGbk(department));
  return pools;
}

// Appends the decimal digits of value.
void PutNumber(std::string* out, uint32_t value) {
  char digits[10];
  int n = 0;
  do digits[n++] = static_cast<char>('0' + value % 10); while ((value /= 10) != 0);
  while (n > 0) out->push_back(digits[--n]);
}

// Appends the code: D and at least seven digits.
void PutCode(std::string* out, uint32_t index) {
  out->push_back('D');
  for (uint32_t scale = 1000000; scale > 1 && index < scale; scale /= 10) out->push_back('0');
  PutNumber(out, index);
}

uint32_t DaysIn(uint32_t year, uint32_t month) {
  static const uint32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Appends one record line for the index-th record (from 1).
void PutRecord(std::string* out, uint32_t index, const Pools& pools, Random* random) {
  auto pick = [&](const std::vector<std::string>& pool) -> const std::string& {
    return pool[random->Between(0, static_cast<uint32_t>(pool.size() - 1))];
  };
  PutCode(out, index);
  *out += ' ';
  *out += pick(pools.names);
  *out += ' ';
  *out += pick(pools.holders);
  *out += ' ';
  *out += pick(pools.departments);
  *out += ' ';
  PutNumber(out, random->Between(1, 5000));
  uint32_t year = random->Between(2000, 2077), month = random->Between(1, 12);
  uint32_t day = random->Between(1, DaysIn(year, month));
  *out += ' ';
  PutNumber(out, year);
  *out += '.';
  PutNumber(out, month);
  *out += '.';
  PutNumber(out, day);
  *out += ' ';
  PutNumber(out, random->Between(10, 99999));
  *out += '\n';
}

bool ParseCount(const char* text, uint64_t* value) {
  char* end = nullptr;
  unsigned long long parsed = std::strtoull(text, &end, 10);
  if (*text < '0' || *text > '9' || *end != '\0') return false;
  *value = parsed;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t count = 0, seed = 20240601;
  if (argc < 2 || argc > 3 || !ParseCount(argv[1], &count) || count > 99999999 ||
      (argc == 3 && !ParseCount(argv[2], &seed))) {
    std::fprintf(stderr, "usage: gen_import N [SEED]   (N at most 99999999)\n");
    return 2;
  }
  const Pools pools = BuildPools();
  Random random(seed);
  std::string buffer;
  buffer.reserve(1 << 20);
  for (uint64_t i = 1; i <= count; ++i) {
    PutRecord(&buffer, static_cast<uint32_t>(i), pools, &random);
    if (buffer.size() > (1 << 20) - 256 || i == count) {
      if (std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size()) return 1;
      buffer.clear();
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
