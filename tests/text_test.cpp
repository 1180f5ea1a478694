// Field texts: one word each, any length, bytes kept exactly.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "console/globals.h"
#include "model/text.h"

namespace {

TEST(Text, KeepsEveryLengthAndByteExactly) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{0xFFFE},
                           std::size_t{0xFFFF}, std::size_t{0x10000}, std::size_t{3} << 20}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 1);
    Text kept = Texts().Keep(bytes);
    EXPECT_EQ(kept.size(), size);
    EXPECT_TRUE(kept.view() == bytes) << size;
    Text copy = kept;
    EXPECT_TRUE(copy == kept);
  }
  ResetGlobals();
}

TEST(Text, SlicesOfAnAdoptedBufferPointIntoIt) {
  const std::size_t size = 200000;
  auto buffer = std::make_unique<char[]>(size);
  for (std::size_t i = 0; i < size; ++i) buffer[i] = static_cast<char>('a' + i % 26);
  const char* kept = Texts().Adopt(std::move(buffer), size);
  Text short_text = Texts().Slice(kept + 5, 3);
  EXPECT_EQ(short_text.view(), "fgh");
  EXPECT_EQ(short_text.data(), kept + 5) << "short slices are not copied";
  Text long_text = Texts().Slice(kept, 150000);
  EXPECT_EQ(long_text.size(), 150000u);
  EXPECT_TRUE(long_text.view() == std::string_view(kept, 150000));
  EXPECT_TRUE(Texts().Slice(kept, 0).empty());
  EXPECT_NE(Texts().Keep("ab"), Texts().Keep("abc"));
  ResetGlobals();
}

}  // namespace
