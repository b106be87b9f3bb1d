#include "GIFTestSupport.h"
#include "gif/GIFPicture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace giftest;

namespace {

struct TLoaded {
    std::unique_ptr<TGIFPicture> picture = std::make_unique<TGIFPicture>();
    std::vector<std::string> warnings;
};

TLoaded Load(const std::string& bytes)
{
    TLoaded loaded;
    loaded.picture->OnWarning = [&warnings = loaded.warnings](TObject*, TGIFSeverity severity, const std::string& message) {
        EXPECT_EQ(severity, TGIFSeverity::gsWarning);
        warnings.push_back(message);
    };
    TStringStream stream(bytes);
    loaded.picture->LoadFromStream(stream);
    return loaded;
}

std::string Save(TGIFPicture& picture)
{
    TStringStream stream;
    picture.SaveToStream(stream);
    return stream.DataString();
}

void AddColors(TGIFColorMap& map, int count)
{
    for (int i = 0; i < count; ++i) {
        map.Add({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    }
}

TGIFSubImage& AddFrame(TGIFPicture& picture, int left, int top, int width, int height, int colors, unsigned seed = 1)
{
    auto frame = std::make_unique<TGIFSubImage>(&picture);
    frame->SetBounds(left, top, width, height);
    frame->Data() = MakeFrame(TPattern::Noise, width, height, colors, seed).pixels;
    TGIFSubImage& added = *frame;
    picture.Images().Add(std::move(frame));
    return added;
}

// A picture of 20 by 10 with a 4-colour global table and two frames.
std::unique_ptr<TGIFPicture> TwoFrames()
{
    auto picture = std::make_unique<TGIFPicture>();
    picture->Header().SetWidth(20);
    picture->Header().SetHeight(10);
    AddColors(picture->GlobalColorMap(), 4);
    AddFrame(*picture, 0, 0, 20, 10, 4, 1);
    AddFrame(*picture, 5, 2, 6, 3, 4, 2);
    return picture;
}

template <class TExtension>
TExtension& AddExtension(TGIFSubImage& frame)
{
    auto extension = std::make_unique<TExtension>(frame);
    TExtension& added = *extension;
    frame.Extensions().Add(std::move(extension));
    return added;
}

void ExpectSameFrames(const TGIFPicture& expected, const TGIFPicture& actual)
{
    ASSERT_EQ(actual.Images().Count(), expected.Images().Count());
    for (int i = 0; i < expected.Images().Count(); ++i) {
        const TGIFSubImage& a = actual.Images()[i];
        const TGIFSubImage& e = expected.Images()[i];
        EXPECT_EQ(a.Left(), e.Left());
        EXPECT_EQ(a.Top(), e.Top());
        EXPECT_EQ(a.Width(), e.Width());
        EXPECT_EQ(a.Height(), e.Height());
        EXPECT_EQ(a.Data(), e.Data()) << "frame " << i;
    }
}

TEST(GIFCodecTest, SignatureMayFollowFourBytesAndBeLowerCase)
{
    const auto picture = TwoFrames();
    const std::string bytes = Save(*picture);
    ASSERT_EQ(bytes.substr(0, 6), "GIF87a");
    std::string lower = bytes;
    lower.replace(0, 3, "gif");
    for (const std::string& variant : {std::string("\x01\x02\x03\x04") + bytes, lower}) {
        const TLoaded loaded = Load(variant);
        EXPECT_TRUE(loaded.warnings.empty());
        EXPECT_EQ(loaded.picture->Width(), 20);
        ExpectSameFrames(*picture, *loaded.picture);
    }
}

TEST(GIFCodecTest, MissingOrDamagedTrailer)
{
    const auto picture = TwoFrames();
    std::string bytes = Save(*picture);
    ASSERT_EQ(bytes.back(), ';');
    bytes.pop_back();
    {
        const TLoaded loaded = Load(bytes);
        EXPECT_TRUE(loaded.warnings.empty()) << "a missing trailer is no fault";
        ExpectSameFrames(*picture, *loaded.picture);
    }
    {
        const TLoaded loaded = Load(bytes + "X");
        EXPECT_EQ(loaded.warnings, (std::vector<std::string>{"Unknown GIF block type", "Invalid Image trailer"}));
        ExpectSameFrames(*picture, *loaded.picture);
    }
}

TEST(GIFCodecTest, ColourTablesArePaddedAndSizedPerTable)
{
    TGIFPicture picture;
    AddColors(picture.GlobalColorMap(), 3);
    AddFrame(picture, 0, 0, 4, 4, 3);
    std::string bytes = Save(picture);
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]) & 0x87, 0x81) << "global table of 2^(1+1) entries";
    EXPECT_EQ(bytes.substr(13 + 9, 3), std::string(3, '\0')) << "the fourth entry is zero";
    EXPECT_EQ(bytes[13 + 12], ',');

