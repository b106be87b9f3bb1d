// The picture class: drawing a single frame (no painter), the picture's bitmap, frames made from
// bitmaps, copying, the size writers and the palette with their errors, optimising without
// changing what the picture shows, the registration with the picture formats and the clipboard.

#include "GIFPictureTestSupport.h"
#include "GuiTestSupport.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/PictureFormats.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace giftest;

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);
const QRgb kRed = qRgb(200, 30, 30);
const QRgb kGreen = qRgb(30, 180, 40);
const QRgb kBlue = qRgb(40, 60, 220);

std::string Saved(TGIFPicture& picture)
{
    TStringStream stream;
    picture.SaveToStream(stream);
    return stream.DataString();
}

template <class TError>
std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TError& error) {
        return error.Message();
    }
    return "(no error)";
}

TEST(GIFPicture, SingleFrameDrawsAtOnceThroughItsMask)
{
    auto picture = MakeAnimation(4, 3, {{1, 1, 3, 2, "0.1" "22.", TDisposalMethod::dmNone, 0}});
    EXPECT_EQ(picture->Version(), TGIFVersion::gv89a);
    int starts = 0;
    picture->OnStartPaint = [&starts](TObject*) { ++starts; };
    TSurface surface(8, 6, kMagenta);
    // Stretched twice over the rectangle: each pixel becomes 2 by 2; transparent ones stay.
    picture->Draw(surface.Canvas(), {0, 0, 8, 6});
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(picture->PainterCount(), 0);
    const QImage shown = surface.Image();
    EXPECT_EQ(shown.pixel(0, 0), kMagenta);
    EXPECT_EQ(shown.pixel(2, 2), kRed);
    EXPECT_EQ(shown.pixel(3, 3), kRed);
    EXPECT_EQ(shown.pixel(4, 2), kMagenta) << "transparent";
    EXPECT_EQ(shown.pixel(6, 3), kGreen);
    EXPECT_EQ(shown.pixel(2, 4), kBlue);
    EXPECT_EQ(shown.pixel(6, 5), kMagenta) << "transparent";
    // Opaque drawing shows the transparent pixels' own colour.
    TGIFDrawOptions options = picture->DrawOptions();
    options.Exclude(TGIFDrawOption::goTransparent);
    picture->SetDrawOptions(options);
    picture->Draw(surface.Canvas(), {0, 0, 4, 3});
    EXPECT_EQ(surface.Image().pixel(2, 1), qRgb(0, 0, 0));
    // Tiled: repeated at its own size from the rectangle's corner, cut at its edges.
    auto tiled = MakeAnimation(2, 1, {{0, 0, 2, 1, "01", TDisposalMethod::dmNone, 0}});
    tiled->SetDrawOptions({TGIFDrawOption::goTile});
    TSurface strip(6, 2, kMagenta);
    tiled->Draw(strip.Canvas(), {1, 0, 6, 1});
    const QImage tiles = strip.Image();
    EXPECT_EQ((std::vector<QRgb>{tiles.pixel(0, 0), tiles.pixel(1, 0), tiles.pixel(2, 0), tiles.pixel(3, 0), tiles.pixel(4, 0),
                                 tiles.pixel(5, 0), tiles.pixel(1, 1)}),
              (std::vector<QRgb>{kMagenta, kRed, kGreen, kRed, kGreen, kRed, kMagenta}));
}

TEST(GIFPicture, BitmapIsTheFirstFrameAtTheLogicalSize)
{
    // A frame that covers the screen is copied as it is.
    auto whole = MakeAnimation(3, 2, {{0, 0, 3, 2, "012" "21.", TDisposalMethod::dmNone, 0}});
    TBitmap bitmap;
    bitmap.Assign(*whole);
    ASSERT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.Image().pixel(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(bitmap.Image().pixel(1, 0), kGreen);
    // A smaller frame is drawn at its place on a picture of the logical size.
    auto part = MakeAnimation(5, 4, {{2, 1, 2, 2, "12" "21", TDisposalMethod::dmNone, 0}});
    TBitmap* own = part->Bitmap();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->Width(), 5);
    EXPECT_EQ(own->Height(), 4);
    EXPECT_EQ(own->Image().pixel(2, 1), kGreen);
    EXPECT_EQ(own->Image().pixel(3, 1), kBlue);
    EXPECT_EQ(own->Image().pixel(0, 0), kRed) << "entry 0 of the palette around the frame";
    // A change of size drops it.
    part->SetWidth(6);
    EXPECT_EQ(part->Bitmap()->Width(), 6);
    // A logical screen beyond what a frame may hold is refused before anything is allocated.
    auto huge = MakeAnimation(2, 2, {{0, 0, 1, 1, "1", TDisposalMethod::dmNone, 0}});
    huge->Header().SetWidth(65535);
    huge->Header().SetHeight(65535);
    huge->Changed();
    EXPECT_EQ(ErrorOf<EOutOfMemory>([&] { huge->Bitmap(); }), "Failed to allocate memory for GIF DIB");
    EXPECT_EQ(TGIFPicture().Bitmap(), nullptr);
}

