// The kit's list containers: item records, container streams, list files and their checks,
// lazy loading of bitmap items, form descriptions and the global container.

#include "KitStorageTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "widgets/KitLists.h"
#include "widgets/KitRegistration.h"
#include "widgets/KitStreamUtils.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string Saved(const TKitCustomContainer& list, bool withOffsets)
{
    TStringStream stream;
    list.SaveToStream(stream, withOffsets);
    return stream.DataString();
}

std::string Int(int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    return {static_cast<char>(bits), static_cast<char>(bits >> 8), static_cast<char>(bits >> 16), static_cast<char>(bits >> 24)};
}

TKitStringListItem& AddStrings(TKitStringList& list, const std::string& description, uint16_t ident,
                               const std::vector<std::string>& lines)
{
    auto& item = *list.Items(list.Add());
    item.SetDescription(description);
    item.SetIdent(ident);
    for (const std::string& line : lines) {
        item.Items().Add(line);
    }
    return item;
}

QImage Picture(int width, int height, QRgb base)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, (x + y) % 2 == 0 ? base : qRgb(255, 255, 255));
        }
    }
    return image;
}

std::string WaveFile()
{
    std::string file = std::string("RIFF") + Int(40) + "WAVEfmt " + Int(16);
    file += std::string("\x01\0\x01\0", 4) + Int(8000) + Int(8000) + std::string("\x01\0\x08\0", 4);
    return file + "data" + Int(4) + "\x80\x90\xA0\xB0";
}

class KitLists : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterKitClasses(); }
    TestFolder folder;
};

}  // namespace

TEST_F(KitLists, ContainerStreamWithOffsetsHoldsTheRecords)
{
    TKitStringList list(nullptr);
    AddStrings(list, "Greeting", 7, {"a", "b"});
    AddStrings(list, "", 0, {"x"}).SetCompressed(true);

    const std::string first = "\x0E\x08Greeting" + Int(7) + Int(6) + "a\r\nb\r\n";
    const std::string saved = Saved(list, true);
    ASSERT_EQ(saved.substr(0, 12), Int(2) + Int(12) + Int(static_cast<int32_t>(12 + first.size())));
    EXPECT_EQ(saved.substr(12, first.size()), first);
    EXPECT_EQ(saved[12 + first.size()], '\x09');  // compressed, with data: a chunked stream follows
    EXPECT_EQ(Saved(list, false), Int(2) + saved.substr(12));

    for (const bool withOffsets : {true, false}) {
        TStringStream stream(Saved(list, withOffsets));
        TKitStringList read(nullptr);
        read.LoadFromStream(stream, withOffsets);
        ASSERT_EQ(read.Count(), 2);
        EXPECT_EQ(read.Items(0)->Description(), "Greeting");
        EXPECT_EQ(read.Items(0)->Ident(), 7);
        EXPECT_EQ(read.Items(0)->Items().Text(), "a\r\nb\r\n");
        EXPECT_FALSE(read.Items(0)->Compressed());
        EXPECT_EQ(read.Items(1)->Description(), "");
        EXPECT_EQ(read.Items(1)->Items().Text(), "x\r\n");
        EXPECT_TRUE(read.Items(1)->Compressed());
        EXPECT_EQ(read.Items(1)->Owner(), &read);
        EXPECT_EQ(stream.Position(), stream.Size());
    }

    TKitStringList empty(nullptr);
    EXPECT_EQ(Saved(empty, true), Int(0));
}

TEST_F(KitLists, ItemsWithoutDataWriteOnlyTheirFlags)
{
    TKitWaveList list(nullptr);
    list.Add();
    auto& full = *list.Items(list.Add());
    full.SetIdent(3);
    TStringStream wave(WaveFile());
    full.Wave().LoadFromStream(wave);
    EXPECT_EQ(Saved(list, false), Int(2) + std::string(1, '\0') + "\x0C" + Int(3) + Int(static_cast<int32_t>(WaveFile().size())) +
                                      WaveFile());

    TStringStream stream(Saved(list, false));
    TKitWaveList read(nullptr);
    read.LoadFromStream(stream, false);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_TRUE(read.Items(0)->IsEmpty());
    EXPECT_EQ(read.Items(1)->Wave().Size(), static_cast<int64_t>(WaveFile().size()));
    EXPECT_EQ(read.Items(1)->Ident(), 3);
}