    // A 16-colour global table and a 256-colour local table keep their own sizes.
    TGIFPicture mixed;
    AddColors(mixed.GlobalColorMap(), 16);
    TGIFSubImage& frame = AddFrame(mixed, 0, 0, 16, 16, 256);
    AddColors(frame.ColorMap(), 256);
    bytes = Save(mixed);
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]) & 0x07, 3);
    EXPECT_EQ((static_cast<uint8_t>(bytes[10]) >> 4) & 0x07, 7) << "colour resolution of the largest table";
    const size_t descriptor = 13 + 16 * 3;
    ASSERT_EQ(bytes[descriptor], ',');
    EXPECT_EQ(static_cast<uint8_t>(bytes[descriptor + 9]), 0x87);
    const TLoaded loaded = Load(bytes);
    EXPECT_EQ(loaded.picture->GlobalColorMap().Count(), 16);
    EXPECT_EQ(loaded.picture->Images()[0].ColorMap().Count(), 256);
    ExpectSameFrames(mixed, *loaded.picture);
}

TEST(GIFCodecTest, TextOfCommentsAndTextBlocks)
{
    auto picture = TwoFrames();
    TGIFSubImage& frame = picture->Images()[0];
    AddExtension<TGIFCommentExtension>(frame).Text().Add(std::string(300, 'c'));
    TGIFTextExtension& text = AddExtension<TGIFTextExtension>(frame);
    text.SetGrid(1, 2, 300, 40);
    text.SetCharSize(8, 12);
    text.SetColorIndices(3, 1);
    text.Text().Add(std::string("Hi\0there", 8));

    const TLoaded loaded = Load(Save(*picture));
    const TGIFExtensionList& extensions = loaded.picture->Images()[0].Extensions();
    ASSERT_EQ(extensions.Count(), 2);
    const auto* comment = dynamic_cast<const TGIFCommentExtension*>(&extensions[0]);
    ASSERT_NE(comment, nullptr);
    ASSERT_EQ(comment->Text().Count(), 2) << "a 300-byte line comes back as two sub-blocks";
    EXPECT_EQ(comment->Text()[0].size(), 255u);
    EXPECT_EQ(comment->Text()[1].size(), 45u);
    const auto* read = dynamic_cast<const TGIFTextExtension*>(&extensions[1]);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Text()[0], "Hi") << "a line ends at its first zero byte";
    EXPECT_EQ(read->GridWidth(), 300);
    EXPECT_EQ(read->Top(), 2);
    EXPECT_EQ(read->CharHeight(), 12);
    EXPECT_EQ(read->ForegroundColorIndex(), 3);
    EXPECT_EQ(read->BackgroundColorIndex(), 1);
}