TEST(GIFPicture, SizeWritersAndPaletteRefuseWhatCannotBe)
{
    auto picture = MakeAnimation(10, 8, {{2, 3, 6, 4, "", TDisposalMethod::dmNone, 0}});
    int changes = 0;
    picture->OnChange = [&changes](TObject*) { ++changes; };
    EXPECT_EQ(ErrorOf<GIFException>([&] { picture->SetWidth(7); }), "Image width too small for contained frames");
    EXPECT_EQ(ErrorOf<GIFException>([&] { picture->SetHeight(6); }), "Image height too small for contained frames");
    EXPECT_EQ(picture->Width(), 10);
    EXPECT_EQ(picture->Height(), 8);
    EXPECT_EQ(changes, 0);
    picture->SetWidth(8);
    picture->SetHeight(8);
    EXPECT_EQ(picture->Width(), 8);
    EXPECT_EQ(changes, 1) << "only a changed value signals";

    EXPECT_EQ(picture->Palette().size(), 8u) << "the global table";
    // Neither a global nor a local table: the picture asks its first frame, which asks back.
    TGIFPicture bare;
    auto frame = std::make_unique<TGIFSubImage>(&bare);
    frame->SetBounds(0, 0, 2, 2);
    bare.Images().Add(std::move(frame));
    EXPECT_EQ(ErrorOf<GIFException>([&] { bare.Palette(); }), "No global or local color table defined");
    // A local table serves.
    bare.Images()[0].ColorMap().Add({1, 2, 3});
    EXPECT_EQ(bare.Palette(), (TPalette{{1, 2, 3, PC_NOCOLLAPSE}}));
    // A palette set on the picture drops its bitmap.
    TBitmap* before = bare.Bitmap();
    ASSERT_NE(before, nullptr);
    bare.SetPalette({{9, 9, 9, 0}, {8, 8, 8, 0}});
    EXPECT_EQ(bare.Palette(), (TPalette{{9, 9, 9, 0}, {8, 8, 8, 0}}));

    struct Bogus : TPersistent {};
    EXPECT_EQ(ErrorOf<GIFException>([&] { picture->Add(Bogus()); }), "Object type not supported for operation");
}

TEST(GIFPicture, CopyKeepsDrawingSettingsButNotTheWritingOnes)
{
    auto source = MakeAnimation(6, 4, {{0, 0, 6, 4, "", TDisposalMethod::dmBackground, 12}, {1, 1, 2, 2, "1.2.", TDisposalMethod::dmNone, 3}}, 2);
    const TGIFDrawOptions options{TGIFDrawOption::goTile, TGIFDrawOption::goAnimate, TGIFDrawOption::goClearOnLoop};
    source->SetDrawOptions(options);
    source->SetColorReduction(TColorReduction::rmGrayScale);
    source->SetDitherMode(TDitherMode::dmStucki);
    source->SetThreadPriority(TThreadPriority::tpLowest);
    source->SetDrawBackgroundColor(clYellow);
    source->SetCompression(TGIFCompression::gcRLE);
    source->SetAnimationSpeed(250);
    source->SetReductionBits(3);
    TGIFPicture copy;
    std::vector<std::string> messages;
    copy.OnProgress = [&messages](TObject*, TProgressStage, int percent, const std::string& message) {
        messages.push_back(message + std::to_string(percent));
    };
    copy.Assign(*source);
    EXPECT_EQ(copy.DrawOptions(), options);
    EXPECT_EQ(copy.ColorReduction(), TColorReduction::rmGrayScale);
    EXPECT_EQ(copy.DitherMode(), TDitherMode::dmStucki);
    EXPECT_EQ(copy.ThreadPriority(), TThreadPriority::tpLowest);
    EXPECT_EQ(copy.DrawBackgroundColor(), clYellow);
    EXPECT_EQ(copy.Compression(), TGIFCompression::gcLZW);
    EXPECT_EQ(copy.AnimationSpeed(), 100);
    EXPECT_EQ(copy.ReductionBits(), 8);
    EXPECT_EQ(messages, (std::vector<std::string>{"Copying...0", "Copying...50", "Copying...100", "Copying...100"}));
    source->SetCompression(TGIFCompression::gcLZW);
    EXPECT_EQ(Saved(copy), Saved(*source)) << "the same file";
    // A bitmap becomes the only frame.
    QImage image(3, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    image.fill(1);
    TBitmap bitmap;
    bitmap.SetImage(image);
    copy.Assign(bitmap);
    ASSERT_EQ(copy.Images().Count(), 1);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.Images()[0].Pixels(2, 1), 1);
}

