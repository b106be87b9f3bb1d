// Image lists: picture strips and their growth, masks, the draw styles, the list operations on
// missing items, and items kept in list files.

#include "KitCanvasTestSupport.h"
#include "KitStorageTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/rtl/Exceptions.h"
#include "widgets/KitImageList.h"
#include "widgets/KitRegistration.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

// A picture of `count` pictures side by side: picture p has colour (p * 40, x * 16, y * 16)
// except its bottom-left pixel, which is lime (the see-through colour).
TBitmap Strip(int width, int height, int count = 1)
{
    QImage image(width * count, height, QImage::Format_RGB32);
    for (int p = 0; p < count; ++p) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool see = x == 0 && y == height - 1;
                image.setPixel(p * width + x, y, see ? qRgb(0, 255, 0) : qRgb(p * 40 + 20, x * 16, y * 16));
            }
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

QImage Draw(int width, int height, TColor background, const std::function<void(TCanvas&)>& paint)
{
    return KitDrawn(width, height, background, paint);
}

TColor At(const QImage& picture, int x, int y)
{
    return KitPixelAt(picture, x, y);
}

void ExpectRaises(const std::function<void()>& action, const std::string& message)
{
    try {
        action();
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const EInvalidGraphicOperation& error) {
        EXPECT_EQ(std::string(error.what()), message);
    }
}

class KitImageList : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterKitClasses(); }
    TestFolder folder;
};

TEST_F(KitImageList, StripsGrowByAllocByAndCheckPictureSizes)
{
    TKitImageList list(nullptr);
    TKitImageListItem& item = *list.Items(list.Add());
    ASSERT_EQ(item.Width(), 16);
    ASSERT_EQ(item.AllocBy(), 4);

    // A 48 x 16 bitmap is three pictures wide: only the first is taken.
    const TBitmap three = Strip(16, 16, 3);
    EXPECT_EQ(item.Add(&three), 0);
    EXPECT_EQ(item.Count(), 1);
    EXPECT_EQ(item.StripWidth(), 64);
    EXPECT_TRUE(item.ImageCopy(0) == three.Image().copy(0, 0, 16, 16));
    for (int i = 1; i < 4; ++i) item.Add();
    EXPECT_EQ(item.StripWidth(), 64);
    EXPECT_EQ(item.Add(), 4);
    EXPECT_EQ(item.StripWidth(), 128);
    EXPECT_EQ(item.UsedWidth(), 80);

    // Pictures that are not a whole number of pictures wide, or of another height, are refused
    // and leave the item as it was.
    for (const TBitmap& wrong : {Strip(40, 16), Strip(16, 15), Strip(8, 16)}) {
        ExpectRaises([&] { item.Add(&wrong); }, "Invalid image size");
    }
    EXPECT_EQ(item.Count(), 5);
    ExpectRaises([&] { item.SetWidth(0); }, "Invalid image size");

    // A new size empties the item.
    item.SetHeight(8);
    EXPECT_EQ(item.Count(), 0);
    EXPECT_EQ(item.StripWidth(), 0);

    // The strip stops at 32768 pixels.
    item.SetWidth(16384);
    item.SetAllocBy(1);
    item.Add();
    item.Add();
    ExpectRaises([&] { item.Add(); }, "Too many images");
    EXPECT_EQ(item.Count(), 2);
}

TEST_F(KitImageList, ReplaceDeleteAndAppendKeepEveryPictureInItsPlace)
{
    TKitImageList list(nullptr);
    TKitImageListItem& item = *list.Items(list.Add());
    item.SetWidth(4);
    item.SetHeight(3);
    const TBitmap pictures = Strip(4, 3, 3);
    for (int p = 0; p < 3; ++p) {
        TBitmap one;
        one.SetImage(pictures.Image().copy(p * 4, 0, 4, 3));
        item.Add(&one);
    }
    TBitmap replacement;
    replacement.SetImage(Strip(4, 3, 3).Image().copy(8, 0, 4, 3));
    item.Replace(0, replacement);
    EXPECT_TRUE(item.ImageCopy(0) == item.ImageCopy(2));

    item.Delete(0);
    ASSERT_EQ(item.Count(), 2);
    EXPECT_TRUE(item.ImageCopy(0) == pictures.Image().copy(4, 0, 4, 3));
    EXPECT_TRUE(item.ImageCopy(1) == pictures.Image().copy(8, 0, 4, 3));
    EXPECT_EQ(item.ImageRect(1), (TRect{4, 0, 8, 3}));
    EXPECT_THROW(item.Delete(2), EListError);

    // Appending an item to itself doubles it; an item of another size is refused.
    item.AddItem(item);
    ASSERT_EQ(item.Count(), 4);
    EXPECT_TRUE(item.ImageCopy(3) == pictures.Image().copy(8, 0, 4, 3));
    TKitImageListItem other(nullptr);
    ExpectRaises([&] { item.AddItem(other); }, "Invalid image size");

    EXPECT_EQ(item.TransparentColor(1), clLime);
    EXPECT_EQ(item.Pixel(1, 1, 0), static_cast<TColor>(0x001064));  // (100, 16, 0) as $00BBGGRR
    EXPECT_EQ(item.Pixel(1, 4, 0), clNone);
}