TEST(GIFCodecTest, ApplicationExtensions)
{
    // A loop block under its second name, with a buffer size, and a block nobody knows.
    const std::string loop = std::string("!\xFF\x0B" "ANIMEXTS1.0" "\x03\x01\x05\x00" "\x05\x02\x00\x01\x00\x00" "\x00", 25);
    const std::string other = std::string("!\xFF\x0B" "XMP DataXMP" "\x02xy\x03" "abc" "\x00", 22);
    const auto picture = TwoFrames();
    std::string bytes = Save(*picture);
    const size_t first = bytes.find(',', 13);
    bytes.insert(first, loop + other);

    const TLoaded loaded = Load(bytes);
    EXPECT_TRUE(loaded.warnings.empty());
    TGIFExtensionList& extensions = loaded.picture->Images()[0].Extensions();
    ASSERT_EQ(extensions.Count(), 2);
    const auto* nsLoop = dynamic_cast<const TGIFAppExtNSLoop*>(&extensions[0]);
    ASSERT_NE(nsLoop, nullptr);
    EXPECT_EQ(nsLoop->Loops(), 5);
    EXPECT_EQ(nsLoop->BufferSize(), 256u);
    const auto* unknown = dynamic_cast<const TGIFUnknownAppExtension*>(&extensions[1]);
    ASSERT_NE(unknown, nullptr);
    ASSERT_EQ(unknown->Blocks().size(), 2u);
    EXPECT_EQ(unknown->Blocks()[1].Data, "abc");

    const std::string saved = Save(*loaded.picture);
    std::string expectedLoop = loop;
    expectedLoop.replace(3, 11, "NETSCAPE2.0");
    EXPECT_NE(saved.find(expectedLoop + other), std::string::npos) << "loop renamed, the other block unchanged";
    ExpectSameFrames(*picture, *Load(saved).picture);
}

TEST(GIFCodecTest, DamagedFilesGiveClearErrorsAndLeaveThePictureEmpty)
{
    const auto picture = TwoFrames();
    const std::string good = Save(*picture);
    const size_t first = good.find(',', 13);
    auto insertBeforeFrame = [&](const std::string& block) { return std::string(good).insert(first, block); };
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"no signature", "PNG89a" + good.substr(6), "Invalid GIF signature"},
        {"too short", good.substr(0, 9), "Premature end of data"},
        {"cut global table", good.substr(0, 17), "Premature end of data"},
        {"cut descriptor", good.substr(0, first + 5), "Premature end of data"},
        {"unknown extension", insertBeforeFrame(std::string("!\x55\x00", 3)), "Unknown extension type"},
        {"application block size", insertBeforeFrame(std::string("!\xFF\x05" "ABCDE\x00", 9)),
         "Unsupported Application Extension block size"},
        {"short loop block", insertBeforeFrame(std::string("!\xFF\x0B" "NETSCAPE2.0" "\x02\x01\x00\x00", 18)), "Invalid GIF data"},
        {"huge frame", good.substr(0, first) + std::string(",\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\x01\x04\0;", 16),
         "Image dimensions exceed the supported maximum of 134217728 pixels"},
        {"huge logical screen", good.substr(0, 6) + std::string("\xFF\xFF\x01\x08", 4) + good.substr(10),
         "Logical Screen size exceeds the supported maximum of 134217728 pixels"},
        {"frame larger than its data", good.substr(0, first) + std::string(",\0\0\0\0\0\x10\0\x10\0\x02\x01\x04\0;", 16),
         "Image data too short for the image dimensions"},
    };
    for (const Case& c : cases) {
        TGIFPicture loaded;
        TStringStream stream(c.bytes);
        stream.SetPosition(0);
        try {
            loaded.LoadFromStream(stream);
            ADD_FAILURE() << c.what << " must raise";
        } catch (const GIFException& error) {
            EXPECT_EQ(error.Message(), c.message) << c.what;
            EXPECT_STREQ(error.ClassName(), "GIFException");
        }
        EXPECT_TRUE(loaded.Empty()) << c.what;
        EXPECT_EQ(loaded.Width(), 0) << c.what;
        EXPECT_EQ(stream.Position(), 0) << c.what;
    }
}