QImage Picture(int width, int height, const std::function<QRgb(int, int)>& color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, color(x, y));
        }
    }
    return image;
}

TEST(GIFPicture, FramesMadeFromBitmaps)
{
    TGIFPicture picture;
    // 8 bits: the palette and the indices as they are.
    QImage indexed(5, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(70, 80, 90)});
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            indexed.setPixel(x, y, static_cast<uint>((x + y) % 3));
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(indexed);
    TGIFSubImage& eight = picture.Images()[picture.Add(bitmap)];
    EXPECT_EQ(eight.ColorMap().Count(), 3);
    EXPECT_EQ(eight.ColorMap().Colors(2), (TGIFColor{70, 80, 90}));
    EXPECT_EQ(eight.Pixels(4, 2), 0);
    EXPECT_EQ(eight.Pixels(1, 2), 0);
    EXPECT_EQ(eight.Pixels(1, 0), 1);
    // 1 bit: most significant bit first.
    QImage mono(10, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(0, 0, 1);
    mono.setPixel(9, 0, 1);
    bitmap.SetImage(mono);
    TGIFSubImage& one = picture.Images()[picture.Add(bitmap)];
    EXPECT_EQ(one.Data(), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));

    // True colour is reduced first: by default to the web cube.
    const QImage ramp = Picture(40, 20, [](int x, int y) { return qRgb(x * 6, y * 12, 128); });
    bitmap.SetImage(ramp);
    TGIFSubImage& web = picture.Images()[picture.Add(bitmap)];
    EXPECT_LE(web.ColorMap().Count(), 216);
    for (int i = 0; i < web.ColorMap().Count(); ++i) {
        const TGIFColor color = web.ColorMap().Colors(i);
        EXPECT_EQ(color.Red % 51 + color.Green % 51 + color.Blue % 51, 0);
    }
    picture.SetColorReduction(TColorReduction::rmQuantize);
    picture.SetReductionBits(3);
    EXPECT_LE(picture.Images()[picture.Add(bitmap)].ColorMap().Count(), 8);
    // Without reduction more than 256 colours do not fit a table.
    picture.SetColorReduction(TColorReduction::rmNone);
    EXPECT_EQ(ErrorOf<GIFException>([&] { picture.Add(bitmap); }), "Color table overflow");
    const int before = picture.Images().Count();
    bitmap.SetImage(Picture(4, 4, [](int x, int y) { return qRgb(x * 50, y * 50, 7); }));
    TGIFSubImage& exact = picture.Images()[picture.Add(bitmap)];
    EXPECT_EQ(picture.Images().Count(), before + 1);
    EXPECT_EQ(exact.ColorMap().Count(), 16);
    EXPECT_EQ(exact.ColorMap().Colors(exact.Pixels(3, 2)), (TGIFColor{150, 100, 7}));

    // Clear pixels of a picture with an alpha channel become the frame's transparent colour.
    bitmap.SetImage(Picture(4, 2, [](int x, int y) { return x == 1 ? qRgba(0, 0, 0, 0) : qRgb(10, 200, 30); },
                            QImage::Format_ARGB32));
    picture.SetColorReduction(TColorReduction::rmNone);
    TGIFSubImage& masked = picture.Images()[picture.Add(bitmap)];
    ASSERT_TRUE(masked.Transparent());
    const int transparent = masked.TransparentColorIndex();
    EXPECT_EQ(masked.ColorMap().Colors(transparent), (TGIFColor{0, 0, 0}));
    EXPECT_EQ(masked.Pixels(1, 0), transparent);
    EXPECT_EQ(masked.Pixels(1, 1), transparent);
    EXPECT_NE(masked.Pixels(0, 0), transparent);
    EXPECT_EQ(masked.ColorMap().Count(), 3) << "green, the clear pixels' own black, the transparent black";
    // An alpha channel with nothing clear adds no entry.
    bitmap.SetImage(Picture(2, 2, [](int, int) { return qRgb(10, 200, 30); }, QImage::Format_ARGB32));
    TGIFSubImage& opaque = picture.Images()[picture.Add(bitmap)];
    EXPECT_FALSE(opaque.Transparent());
    EXPECT_EQ(opaque.ColorMap().Count(), 1);
}