TEST_F(KitImageList, MasksAndDrawStyles)
{
    TKitImageList list(nullptr);
    TKitImageListItem& item = *list.Items(list.Add());
    item.SetWidth(4);
    item.SetHeight(3);
    item.SetMasked(true);
    const TBitmap picture = Strip(4, 3);
    item.Add();
    item.ReplaceMasked(0, picture, clLime);
    ASSERT_TRUE(item.PictureMasked(0));
    EXPECT_EQ(At(item.MaskStrip(), 0, 2), clWhite);
    EXPECT_EQ(At(item.MaskStrip(), 1, 2), clBlack);

    const TColor inside = FromQColor(picture.Image().pixelColor(1, 1));
    auto draw = [&](uint8_t style, TColor bk, TColor blend, uint8_t type = 0) {
        item.SetDrawStyle(style);
        item.SetBkColor(bk);
        item.SetBlendColor(blend);
        item.SetImageType(type);
        return Draw(6, 5, clSilver, [&](TCanvas& canvas) { list.Draw(canvas, 1, 1, 0, 0); });
    };
    // 3 and 2 without a background: the see-through pixel shows what was there.
    for (const uint8_t style : {uint8_t{3}, uint8_t{2}}) {
        const QImage drawn = draw(style, clNone, clNone);
        EXPECT_EQ(At(drawn, 1, 3), clSilver) << int(style);
        EXPECT_EQ(At(drawn, 2, 2), inside) << int(style);
        EXPECT_EQ(At(drawn, 0, 0), clSilver) << int(style);
    }
    // 2 with a background: it fills the picture's place first (style 3 ignores it).
    EXPECT_EQ(At(draw(2, clNavy, clNone), 1, 3), clNavy);
    EXPECT_EQ(At(draw(3, clNavy, clNone), 1, 3), clSilver);
    // 0 lays the blend colour where x or y is even, 1 where their parity differs.
    const QImage blend0 = draw(0, clNavy, clRed);
    EXPECT_EQ(At(blend0, 1, 1), clRed);
    EXPECT_EQ(At(blend0, 2, 2), inside);  // picture (1, 1): both odd
    const QImage blend1 = draw(1, clNavy, clRed);
    EXPECT_EQ(At(blend1, 2, 2), inside);
    EXPECT_EQ(At(blend1, 2, 1), clRed);
    // Image type 1 draws the mask itself.
    const QImage maskDrawn = draw(3, clNone, clNone, 1);
    EXPECT_EQ(At(maskDrawn, 1, 3), clWhite);
    EXPECT_EQ(At(maskDrawn, 2, 2), clBlack);

    // Replacing without a mask blackens the mask area and the picture draws plainly.
    item.SetImageType(0);
    item.Replace(0, picture);
    EXPECT_FALSE(item.PictureMasked(0));
    EXPECT_EQ(At(draw(3, clNone, clNone), 1, 3), clLime);

    // Switching the mask off drops it.
    item.SetMasked(false);
    EXPECT_TRUE(item.MaskStrip().isNull());
}

TEST_F(KitImageList, MissingItemsAndPicturesGiveTheNeutralAnswers)
{
    TKitImageList list(nullptr);
    TKitImageListItem& item = *list.Items(list.Add());
    const TBitmap picture = Strip(16, 16);
    item.Add(&picture);
    EXPECT_TRUE(list.ImageExists(0, 0));
    EXPECT_FALSE(list.ImageExists(0, 1));
    EXPECT_FALSE(list.ImageExists(1, 0));
    EXPECT_EQ(list.ImageCount(0), 1);
    EXPECT_EQ(list.ImageCount(1), -1);
    EXPECT_EQ(list.ImageSize(0, 1), 16);
    EXPECT_EQ(list.ImageSize(-1, 0), 0);
    EXPECT_EQ(list.TransparentColor(0, 0), clLime);
    EXPECT_EQ(list.TransparentColor(0, 3), clWhite);
    EXPECT_EQ(list.Pixel(2, 0, 0, 0), clNone);
    EXPECT_TRUE(list.ImageCopy(0, 5).isNull());
    EXPECT_EQ(list.ImageRect(0, 5), TRect{});
    EXPECT_FALSE(list.Masked(3));
    const QImage untouched = Draw(4, 4, clSilver, [&](TCanvas& canvas) { list.Draw(canvas, 0, 0, 0, 9); });
    EXPECT_EQ(At(untouched, 0, 0), clSilver);
}

