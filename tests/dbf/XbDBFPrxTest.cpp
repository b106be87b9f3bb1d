#include "dbf/XbDBFPrx.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>

TEST(TAccessMode, PacksAndUnpacksTheOpenAndShareBits)
{
    struct Case {
        uint32_t packed;
        bool read, write, readWrite, exclusive, denyWrite, denyNone;
    };
    const Case cases[] = {
        {18, true, false, true, true, false, false},
        {16, true, false, false, true, false, false},
        {0x41, true, true, false, false, false, true},
        {0x22, true, false, true, false, true, false},
    };
    for (const Case& c : cases) {
        TAccessMode mode;
        mode.SetAccessMode(c.packed);
        EXPECT_EQ(mode.OpenRead, c.read) << c.packed;
        EXPECT_EQ(mode.OpenWrite, c.write) << c.packed;
        EXPECT_EQ(mode.OpenReadWrite, c.readWrite) << c.packed;
        EXPECT_EQ(mode.ShareExclusive, c.exclusive) << c.packed;
        EXPECT_EQ(mode.ShareDenyWrite, c.denyWrite) << c.packed;
        EXPECT_EQ(mode.ShareDenyNone, c.denyNone) << c.packed;
        EXPECT_EQ(mode.AccessMode(), c.packed);
    }
    TAccessMode defaults;
    EXPECT_EQ(defaults.AccessMode(), 16u);
}

TEST(TFieldFlag, WritingClearsAllBeforeSetting)
{
    TFieldFlag flag;
    flag.System = true;
    flag.AutoIncrement = true;
    flag.SetFieldFlag(6);
    EXPECT_FALSE(flag.System);
    EXPECT_TRUE(flag.CanStoreNull);
    EXPECT_TRUE(flag.BinaryColumn);
    EXPECT_FALSE(flag.AutoIncrement);
    EXPECT_EQ(flag.FieldFlag(), 6);
    TTableFlag table;
    table.SetTableFlag(5);
    EXPECT_TRUE(table.HasGotIndex && !table.HasGotMemo && table.ItIsDatabase);
    EXPECT_EQ(table.TableFlag(), 5);
}

TEST(TProxyStream, InnerStreamOpensOnlyWhenAskedAndAlwaysLocks)
{
    TProxyStream proxy;
    proxy.ProxyStreamType = TProxyStreamType::pstInnerStream;
    EXPECT_FALSE(proxy.IsOpen());
    ASSERT_TRUE(proxy.CreateProxyStream());
    EXPECT_TRUE(proxy.IsOpen());
    EXPECT_TRUE(proxy.LockRange(1000000001, 1));
    EXPECT_EQ(proxy.WriteBlock("abcdef", 6), 6);
    EXPECT_EQ(proxy.SeekTo(2, 0), 2);
    EXPECT_TRUE(proxy.Truncate());
    EXPECT_EQ(proxy.SeekTo(0, 2), 2);
    proxy.CloseStream();
    EXPECT_FALSE(proxy.IsOpen());
    ASSERT_TRUE(proxy.OpenStream());
    char buffer[4] = {};
    EXPECT_EQ(proxy.ReadBlock(buffer, 4), 2);
    EXPECT_EQ(std::string(buffer, 2), "ab");
}

TEST(TProxyStream, OuterStreamLocksAsItsHandlerDecides)
{
    TMemoryStream outer;
    TProxyStream proxy;
    proxy.ProxyStreamType = TProxyStreamType::pstOuterStream;
    proxy.SetOuterStream(&outer);
    ASSERT_TRUE(proxy.OpenStream());
    EXPECT_TRUE(proxy.LockRange(5, 1));  // no handler: granted
    int calls = 0;
    proxy.OnLockEvent = [&](TProxyStream*, TProxyStreamType type, TStream* stream, bool&) {
        ++calls;
        EXPECT_EQ(type, TProxyStreamType::pstOuterStream);
        EXPECT_EQ(stream, &outer);
    };
    EXPECT_FALSE(proxy.LockRange(5, 1));  // handler leaves the answer false
    proxy.OnUnlockEvent = [](TProxyStream*, TProxyStreamType, TStream*, bool& success) { success = true; };
    EXPECT_TRUE(proxy.UnlockRange(5, 1));
    EXPECT_EQ(calls, 1);
}

TEST(TProxyStream, FileShareModesAndByteRangeLocks)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dat");
    TProxyStream first;
    first.FileName = name;
    first.AccessMode().SetAccessMode(0x42);  // read-write, deny none
    ASSERT_TRUE(first.CreateProxyStream());
    EXPECT_EQ(first.WriteBlock("0123456789", 10), 10);
    EXPECT_EQ(first.SeekTo(-3, 2), 7);
    char tail[3] = {};
    EXPECT_EQ(first.ReadBlock(tail, 3), 3);
    EXPECT_EQ(std::string(tail, 3), "789");

    TProxyStream second;
    second.FileName = name;
    second.AccessMode().SetAccessMode(0x12);  // exclusive: refused while the first is open
    EXPECT_FALSE(second.OpenStream());
    second.AccessMode().SetAccessMode(0x42);
    ASSERT_TRUE(second.OpenStream());

    // Byte-range locks belong to each open file, so the two proxies exclude each other.
    EXPECT_TRUE(first.LockRange(1000000001, 1));
    EXPECT_FALSE(second.LockRange(1000000001, 1));
    EXPECT_TRUE(second.LockRange(1000000002, 1));
    EXPECT_TRUE(first.UnlockRange(1000000001, 1));
    EXPECT_TRUE(second.LockRange(1000000001, 1));

    first.CloseStream();
    second.CloseStream();
    TProxyStream missing;
    missing.FileName = folder.File("none.dat");
    EXPECT_FALSE(missing.OpenStream());
    EXPECT_FALSE(missing.IsOpen());
}

TEST(TProxyStream, LoadFromFileReplacesTheContents)
{
    TScratchFolder folder;
    std::vector<uint8_t> source(150000);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i * 7);
    WriteWholeFile(folder.File("source.bin"), source);

    TProxyStream file;
    file.FileName = folder.File("target.bin");
    file.AccessMode().SetAccessMode(0x12);
    ASSERT_TRUE(file.CreateProxyStream());
    std::vector<uint8_t> longer(200000, 0xEE);
    file.WriteBlock(longer.data(), static_cast<int64_t>(longer.size()));
    ASSERT_TRUE(file.LoadFromFile(folder.File("source.bin")));
    EXPECT_EQ(file.SeekTo(0, 1), 0);
    file.CloseStream();
    EXPECT_EQ(ReadWholeFile(folder.File("target.bin")), source);

    TProxyStream inner;
    inner.ProxyStreamType = TProxyStreamType::pstInnerStream;
    inner.CreateProxyStream();
    ASSERT_TRUE(inner.LoadFromFile(folder.File("source.bin")));
    EXPECT_EQ(std::vector<uint8_t>(inner.InnerStream().Memory(), inner.InnerStream().Memory() + inner.InnerStream().Size()), source);
    EXPECT_FALSE(inner.LoadFromFile(folder.File("missing.bin")));
}