TEST(GIFPicture, DitheringMapsFramesOntoTheWebPalette)
{
    auto picture = MakeAnimation(6, 2, {{0, 0, 6, 2, "0123.5" "543.10", TDisposalMethod::dmNone, 0}});
    TGIFDrawOptions options = picture->DrawOptions();
    options.Exclude(TGIFDrawOption::goAutoDither);
    picture->SetDrawOptions(options);
    ASSERT_TRUE(picture->DoDither());
    TGIFSubImage& frame = picture->Images()[0];
    EXPECT_EQ(frame.Palette(), MakeWebPalette());
    const TBitmap& bitmap = frame.Bitmap();
    const TPalette web = MakeWebPalette();
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_LT(bitmap.ScanLine(y)[x], 216);
        }
    }
    ASSERT_NE(frame.Mask(), nullptr);
    EXPECT_EQ(frame.Mask()->Image().pixelIndex(4, 0), 1);
    EXPECT_EQ(frame.Mask()->Image().pixelIndex(3, 1), 1);
    EXPECT_EQ(frame.Mask()->Image().pixelIndex(0, 0), 0);
    // Switching dithering off makes the bitmap again from the colour table.
    options.Exclude(TGIFDrawOption::goDither);
    picture->SetDrawOptions(options);
    EXPECT_FALSE(frame.HasBitmap());
    EXPECT_EQ(frame.Bitmap().Image().pixel(1, 0), kGreen);
}

TEST(GIFPicture, RenderOnLoadMakesTheBitmapsAsFramesLoad)
{
    auto picture = MakeAnimation(3, 1, {{0, 0, 3, 1, "012", TDisposalMethod::dmNone, 0}, {0, 0, 1, 1, "1", TDisposalMethod::dmNone, 0}});
    const std::string bytes = Saved(*picture);
    for (const bool render : {false, true}) {
        SetGIFRenderOnLoad(render);
        TGIFPicture loaded;
        TStringStream stream(bytes);
        loaded.LoadFromStream(stream);
        EXPECT_EQ(loaded.Images()[0].HasBitmap(), render);
        EXPECT_EQ(loaded.Images()[1].HasBitmap(), render);
    }
    SetGIFRenderOnLoad(false);
}