TEST_F(KitImageList, ListFilesKeepThePicturesPixelForPixel)
{
    TKitImageList list(nullptr);
    TKitImageListItem& plain = *list.Items(list.Add());
    plain.SetWidth(5);
    plain.SetHeight(4);
    TKitImageListItem& masked = *list.Items(list.Add());
    masked.SetWidth(5);
    masked.SetHeight(4);
    masked.SetMasked(true);
    masked.SetCompressed(true);
    list.Items(list.Add())->SetWidth(7);  // an item without pictures
    const TBitmap pictures = Strip(5, 4, 3);
    for (int p = 0; p < 3; ++p) {
        TBitmap one;
        one.SetImage(pictures.Image().copy(p * 5, 0, 5, 4));
        plain.Add(&one);
        masked.Add();
        masked.ReplaceMasked(p, one, clLime);
    }

    const std::string file = folder / "pictures.ilf";
    list.SaveToFile(file);
    TKitImageList read(nullptr);
    read.LoadFromFile(file);
    ASSERT_EQ(read.Count(), 3);
    for (int i = 0; i < 2; ++i) {
        const TKitImageListItem& before = *list.Items(i);
        const TKitImageListItem& after = *read.Items(i);
        EXPECT_EQ(after.Count(), 3);
        EXPECT_EQ(after.Masked(), before.Masked());
        for (int p = 0; p < 3; ++p) {
            EXPECT_TRUE(after.ImageCopy(p) == before.ImageCopy(p)) << "item " << i << " picture " << p;
            const QImage drawnBefore = Draw(7, 6, clSilver, [&](TCanvas& canvas) { before.Draw(canvas, 1, 1, p); });
            const QImage drawnAfter = Draw(7, 6, clSilver, [&](TCanvas& canvas) { after.Draw(canvas, 1, 1, p); });
            EXPECT_TRUE(drawnAfter == drawnBefore) << "item " << i << " picture " << p;
        }
    }
    EXPECT_EQ(read.Items(2)->Count(), 0);
    EXPECT_EQ(read.Items(2)->Width(), 7);

    // The record of the item without pictures ends with the count 0: no strip follows.
    TStringStream stream;
    list.Items(2)->SaveToStream(stream);
    const std::string record = stream.DataString();
    ASSERT_GE(record.size(), 17u);
    EXPECT_EQ(record.substr(record.size() - 4), std::string(4, '\0'));

    // A record whose count runs past its strip is refused, and the list keeps its items.
    TKitImageList damagedList(nullptr);
    TKitImageListItem& liar = *damagedList.Items(damagedList.Add());
    liar.SetWidth(5);
    liar.SetHeight(4);
    TBitmap one;
    one.SetImage(pictures.Image().copy(0, 0, 5, 4));
    liar.Add(&one);
    TStringStream good;
    liar.SaveToStream(good);
    std::string bytes = good.DataString();
    bytes[record.size() - 4] = 9;  // the count, at the same place as in the empty item's record
    TStringStream damaged(bytes);
    TKitImageListItem target(nullptr);
    EXPECT_ANY_THROW(target.LoadFromStream(damaged));
    EXPECT_EQ(target.Count(), 0);
    EXPECT_EQ(target.Width(), 16);
}

TEST_F(KitImageList, FormDescriptionsReadTheRecordUnderEitherName)
{
    TKitImageListItem model(nullptr);
    model.SetWidth(5);
    model.SetHeight(4);
    model.SetMasked(true);
    const TBitmap pictures = Strip(5, 4, 2);
    for (int p = 0; p < 2; ++p) {
        TBitmap one;
        one.SetImage(pictures.Image().copy(p * 5, 0, 5, 4));
        model.Add();
        model.ReplaceMasked(p, one, clLime);
    }
    std::string hex;
    for (const unsigned char byte : model.WriteInternal()) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    // "Internal" is today's name of the record, "Bitmap" the name older descriptions used.
    const std::string text = "object pictures: TKitImageList\n"
                             "  object current: TKitImageListItem\n"
                             "    Internal = {" + hex + "}\n"
                             "  end\n"
                             "  object older: TKitImageListItem\n"
                             "    Bitmap = {" + hex + "}\n"
                             "  end\n"
                             "end\n";
    std::unique_ptr<TComponent> root(CreateComponentFromText(text, "pictures.form", nullptr));
    auto* list = dynamic_cast<TKitImageList*>(root.get());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const TKitImageListItem& item = *list->Items(i);
        ASSERT_EQ(item.Count(), 2) << i;
        EXPECT_TRUE(item.Masked());
        for (int p = 0; p < 2; ++p) {
            const QImage drawnBefore = Draw(7, 6, clSilver, [&](TCanvas& canvas) { model.Draw(canvas, 1, 1, p); });
            const QImage drawnAfter = Draw(7, 6, clSilver, [&](TCanvas& canvas) { item.Draw(canvas, 1, 1, p); });
            EXPECT_TRUE(drawnAfter == drawnBefore) << "item " << i << " picture " << p;
        }
    }
}

}  // namespace