TEST_F(KitLists, BitmapItemsKeepTheirPixelFormat)
{
    TKitBitmapList list(nullptr);
    list.SetDefaultCompressed(true);
    list.SetDefaultPixelFormat(TKitSavePixelFormat::spf4bit);
    const std::vector<TKitSavePixelFormat> formats = {TKitSavePixelFormat::spfDefault, TKitSavePixelFormat::spf1bit,
                                                      TKitSavePixelFormat::spf4bit, TKitSavePixelFormat::spf8bit,
                                                      TKitSavePixelFormat::spf16bit};
    for (size_t i = 0; i < formats.size(); ++i) {
        auto& item = *list.Items(list.Add());
        EXPECT_TRUE(item.Compressed());
        EXPECT_EQ(item.PixelFormat(), TKitSavePixelFormat::spf4bit);
        item.SetPixelFormat(formats[i]);
        item.SetCompressed(i % 2 == 0);
        item.StoredBitmap().SetImage(Picture(9, 5, qRgb(0, 0, 0)));
    }
    const std::string file = folder / "pictures.bmp";
    list.SaveToFile(file);
    const std::string bytes = TestFolder::ReadFile(file);
    EXPECT_EQ(bytes.substr(0, 9), "\x08KITBML30");

    TKitBitmapList read(nullptr);
    read.LoadFromFile(file);
    ASSERT_EQ(read.Count(), 5);
    const uint8_t expectedFlags[] = {0x09, 0x18, 0x29, 0x48, 0x89};
    for (int i = 0; i < read.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read.Items(i)->PixelFormat(), formats[static_cast<size_t>(i)]);
        EXPECT_EQ(read.Items(i)->GetFlags(), expectedFlags[i]);
        EXPECT_TRUE(read.ImageExists(i, 0));
        EXPECT_EQ(read.ImageSize(i, 0), 9);
        EXPECT_EQ(read.ImageSize(i, 1), 5);
        EXPECT_EQ(read.ImageCount(i), 1);
        EXPECT_EQ(read.Pixel(i, 0, 1, 0), clWhite);
        EXPECT_EQ(read.Pixel(i, 0, 2, 0), clBlack);
        EXPECT_EQ(read.TransparentColor(i, 0), clBlack);  // bottom-left
    }
    EXPECT_FALSE(read.ImageExists(5, 0));
    EXPECT_EQ(read.ImageCount(5), 0);
    EXPECT_EQ(read.ImageSize(5, 0), 0);
    EXPECT_EQ(read.TransparentColor(-1, 0), clWhite);
    EXPECT_EQ(read.Pixel(0, 0, 9, 0), clNone);

    // One item of the file, without reading the others.
    TKitBitmapListItem single(nullptr);
    KitReadListFileItem(file, TKitListKind::lkBitmap, single, 3);
    EXPECT_EQ(single.PixelFormat(), TKitSavePixelFormat::spf8bit);
    EXPECT_EQ(single.StoredBitmap().Width(), 9);
    EXPECT_THROW(KitReadListFileItem(file, TKitListKind::lkBitmap, single, 5), EListError);
}

TEST_F(KitLists, ListFilesOfAnotherKindCannotBeOpened)
{
    TKitBitmapList bitmaps(nullptr);
    const std::string file = folder / "pictures.bml";
    bitmaps.SaveToFile(file);
    TKitStringListItem item(nullptr);
    for (const TKitListKind kind : {TKitListKind::lkImage, TKitListKind::lkString}) {
        try {
            KitReadListFileItem(file, kind, item, 0);
            ADD_FAILURE() << "read";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file " + file);
        }
    }
    TKitStringList strings(nullptr);
    EXPECT_THROW(strings.LoadFromFile(file), EFOpenError);
    EXPECT_THROW(strings.LoadFromFile(folder / "missing.txt"), EFOpenError);

    EXPECT_STREQ(KitListSignature(TKitListKind::lkRichText), "KITRTL50");
    EXPECT_EQ(KitListFileExt(TKitListKind::lkWave, true), ".wav");
    EXPECT_EQ(KitListFileExt(TKitListKind::lkGlyph, false), "*");
    EXPECT_EQ(KitListKindOfExt(".IML"), TKitListKind::lkImage);
    EXPECT_EQ(KitListKindOfExt("txt"), TKitListKind::lkString);
    EXPECT_FALSE(KitListKindOfExt("doc").has_value());
}

