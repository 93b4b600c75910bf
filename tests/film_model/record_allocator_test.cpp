// Moving records between big blocks: every byte arrives, whatever the alignment and length,
// and the source's copied pages are given back.
#include "film_model/record_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace film {
namespace {

TEST(CopyAndDiscard, EveryByteArrivesAtAnyAlignmentAndLength) {
    constexpr size_t kBlock = size_t(9) << 20;  // several large pages
    auto* from = static_cast<unsigned char*>(large_block_allocate(kBlock));
    std::vector<unsigned char> to(kBlock), want(kBlock);
    for (const size_t offset : {size_t(0), size_t(1), size_t(4095), size_t(3) << 20}) {
        for (const size_t length : {size_t(0), size_t(1), size_t(24), size_t(4096),
                                    (size_t(2) << 20) - 7, (size_t(5) << 20) + 13}) {
            for (size_t i = 0; i < kBlock; ++i) from[i] = static_cast<unsigned char>(i * 31 + 7);
            std::memcpy(want.data(), from, kBlock);
            std::memset(to.data(), 0xEE, kBlock);
            copy_and_discard(to.data() + 3, from + offset, length);
            ASSERT_EQ(std::memcmp(to.data() + 3, want.data() + offset, length), 0)
                << "offset " << offset << " length " << length;
            EXPECT_EQ(to[2], 0xEE) << "nothing before";
            EXPECT_EQ(to[3 + length], 0xEE) << "nothing after";
            // Bytes outside the copied range keep their values: only whole pages inside go.
            if (offset > 0) {
                EXPECT_EQ(from[offset - 1], want[offset - 1]);
            }
            EXPECT_EQ(from[offset + length], want[offset + length]);
        }
    }
    // A whole page inside a copied range was given back: it reads as zeros.
    for (size_t i = 0; i < kBlock; ++i) from[i] = 0xAB;
    copy_and_discard(to.data(), from + 100, size_t(3) << 20);
    EXPECT_EQ(from[8192], 0);
    EXPECT_EQ(from[99], 0xAB);
    large_block_release(from, kBlock);
}

}  // namespace
}  // namespace film