TEST(GIFCodecTest, FrameDescriptorEdgeCases)
{
    const auto picture = TwoFrames();
    std::string bytes = Save(*picture);
    const size_t first = bytes.find(',', 13);
    // A zero width takes the logical screen's size.
    bytes[first + 5] = 0;
    bytes[first + 6] = 0;
    const TLoaded loaded = Load(bytes);
    EXPECT_EQ(loaded.warnings.front(), "Image exceeds Logical Screen size");
    EXPECT_EQ(loaded.picture->Images()[0].Width(), 20);
    EXPECT_EQ(loaded.picture->Images()[0].Height(), 10);
}

TEST(GIFCodecTest, TransparentFramesFillWithTheTransparentIndex)
{
    TGIFPicture picture;
    AddColors(picture.GlobalColorMap(), 4);
    TGIFSubImage& frame = AddFrame(picture, 0, 0, 5, 5, 4);
    TGIFGraphicControlExtension& control = AddExtension<TGIFGraphicControlExtension>(frame);
    control.SetTransparent(true);
    control.SetTransparentColorIndex(3);
    control.SetDelay(25);
    control.SetDisposal(TDisposalMethod::dmBackground);
    std::string bytes = Save(picture);
    EXPECT_EQ(bytes.substr(0, 6), "GIF89a");

    // Keep the code size byte and a first sub-block of one byte: two pixels at most.
    const size_t data = bytes.find(',', 13) + 10;
    bytes = bytes.substr(0, data + 1) + std::string("\x01", 1) + bytes.substr(data + 2, 1) + std::string(1, '\0') + ";";
    const TLoaded loaded = Load(bytes);
    const TGIFSubImage& read = loaded.picture->Images()[0];
    EXPECT_TRUE(read.Transparent());
    ASSERT_NE(read.GraphicControlExtension(), nullptr);
    EXPECT_EQ(read.GraphicControlExtension()->Delay(), 25);
    EXPECT_EQ(read.GraphicControlExtension()->Disposal(), TDisposalMethod::dmBackground);
    EXPECT_EQ(read.TransparentColorIndex(), 3);
    EXPECT_EQ(read.Data().back(), 3) << "pixels the data does not reach are transparent";
}

TEST(GIFCodecTest, VersionFollowsWhatTheFileNeeds)
{
    auto picture = TwoFrames();
    EXPECT_EQ(Save(*picture).substr(0, 6), "GIF87a");
    picture->Header().SetAspectRatio(49);
    EXPECT_EQ(Save(*picture).substr(0, 6), "GIF89a") << "an aspect byte needs GIF89a";
    picture->Header().SetAspectRatio(0);
    picture->GlobalColorMap().SetOptimized(true);
    const std::string sorted = Save(*picture);
    EXPECT_EQ(sorted.substr(0, 6), "GIF89a") << "a sorted table needs GIF89a";
    EXPECT_EQ(static_cast<uint8_t>(sorted[10]) & 0x08, 0x08);
    picture->GlobalColorMap().SetOptimized(false);
    AddExtension<TGIFCommentExtension>(picture->Images()[1]).Text().Add("x");
    EXPECT_EQ(Save(*picture).substr(0, 6), "GIF89a");
}