TEST_F(KitLists, DamagedListFilesAreRefusedAndTheListKeepsItsItems)
{
    TKitStringList source(nullptr);
    AddStrings(source, "one", 1, {"1"});
    AddStrings(source, "two", 2, {"2"});
    source.SaveToFile(folder / "good.txt");
    const std::string good = TestFolder::ReadFile(folder / "good.txt");
    const int64_t size = static_cast<int64_t>(good.size());
    auto patched = [&](size_t at, int32_t value) { return good.substr(0, at) + Int(value) + good.substr(at + 4); };
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"signature cut short", good.substr(0, 5)},
        {"no count", good.substr(0, 9)},
        {"negative count", patched(9, -1)},
        {"count beyond the file", patched(9, 1000000)},
        {"huge count", patched(9, 0x7FFFFFFF)},
        {"offset beyond the file", patched(13, static_cast<int32_t>(size + 10))},
        {"offset at the end", patched(17, static_cast<int32_t>(size))},
        {"offset inside the table", patched(13, 9)},
        {"negative offset", patched(13, -5)},
    };
    TKitStringList list(nullptr);
    AddStrings(list, "kept", 9, {"k"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder / "damaged.txt";
        TestFolder::WriteFile(file, c.bytes);
        try {
            list.LoadFromFile(file);
            ADD_FAILURE() << "read";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file " + file);
        }
        TKitStringListItem item(nullptr);
        EXPECT_THROW(KitReadListFileItem(file, TKitListKind::lkString, item, 0), EFOpenError);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.Items(0)->Description(), "kept");
    }

    // A record cut short fails with the stream's read error; the list stays as it was.
    const std::string file = folder / "cut.txt";
    TestFolder::WriteFile(file, good.substr(0, good.size() - 2));
    EXPECT_THROW(list.LoadFromFile(file), EReadError);
    EXPECT_EQ(list.Items(0)->Description(), "kept");
    TestFolder::WriteFile(file, good);
    list.LoadFromFile(file);
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(KitLists, ChangesReachTheListAndItsLinks)
{
    TKitStringList list(nullptr);
    std::vector<TObject*> senders;
    list.OnChange = [&](TObject* sender) { senders.push_back(sender); };
    TKitChangeLink link;
    int linkChanges = 0;
    link.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++linkChanges;
    };
    list.RegisterChanges(&link);

    TKitStringListItem& item = *list.Items(list.Add());
    EXPECT_EQ(linkChanges, 1);
    item.Items().Add("line");  // an item's change names the item
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(senders[1], &item);
    EXPECT_EQ(linkChanges, 1);

    TKitStringList copy(nullptr);
    copy.SetDefaultCompressed(false);
    list.SetDefaultCompressed(true);
    int copyChanges = 0;
    copy.OnChange = [&](TObject*) { ++copyChanges; };
    copy.Assign(list);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_TRUE(copy.DefaultCompressed());
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Items().Text(), "line\r\n");
    TKitWaveList waves(nullptr);
    EXPECT_THROW(copy.Assign(waves), EConvertError);

    // A freed item leaves the list; an item of another kind is refused.
    delete &item;
    EXPECT_EQ(list.Count(), 0);
    TKitWaveListItem wave(nullptr);
    EXPECT_THROW(list.Add(&wave), EComponentError);
    list.Add();
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(linkChanges, 3);
}