TEST(GIFPicture, CropAndMergeShrinkFrames)
{
    // Crop drops transparent edges; a frame transparent throughout keeps one pixel when it has
    // blocks, and becomes empty when it has none.
    auto picture = MakeAnimation(6, 5, {{0, 0, 6, 5, "......" "..12.." ".3..4." "......" "......", TDisposalMethod::dmNone, 4},
                                        {1, 1, 2, 2, "....", TDisposalMethod::dmNone, 9},
                                        {0, 0, 2, 1, "..", TDisposalMethod::dmNone, 0, false}});
    picture->Images()[2].SetTransparent(true);
    for (int i = 0; i < 3; ++i) {
        picture->Images()[i].Crop();
    }
    const TGIFSubImage& cropped = picture->Images()[0];
    EXPECT_EQ((std::vector<int>{cropped.Left(), cropped.Top(), cropped.Width(), cropped.Height()}), (std::vector<int>{1, 1, 4, 2}));
    EXPECT_EQ(cropped.Data(), (std::vector<uint8_t>{7, 1, 2, 7, 3, 7, 7, 4}));
    EXPECT_EQ(picture->Images()[1].Width(), 1) << "keeps its delay block";
    EXPECT_EQ(picture->Images()[1].Data(), (std::vector<uint8_t>{7}));
    EXPECT_FALSE(picture->Images()[2].Empty()) << "no transparent index without a control block";

    // Merge: pixels that repeat the frame below become transparent; an opaque frame gets a
    // transparent index (a new black entry) and a control block.
    auto merged = MakeAnimation(4, 2, {{0, 0, 4, 2, "0123" "3210", TDisposalMethod::dmNone, 0},
                                       {1, 0, 3, 2, "153" "200", TDisposalMethod::dmNone, 0, false}});
    TGIFSubImage& second = merged->Images()[1];
    second.Merge(merged->Images()[0]);
    EXPECT_TRUE(second.Transparent());
    const int index = second.TransparentColorIndex();
    EXPECT_EQ(index, 8) << "black added to the global table";
    EXPECT_EQ(second.Data(), (std::vector<uint8_t>{8, 5, 8, 8, 0, 8}));
    // Not onto a frame whose disposal takes it away.
    auto kept = MakeAnimation(4, 2, {{0, 0, 4, 2, "0123" "3210", TDisposalMethod::dmBackground, 0},
                                     {0, 0, 4, 2, "0123" "3210", TDisposalMethod::dmNone, 0, false}});
    kept->Images()[1].Merge(kept->Images()[0]);
    EXPECT_FALSE(kept->Images()[1].Transparent());
}

// The frames a painter shows, for comparing a picture before and after optimising.
std::vector<QImage> Shown(TGIFPicture& picture)
{
    TFakeClockScope scope;
    TSurface surface(picture.Width(), picture.Height(), kMagenta);
    std::vector<QImage> shown;
    picture.OnAfterPaint = [&](TObject*) { shown.push_back(surface.Image().convertToFormat(QImage::Format_RGB32)); };
    TGIFPainter painter(picture, surface.Canvas(), {0, 0, picture.Width(), picture.Height()},
                        {TGIFDrawOption::goTransparent, TGIFDrawOption::goAnimate});
    painter.Execute();
    picture.OnAfterPaint = nullptr;
    return shown;
}

