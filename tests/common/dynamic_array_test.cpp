#include "common/dynamic_array.h"

#include <gtest/gtest.h>

#include <vector>

TEST(DynamicArray, GrowsByAQuarterPlus32OrStraightToTheCount) {
  DynamicArray<uint64_t> offsets;
  EXPECT_EQ(0u, offsets.Capacity());
  std::vector<uint64_t> capacities;
  for (uint64_t i = 0; i < 185; ++i) {
    const uint64_t before = offsets.Capacity();
    offsets.Push(i);
    if (offsets.Capacity() != before) capacities.push_back(offsets.Capacity());
  }
  EXPECT_EQ((std::vector<uint64_t>{32, 72, 122, 184, 262}), capacities);
  for (uint64_t i = 0; i < 185; ++i) ASSERT_EQ(i, offsets[i]);

  DynamicArray<wchar_t> text(72);
  EXPECT_EQ(72u, text.Capacity());
  text.Grow(100);
  EXPECT_EQ(172u, text.Count());
  EXPECT_EQ(172u, text.Capacity()) << "the count, not 72 + 18 + 32";
}

TEST(DynamicArray, WipedArrayKeepsItsElementsAcrossGrowthAndLeavesNoCopyBehind) {
  DynamicArray<wchar_t> secret;
  secret.SetWipe(true);
  for (int i = 0; i < 200; ++i) secret.Push(static_cast<wchar_t>(L'a' + i % 26));
  for (int i = 0; i < 200; ++i) ASSERT_EQ(static_cast<wchar_t>(L'a' + i % 26), secret[i]);
  // The block given back on growth: the heap keeps a freed block's bytes beyond its own
  // bookkeeping at the start, so unless they were wiped the elements would still be there.
  const wchar_t* old = secret.Data();
  const uint64_t oldCount = secret.Count();
  secret.Grow(100000);
  int kept = 0;
  for (uint64_t i = 32; i < oldCount; ++i) kept += old[i] == static_cast<wchar_t>(L'a' + i % 26);
  EXPECT_EQ(0, kept) << "the old block still holds the elements";
  secret.Release();
  EXPECT_EQ(0u, secret.Count());
  EXPECT_EQ(nullptr, secret.Data());
}