TEST_F(KitLists, BitmapItemsLoadByStorageMode)
{
    TKitBitmapList stored(nullptr);
    for (QRgb colour : {qRgb(255, 0, 0), qRgb(0, 0, 255)}) {
        stored.Items(stored.Add())->StoredBitmap().SetImage(Picture(4, 4, colour));
    }
    ForceDirectories(folder / "Pics");
    stored.SaveToFile(folder / "Pics/Buttons.bml");
    TBitmap picture;
    picture.SetImage(Picture(6, 3, qRgb(0, 128, 0)));
    TMemoryStream pictureFile;
    KitWriteBitmapFile(pictureFile, picture, kitFormatDevice);
    pictureFile.SaveToFile(folder / "Pics/but7.bmp");

    SetApplicationFolder(folder.Path());
    struct Case {
        const char* name;
        uint8_t mode;
        TKitPathPrefix prefix;
        std::string fileName;
        int width;
        TColor corner;
    };
    const std::vector<Case> cases = {
        {"list file under the program folder", 1, TKitPathPrefix::ppProgram, "pics\\BUTTONS.BML", 4, clBlue},
        {"list file, Windows folder prefix", 1, TKitPathPrefix::ppWindows, "Pics\\Buttons.bml", 4, clBlue},
        {"list file at a fixed place", 1, TKitPathPrefix::ppFixed, folder / "Pics/Buttons.bml", 4, clBlue},
        {"bitmap file by ident", 4, TKitPathPrefix::ppFixed, folder / "Pics/Buttons.bml", 6, clGreen},
        {"bitmap file under the system prefix", 4, TKitPathPrefix::ppSystem, "Pics\\butterflies.bml", 0, clNone},
        {"stored bitmap only", 0, TKitPathPrefix::ppProgram, "Pics\\Buttons.bml", 0, clNone},
        {"program resources", 2, TKitPathPrefix::ppProgram, "Pics\\Buttons.bml", 0, clNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TKitBitmapList list(nullptr);
        list.SetStorageMode(c.mode);
        list.SetPathPrefix(c.prefix);
        list.SetFileName(c.fileName);
        auto& item = *list.Items(list.Add());
        item.SetIdent(c.mode == 4 ? 7 : 1);
        int changes = 0;
        list.OnChange = [&](TObject*) { ++changes; };
        if (c.prefix == TKitPathPrefix::ppSystem) {
            // "but" + 7 + ".bmp" lies in Pics, not in the program folder itself.
            EXPECT_THROW(item.Bitmap(), EFOpenError);
            continue;
        }
        EXPECT_EQ(item.Bitmap().Width(), c.width);
        EXPECT_EQ(list.Pixel(0, 0, 0, 0), c.corner);
        EXPECT_EQ(changes, 0);
    }
    SetApplicationFolder("");
}

TEST_F(KitLists, FormDescriptionsHoldItemsInTheirList)
{
    TKitStringListItem model(nullptr);
    model.SetDescription("Hello");
    model.Items().Add("line one");
    std::string hex;
    for (const unsigned char byte : model.WriteInternal()) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    const std::string text = "object strings: TKitStringList\n"
                             "  DefaultCompressed = True\n"
                             "  object first: TKitStringListItem\n"
                             "    Internal = {" + hex + "}\n"
                             "  end\n"
                             "  object second: TKitStringListItem\n"
                             "    Description = 'Plain'\n"
                             "  end\n"
                             "end\n";
    std::unique_ptr<TComponent> root(CreateComponentFromText(text, "strings.form", nullptr));
    auto* list = dynamic_cast<TKitStringList*>(root.get());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->DefaultCompressed());
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0)->Name(), "first");
    EXPECT_EQ(list->Items(0)->Owner(), list);
    EXPECT_EQ(list->Items(0)->Description(), "Hello");
    EXPECT_EQ(list->Items(0)->Items().Text(), "line one\r\n");
    EXPECT_EQ(list->Items(1)->Description(), "Plain");

    const std::string wrongKind = "object strings: TKitStringList\n"
                                  "  object first: TKitWaveListItem\n"
                                  "  end\n"
                                  "end\n";
    EXPECT_THROW(CreateComponentFromText(wrongKind, "strings.form", nullptr), EComponentError);
}

TEST_F(KitLists, TheGlobalContainerAndItsReferenceTags)
{
    TKitContainer& global = KitGlobalContainer();
    EXPECT_EQ(&global, &KitGlobalContainer());
    EXPECT_TRUE(global.BitmapList().IsEmpty());
    EXPECT_EQ(KitWriteListReference(&global.BitmapList()), std::optional<std::string>("KITBML30"));
    EXPECT_EQ(KitReadListReference("KITBML30"), &global.BitmapList());
    EXPECT_EQ(KitReadListReference("KITWVL30"), nullptr);

    TKitContainer container(nullptr);
    EXPECT_FALSE(KitWriteListReference(&container.BitmapList()).has_value());
    TKitChangeLink link;
    int changes = 0;
    link.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &container);
        ++changes;
    };
    container.RegisterChanges(&link);
    container.WaveList().Add();
    container.StringList().Add();
    EXPECT_EQ(changes, 2);
    // Outside design mode nothing is copied into the global lists.
    EXPECT_TRUE(global.StringList().IsEmpty());
}
