#include "dbf/XbDBFMemMgr.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>

TEST(TXbDBFMemMgr, ZeroBytesAreRefusedBeforeAnythingIsTaken)
{
    TXbDBFMemMgr manager;
    try {
        manager.AllocBlock(nullptr, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TXbDBFOneAlloc: Can not allocate 0 bytes memory!");
    }
    EXPECT_EQ(manager.Count(), 0u);
    EXPECT_EQ(manager.NextSerial(), 10u);
}

TEST(TXbDBFMemMgr, BlocksAreKeptSortedAndReleasedByAddressInAnyOrder)
{
    TXbDBFMemMgr manager;
    TObject owner;
    std::vector<void*> blocks;
    for (int i = 0; i < 40; ++i)
        blocks.push_back(i % 2 == 0 ? manager.AllocBlock(&owner, static_cast<size_t>(16 + i * 8))
                                    : manager.AllocBlockNamed("TProxyStream.LoadFromFile", 100));
    EXPECT_EQ(manager.NextSerial(), 50u);
    EXPECT_EQ(manager.Entry(0).OwnerName().empty(), false);
    std::mt19937 random(7);
    std::shuffle(blocks.begin(), blocks.end(), random);
    for (size_t i = 0; i < blocks.size(); ++i) {
        for (size_t k = 1; k < manager.Count(); ++k)
            ASSERT_TRUE(std::less<const void*>()(manager.Entry(k - 1).Address(), manager.Entry(k).Address()));
        size_t index = 0;
        ASSERT_TRUE(manager.FindBlock(blocks[i], index));
        manager.FreeBlock(blocks[i]);
        EXPECT_FALSE(manager.FindBlock(blocks[i], index));
        manager.FreeBlock(blocks[i]);  // a second release is ignored
        manager.FreeBlock(nullptr);
        EXPECT_EQ(manager.Count(), blocks.size() - i - 1);
    }
}

TEST(TXbDBFMemMgr, ScopedBlocksReturnToTheGlobalManager)
{
    const size_t before = XbDBFMemMgr().Count();
    {
        TXbDBFBlock block("test", 64);
        ASSERT_TRUE(block);
        EXPECT_EQ(XbDBFMemMgr().Count(), before + 1);
        TXbDBFBlock moved = std::move(block);
        EXPECT_FALSE(block);
        EXPECT_EQ(XbDBFMemMgr().Count(), before + 1);
    }
    EXPECT_EQ(XbDBFMemMgr().Count(), before);
}