TEST(GIFCodecTest, ColourMapOperations)
{
    TGIFPicture picture;
    std::vector<std::string> warnings;
    picture.OnWarning = [&warnings](TObject*, TGIFSeverity, const std::string& message) { warnings.push_back(message); };
    TGIFColorMap& map = picture.GlobalColorMap();
    EXPECT_THROW(map.Colors(0), GIFException) << "Color table is empty";
    map.Add({1, 2, 3});
    map.Add({9, 9, 9});
    map.Add({1, 2, 3});
    EXPECT_EQ(map.IndexOf({1, 2, 3}), 2) << "searched from the back";
    map.SetOptimized(true);
    EXPECT_EQ(map.IndexOf({1, 2, 3}), 0) << "an optimised table is searched from the front";
    EXPECT_EQ(map.AddUnique({9, 9, 9}), 1);
    EXPECT_TRUE(map.Optimized());
    EXPECT_EQ(map.AddUnique({4, 4, 4}), 3);
    EXPECT_FALSE(map.Optimized());
    EXPECT_EQ(map.IndexOf({7, 7, 7}), -1);
    EXPECT_EQ(map.Colors(7), (TGIFColor{1, 2, 3}));
    EXPECT_EQ(warnings, (std::vector<std::string>{"Invalid color index"}));
    EXPECT_THROW(map.Delete(4), GIFException);
    map.Delete(0);
    EXPECT_EQ(map.Colors(0), (TGIFColor{9, 9, 9}));
    EXPECT_EQ(map.BitsPerPixel(), 2);

    const TPalette palette = map.ExportPalette();
    ASSERT_EQ(palette.size(), 3u);
    EXPECT_EQ(palette[0], (TPaletteEntry{9, 9, 9, PC_NOCOLLAPSE}));
    const uint8_t quads[] = {30, 20, 10, 0, 3, 2, 1, 0};
    map.ImportColorTable(quads, 2);
    EXPECT_EQ(map.Colors(0), (TGIFColor{10, 20, 30}));
    map.ImportPalette(TPalette(300, TPaletteEntry{5, 6, 7, 0}));
    EXPECT_EQ(map.Count(), 256);
    try {
        map.Add({0, 0, 0});
        FAIL();
    } catch (const GIFException& error) {
        EXPECT_EQ(error.Message(), "Color table overflow");
    }
}

TEST(GIFCodecTest, OptimizingRemapsPixelsAndColourIndices)
{
    TGIFPicture picture;
    picture.Header().SetWidth(4);
    picture.Header().SetHeight(2);
    picture.Header().SetBackgroundColorIndex(1);
    AddColors(picture.GlobalColorMap(), 6);
    TGIFSubImage& frame = AddFrame(picture, 0, 0, 4, 2, 6);
    frame.Data() = {4, 4, 4, 2, 2, 0, 4, 2};
    TGIFGraphicControlExtension& control = AddExtension<TGIFGraphicControlExtension>(frame);
    control.SetTransparent(true);
    control.SetTransparentColorIndex(3);
    frame.SetTransparent(true);
    // A frame with its own table is left out of the global table's counts.
    TGIFSubImage& local = AddFrame(picture, 0, 0, 2, 1, 2);
    AddColors(local.ColorMap(), 2);
    local.Data() = {1, 1};
    const TGIFColor colors[] = {picture.GlobalColorMap().Colors(0), picture.GlobalColorMap().Colors(1),
                                picture.GlobalColorMap().Colors(2), picture.GlobalColorMap().Colors(3),
                                picture.GlobalColorMap().Colors(4)};

    picture.OptimizeColorMaps();
    const TGIFColorMap& map = picture.GlobalColorMap();
    EXPECT_TRUE(map.Optimized());
    // Uses: 4 four times, 2 three times, 0 once; 1 (background) and 3 (transparent) count once.
    ASSERT_EQ(map.Count(), 5) << "the unused entry 5 is cut";
    EXPECT_EQ(map.Colors(0), colors[4]);
    EXPECT_EQ(map.Colors(1), colors[2]);
    EXPECT_EQ(frame.Data(), (std::vector<uint8_t>{0, 0, 0, 1, 1, 2, 0, 1}));
    EXPECT_EQ(map.Colors(control.TransparentColorIndex()), colors[3]);
    EXPECT_EQ(map.Colors(picture.Header().BackgroundColorIndex()), colors[1]);
    EXPECT_EQ(local.Data(), (std::vector<uint8_t>{0, 0})) << "the local table sorts its own frame";
    EXPECT_EQ(local.ColorMap().Count(), 1);

    const TLoaded loaded = Load(Save(picture));
    EXPECT_TRUE(loaded.picture->GlobalColorMap().Optimized());
    ExpectSameFrames(picture, *loaded.picture);
}

