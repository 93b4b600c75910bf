// Memory of the big tables: blocks from the system are aligned for large pages and zeroed,
// tables keep their contents through growth, and a refused table leaves the old one intact.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "faces3/faces3_large_pages.h"
#include "faces3/faces3_search_index.h"

namespace {

TEST(LargePages, BigBlocksAreAlignedZeroedAndUsableSmallOnesToo) {
    for (const std::size_t bytes :
         {std::size_t{100}, FACES3_DIRECT_BLOCK - 1, FACES3_DIRECT_BLOCK, std::size_t{5} << 20}) {
        SCOPED_TRACE(bytes);
        auto* p = static_cast<unsigned char*>(faces3_large_alloc(bytes));
        ASSERT_NE(p, nullptr);
        if (bytes >= FACES3_DIRECT_BLOCK) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % (std::uintptr_t{2} << 20), 0u);
            for (std::size_t i = 0; i < bytes; i += 4093) ASSERT_EQ(p[i], 0) << i;
            EXPECT_EQ(p[bytes - 1], 0);
        }
        faces3_advise_large_pages(p, bytes);
        p[0] = 1;
        p[bytes - 1] = 2;  // the whole block is writable
        EXPECT_EQ(p[0] + p[bytes - 1], 3);
        faces3_large_free(p, bytes);
    }
}

TEST(LargePages, TablesKeepTheirContentsWhileGrowingPastTheSystemBlocks) {
    Faces3Vec<int> v;
    for (int i = 0; i < 300000; ++i) v.push_back(i * 7);
    faces3_reserve_large(v, 2000000);
    EXPECT_GE(v.capacity(), 2000000u);
    for (int i = 0; i < 300000; ++i) ASSERT_EQ(v[i], i * 7) << i;
    Faces3Vec<int> copy = v;
    v.clear();
    v.shrink_to_fit();
    ASSERT_EQ(copy.size(), 300000u);
    EXPECT_EQ(copy.back(), 299999 * 7);
    // A request beyond what can be had is refused and changes nothing.
    faces3_reserve_large(copy, std::size_t{1} << 58);
    EXPECT_EQ(copy.size(), 300000u);
    EXPECT_EQ(copy[12345], 12345 * 7);
}

TEST(LargePages, ZeroTablesStartEmptyAndSurviveARefusedGrowth) {
    for (const std::size_t n : {std::size_t{16}, std::size_t{1} << 20}) {
        SCOPED_TRACE(n);
        Faces3ZeroTable<std::uint64_t> t;
        t.allocate(n, true);
        ASSERT_EQ(t.size(), n);
        for (std::size_t i = 0; i < n; i += 997) ASSERT_EQ(t[i], 0u) << i;
        t[3] = 42;
        EXPECT_THROW(t.allocate(std::size_t{1} << 58), std::bad_alloc);  // 2 EB
        ASSERT_EQ(t.size(), n);
        EXPECT_EQ(t[3], 42u);
        t.allocate(n);  // again: all zero
        EXPECT_EQ(t[3], 0u);
        Faces3ZeroTable<std::uint64_t> other;
        other.swap(t);
        EXPECT_TRUE(t.empty());
        EXPECT_EQ(other.size(), n);
    }
}

}  // namespace