TEST(GIFPicture, OptimizeKeepsWhatThePictureShows)
{
    auto picture = MakeAnimation(8, 6, {
        {0, 0, 8, 6, "00000000" "01111110" "01222210" "01222210" "01111110" "00000000", TDisposalMethod::dmNone, 5},
        // Repeats most of the first frame; only its middle changes.
        {0, 0, 8, 6, "00000000" "01111110" "01233210" "01233210" "01111110" "00000000", TDisposalMethod::dmBackground, 5},
        // Covers the frame before it completely: that frame's disposal shows nothing.
        {0, 0, 8, 6, "44444444" "44444444" "44455444" "44444444" "44444444" "44444444", TDisposalMethod::dmNone, 5},
        // Transparent round a small figure.
        {0, 0, 8, 6, "........" "........" "...66..." "...66..." "........" "........", TDisposalMethod::dmPrevious, 5},
        {2, 2, 3, 2, "......", TDisposalMethod::dmNone, 0},
    });
    auto comment = std::make_unique<TGIFCommentExtension>(picture->Images()[0]);
    comment->Text().Add("made for the tests");
    picture->Images()[0].Extensions().Add(std::move(comment));
    const std::vector<QImage> before = Shown(*picture);
    const size_t sizeBefore = Saved(*picture).size();
    picture->Optimize(0x0F, TColorReduction::rmNone, TDitherMode::dmNearest, 8);
    EXPECT_EQ(Shown(*picture), before);
    EXPECT_LT(Saved(*picture).size(), sizeBefore);
    ASSERT_EQ(picture->Images().Count(), 5);
    EXPECT_EQ(picture->Images()[4].Data().size(), 1u) << "a clear frame keeps one pixel for its timing";
    const TGIFSubImage& figure = picture->Images()[3];
    EXPECT_EQ((std::vector<int>{figure.Left(), figure.Top(), figure.Width(), figure.Height()}), (std::vector<int>{3, 2, 2, 2}));
    const TGIFSubImage& middle = picture->Images()[1];
    EXPECT_EQ((std::vector<int>{middle.Left(), middle.Top(), middle.Width(), middle.Height()}), (std::vector<int>{3, 2, 2, 2}))
        << "merged with the first frame, then cropped";
    EXPECT_EQ(picture->Images()[1].GraphicControlExtension()->Disposal(), TDisposalMethod::dmNoDisposal);
    for (int e = 0; e < picture->Images()[0].Extensions().Count(); ++e) {
        EXPECT_EQ(dynamic_cast<TGIFCommentExtension*>(&picture->Images()[0].Extensions()[e]), nullptr);
    }

    // Colour reduction by a method; an unknown one is refused before anything changes.
    EXPECT_EQ(ErrorOf<GIFException>([&] { picture->Optimize(0x10, static_cast<TColorReduction>(10), TDitherMode::dmNearest, 8); }),
              "Invalid reduction method");
    auto clearPixels = [&picture] {
        std::vector<std::vector<bool>> clear;
        for (int i = 0; i < picture->Images().Count(); ++i) {
            const TGIFSubImage& frame = picture->Images()[i];
            std::vector<bool> pixels;
            for (const uint8_t pixel : frame.Data()) {
                pixels.push_back(pixel == frame.TransparentColorIndex());
            }
            clear.push_back(pixels);
        }
        return clear;
    };
    const auto clearBefore = clearPixels();
    picture->Optimize(0x10, TColorReduction::rmMonochrome, TDitherMode::dmNearest, 8);
    EXPECT_EQ(clearPixels(), clearBefore) << "transparent pixels stay transparent, no others become so";
    for (int i = 0; i < picture->Images().Count(); ++i) {
        EXPECT_LE(picture->Images()[i].ColorMap().Count(), 3) << "black, white and the transparent entry";
    }
}

TEST(GIFPicture, RegisteredAsAPictureFormat)
{
    RegisterGIFPicture();
    const TPictureFormat* format = FindPictureFormat(".GIF");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->Description, "GIF Image");
    EXPECT_EQ(format->ClassName, "TGIFPicture");
    auto picture = MakeAnimation(3, 2, {{0, 0, 3, 2, "01." "210", TDisposalMethod::dmNone, 0},
                                        {0, 0, 3, 2, "333333", TDisposalMethod::dmNone, 0}});
    TPicture loaded;
    ASSERT_TRUE(loaded.LoadFromData(PictureFormData("TGIFPicture", Saved(*picture))));
    const QImage image = loaded.Image();
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(1, 0), kGreen) << "the first frame";
    EXPECT_EQ(qAlpha(image.pixel(2, 0)), 0) << "transparent";
    EXPECT_EQ(ErrorOf<GIFException>([] { TPicture().LoadFromData(PictureFormData("TGIFPicture", "GIF89a")); }),
              "Premature end of data");
}

TEST(GIFClipboard, RoundTripThroughTheApplicationsClipboard)
{
    TestApplication();
    auto picture = MakeAnimation(3, 2, {{0, 0, 3, 2, "012" "210", TDisposalMethod::dmNone, 7}, {1, 0, 1, 1, "5", TDisposalMethod::dmNone, 7}});
    picture->SaveToClipboard();
    EXPECT_TRUE(Clipboard().HasFormat("image/gif"));
    EXPECT_TRUE(Clipboard().HasPicture());
    TGIFPicture pasted;
    pasted.LoadFromClipboard();
    EXPECT_EQ(Saved(pasted), Saved(*picture));
    // A picture alone comes in through a bitmap.
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(0, 51, 102));
    Clipboard().SetAsPicture(image, {});
    pasted.LoadFromClipboard();
    ASSERT_EQ(pasted.Images().Count(), 1);
    EXPECT_EQ(pasted.Images()[0].ColorMap().Colors(pasted.Images()[0].Pixels(1, 1)), (TGIFColor{0, 51, 102}));
    Clipboard().SetAsText("no picture");
    EXPECT_EQ(ErrorOf<GIFException>([&] { pasted.LoadFromClipboard(); }), "Unsupported clipboard format");
}

}  // namespace