TEST(GIFCodecTest, SaveOfLoadIsStableForBothEncoders)
{
    auto picture = TwoFrames();
    TGIFSubImage& frame = picture->Images()[1];
    AddColors(frame.ColorMap(), 200);
    frame.Data() = MakeFrame(TPattern::Runs, 6, 3, 200).pixels;
    frame.SetInterlaced(true);
    picture->Images()[0].SetInterlaced(true);
    auto loop = std::make_unique<TGIFAppExtNSLoop>(picture->Images()[0]);
    loop->SetLoops(3);
    picture->Images()[0].Extensions().Insert(0, std::move(loop));
    AddExtension<TGIFGraphicControlExtension>(picture->Images()[0]).SetDelay(10);
    // A trailing frame of extensions only.
    auto trailing = std::make_unique<TGIFSubImage>(picture.get());
    AddExtension<TGIFCommentExtension>(*trailing).Text().Add("end");
    picture->Images().Add(std::move(trailing));

    for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
        picture->SetCompression(compression);
        const std::string first = Save(*picture);
        TLoaded loaded = Load(first);
        EXPECT_TRUE(loaded.warnings.empty());
        ExpectSameFrames(*picture, *loaded.picture);
        EXPECT_TRUE(loaded.picture->Images()[0].Interlaced());
        EXPECT_FALSE(loaded.picture->Images()[1].Interlaced()) << "a frame with a local table is written plainly";
        EXPECT_EQ(loaded.picture->Images()[2].Extensions().Count(), 1);
        loaded.picture->SetCompression(compression);
        EXPECT_EQ(Save(*loaded.picture), first);
    }
}

TEST(GIFCodecTest, SavingReportsProgress)
{
    auto picture = TwoFrames();
    std::vector<std::pair<TProgressStage, int>> reports;
    picture->OnProgress = [&reports](TObject*, TProgressStage stage, int percent, const std::string& message) {
        EXPECT_EQ(message, "Saving...");
        reports.emplace_back(stage, percent);
    };
    Save(*picture);
    EXPECT_EQ(reports, (std::vector<std::pair<TProgressStage, int>>{{TProgressStage::psStarting, 0},
                                                                     {TProgressStage::psRunning, 0},
                                                                     {TProgressStage::psRunning, 50},
                                                                     {TProgressStage::psEnding, 100}}));
    reports.clear();
    picture->Images()[1].Data()[0] = 200;
    EXPECT_THROW(Save(*picture), GIFException) << "Color not in color table";
    EXPECT_EQ(reports.back(), std::make_pair(TProgressStage::psEnding, 0));
}

TEST(GIFCodecTest, FramesBeyondThePictureWidenIt)
{
    TGIFPicture picture;
    std::vector<std::string> warnings;
    picture.OnWarning = [&warnings](TObject*, TGIFSeverity, const std::string& message) { warnings.push_back(message); };
    AddFrame(picture, 0, 0, 10, 10, 2);
    EXPECT_EQ(picture.Width(), 10);
    EXPECT_EQ(warnings, (std::vector<std::string>{"Image exceeds Logical Screen size"}));
    warnings.clear();
    TGIFSubImage& frame = AddFrame(picture, 5, 0, 10, 4, 2);
    EXPECT_EQ(picture.Width(), 15);
    EXPECT_EQ(picture.Height(), 10);
    EXPECT_EQ(warnings,
              (std::vector<std::string>{"Image width too small for contained frames", "Image exceeds Logical Screen size"}));
    EXPECT_THROW(frame.Pixels(10, 0), GIFException);
    EXPECT_THROW(picture.Images()[2], EListError);
    EXPECT_THROW(picture.Images().Delete(-1), EListError);
    frame.SetPixels(9, 3, 1);
    EXPECT_EQ(frame.Pixels(9, 3), 1);
    TGIFSubImage empty(&picture);
    try {
        empty.Pixels(0, 0);
        FAIL();
    } catch (const GIFException& error) {
        EXPECT_EQ(error.Message(), "Image is empty");
    }
}

}  // namespace
