// The codec against giflib and ImageMagick: a small corpus made in the set-up with ImageMagick's
// convert and giflib's gifbuild decodes to the same indices, palettes and blocks as giflib's
// DGifSlurp; both encoders write files that giflib and ImageMagick read back to the same pixels;
// and saving a loaded file again gives the same bytes.

#include "gif/GIFPicture.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The pixels as hex pairs, one row a line.
std::string HexRaster(int width, int height, int colors, unsigned seed)
{
    std::mt19937 random(seed);
    std::ostringstream text;
    // Runs of random length, so that the data holds both strings and noise.
    int run = 0;
    unsigned value = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (run-- <= 0) {
                run = static_cast<int>(random() % 12);
                value = random() % static_cast<unsigned>(colors);
            }
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x ", value);
            text << pair;
        }
        text << "\n";
    }
    return text.str();
}

std::string ColorMap(int colors, unsigned seed)
{
    std::mt19937 random(seed);
    std::ostringstream text;
    for (int i = 0; i < colors; ++i) {
        text << "\trgb " << random() % 256 << " " << random() % 256 << " " << random() % 256 << "\n";
    }
    return text.str() + "end\n";
}

// gifbuild descriptions of the hand-made files of the corpus.
std::vector<std::pair<std::string, std::string>> GifbuildSources()
{
    std::vector<std::pair<std::string, std::string>> sources;
    sources.emplace_back("handmade.gif", R"(screen width 5
screen height 3
screen background 1
screen map
	sort flag on
	rgb 0 0 0 is a
	rgb 255 0 0 is b
	rgb 0 255 0 is c
end

comment
first line
second\x01line
end

netscape loop 3

image
image left 1
image top 0
image interlaced
image map
	rgb 1 2 3 is x
	rgb 9 8 7 is y
end
image bits 4 by 3
xyxy
yyxx
xxxy

graphics control
	disposal mode 2
	user input flag on
	delay 7
	transparent index 1
end

extension ff
XMP DataXMP
\x01\x03\x00
end

image
image bits 5 by 2 hex
00 01 02 00 01
02 02 01 01 00

comment
after the last frame
end
)");
    sources.emplace_back("wide.gif", "screen width 4096\nscreen height 1\nscreen map\n" + ColorMap(256, 1) +
                                         "image\nimage bits 4096 by 1 hex\n" + HexRaster(4096, 1, 256, 2));
    sources.emplace_back("one.gif", "screen width 1\nscreen height 1\nscreen map\n" + ColorMap(2, 5) +
                                        "image\nimage bits 1 by 1 hex\n01\n");
    sources.emplace_back("tall.gif", "screen width 1\nscreen height 700\nscreen map\n" + ColorMap(8, 3) +
                                         "image\nimage interlaced\nimage bits 1 by 700 hex\n" + HexRaster(1, 700, 8, 4));
    // Frames with local tables of 2 to 256 colours, of several sizes and places.
    std::string frames = "screen width 64\nscreen height 48\nscreen map\n" + ColorMap(2, 9);
    for (int bits = 1; bits <= 8; ++bits) {
        const int colors = 1 << bits;
        const int width = 7 + 7 * bits;
        const int height = 3 + 5 * bits;
        frames += "graphics control\n\tdisposal mode " + std::to_string(bits % 4) + "\n\tdelay " + std::to_string(bits) +
                  "\n\ttransparent index " + std::to_string(bits % 3 == 0 ? colors - 1 : -1) + "\nend\n\n";
        frames += "image\nimage left " + std::to_string(bits) + "\nimage top " + std::to_string(48 - height) + "\n";
        if (bits % 2 == 0) {
            frames += "image interlaced\n";
        }
        frames += "image map\n" + ColorMap(colors, static_cast<unsigned>(bits)) + "image bits " + std::to_string(width) +
                  " by " + std::to_string(height) + " hex\n" + HexRaster(width, height, colors, 10u + static_cast<unsigned>(bits)) +
                  "\n";
    }
    sources.emplace_back("frames.gif", frames);
    return sources;
}

// The files ImageMagick makes: a photo-like picture of 256 colours with a comment, an interlaced
// transparent one, and an animation with local tables, a frame smaller than the screen and a
// loop block. (Writing a GIF is ImageMagick's slow part, so the hand-made files come from gifbuild.)
const char* ConvertArguments()
{
    return "-seed 3 "
           "\\( -size 320x240 plasma:fractal -colors 256 -comment 'made for the tests' -write plasma.gif -delete 0--1 \\) "
           "\\( -size 30x20 gradient:red-none -interlace GIF -write transparent.gif -delete 0--1 \\) "
           "-delay 10 -size 40x30 xc:red xc:blue \\( -size 20x10 xc:green -repage +5+7 \\) -interlace none -loop 0 "
           "animation.gif";
}

const char* const ConvertFiles[] = {"plasma.gif", "transparent.gif", "animation.gif"};

bool RunCommand(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// A GIF file as giflib reads it.
struct TGiflibFile {
    explicit TGiflibFile(const fs::path& path)
    {
        int error = 0;
        gif = DGifOpenFileName(path.c_str(), &error);
        if (gif != nullptr && DGifSlurp(gif) != GIF_OK) {
            message = GifErrorString(gif->Error);
        }
    }
    ~TGiflibFile()
    {
        int error = 0;
        if (gif != nullptr) {
            DGifCloseFile(gif, &error);
        }
    }
    TGiflibFile(const TGiflibFile&) = delete;
    TGiflibFile& operator=(const TGiflibFile&) = delete;
    bool Ok() const { return gif != nullptr && message.empty(); }
    GifFileType* gif = nullptr;
    std::string message;
};

// Extension blocks as giflib keeps them: the first data sub-block under the block's label, the
// others under label 0.
std::vector<std::pair<int, std::string>> GiflibBlocks(const ExtensionBlock* blocks, int count)
{
    std::vector<std::pair<int, std::string>> result;
    for (int i = 0; i < count; ++i) {
        result.emplace_back(blocks[i].Function, std::string(reinterpret_cast<const char*>(blocks[i].Bytes),
                                                             static_cast<size_t>(blocks[i].ByteCount)));
    }
    return result;
}

// The same for a frame's extensions of the project's model, from their written form.
std::vector<std::pair<int, std::string>> ModelBlocks(TGIFExtensionList& extensions)
{
    std::vector<std::pair<int, std::string>> result;
    for (int i = 0; i < extensions.Count(); ++i) {
        TStringStream stream;
        extensions[i].SaveToStream(stream);
        const std::string bytes = stream.DataString();
        int function = static_cast<uint8_t>(bytes[1]);
        for (size_t at = 2; at < bytes.size() && bytes[at] != '\0'; at += 1 + static_cast<uint8_t>(bytes[at])) {
            result.emplace_back(function, bytes.substr(at + 1, static_cast<uint8_t>(bytes[at])));
            function = CONTINUE_EXT_FUNC_CODE;
        }
    }
    return result;
}

std::vector<TGIFColor> ModelColors(const TGIFColorMap& map)
{
    std::vector<TGIFColor> colors;
    for (int i = 0; i < map.Count(); ++i) {
        colors.push_back(map.Colors(i));
    }
    return colors;
}

std::vector<TGIFColor> GiflibColors(const ColorMapObject* map)
{
    std::vector<TGIFColor> colors;
    if (map != nullptr) {
        for (int i = 0; i < map->ColorCount; ++i) {
            colors.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
        }
    }
    return colors;
}

// Compares what giflib read with what the project's loader read. `compareBlocks` is off for
// files the project wrote itself, whose extensions the round trip tests compare.
void ExpectSameAsGiflib(const fs::path& path, TGIFPicture& picture, bool compareBlocks, bool compareInterlace)
{
    const TGiflibFile reference(path);
    ASSERT_TRUE(reference.Ok()) << path << ": " << reference.message;
    const GifFileType* gif = reference.gif;
    EXPECT_EQ(picture.Width(), gif->SWidth) << path;
    EXPECT_EQ(picture.Height(), gif->SHeight) << path;
    EXPECT_EQ(picture.Header().BackgroundColorIndex(), gif->SBackGroundColor) << path;
    EXPECT_EQ(ModelColors(picture.GlobalColorMap()), GiflibColors(gif->SColorMap)) << path;
    int frames = picture.Images().Count();
    if (frames == gif->ImageCount + 1 && picture.Images()[frames - 1].Empty()) {
        // Extensions after the last image make a frame of their own here.
        --frames;
        if (compareBlocks) {
            EXPECT_EQ(ModelBlocks(picture.Images()[frames].Extensions()),
                      GiflibBlocks(gif->ExtensionBlocks, gif->ExtensionBlockCount))
                << path;
        }
    }
    ASSERT_EQ(frames, gif->ImageCount) << path;
    for (int i = 0; i < frames; ++i) {
        TGIFSubImage& frame = picture.Images()[i];
        const SavedImage& saved = gif->SavedImages[i];
        const GifImageDesc& desc = saved.ImageDesc;
        EXPECT_EQ(frame.Left(), desc.Left) << path << " frame " << i;
        EXPECT_EQ(frame.Top(), desc.Top) << path << " frame " << i;
        ASSERT_EQ(frame.Width(), desc.Width) << path << " frame " << i;
        ASSERT_EQ(frame.Height(), desc.Height) << path << " frame " << i;
        if (compareInterlace) {
            EXPECT_EQ(frame.Interlaced(), desc.Interlace) << path << " frame " << i;
        }
        EXPECT_EQ(ModelColors(frame.ColorMap()), GiflibColors(desc.ColorMap)) << path << " frame " << i;
        const std::vector<uint8_t> raster(saved.RasterBits, saved.RasterBits + desc.Width * desc.Height);
        EXPECT_EQ(frame.Data(), raster) << path << " frame " << i;
        if (compareBlocks) {
            EXPECT_EQ(ModelBlocks(frame.Extensions()), GiflibBlocks(saved.ExtensionBlocks, saved.ExtensionBlockCount))
                << path << " frame " << i;
        }
    }
}

class GIFDifferentialTest : public ::testing::Test {
protected:
    // The corpus is made once per build tree (in a folder named after what makes it, built aside
    // and renamed into place, so that test processes running side by side share it); the files a
    // test writes go to a folder of its own process.
    static void SetUpTestSuite()
    {
        std::string recipe = ConvertArguments();
        for (const auto& [name, source] : GifbuildSources()) {
            recipe += name + source;
        }
        const fs::path corpus = fs::path(ZV_STAGE_DIR).parent_path() /
                                ("gif-corpus-" + std::to_string(std::hash<std::string>()(recipe)));
        files_.clear();
        for (const auto& [name, source] : GifbuildSources()) {
            files_.push_back(corpus / name);
        }
        for (const char* name : ConvertFiles) {
            files_.push_back(corpus / name);
        }
        directory_ = fs::temp_directory_path() / ("zv_gif_test_" + std::to_string(::getpid()));
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        if (!fs::exists(corpus)) {
            setUpError_ = MakeCorpus(corpus);
        }
    }

    static std::string MakeCorpus(const fs::path& corpus)
    {
        const fs::path building = corpus.string() + ".building-" + std::to_string(::getpid());
        fs::remove_all(building);
        fs::create_directories(building);
        for (const auto& [name, source] : GifbuildSources()) {
            const fs::path text = building / (name + ".txt");
            WriteFile(text, source);
            if (!RunCommand("gifbuild < '" + text.string() + "' > '" + (building / name).string() + "'")) {
                return "gifbuild failed on " + name + " (giflib-tools: scripts/install-deps.sh)";
            }
        }
        if (!RunCommand("cd '" + building.string() + "' && " + Convert() + " " + ConvertArguments())) {
            return "ImageMagick's convert failed (imagemagick: scripts/install-deps.sh)";
        }
        std::error_code error;
        fs::rename(building, corpus, error);
        if (error) {
            // Another test process finished it first.
            fs::remove_all(building);
        }
        return fs::exists(corpus) ? "" : "the corpus folder could not be made";
    }

    static void TearDownTestSuite() { fs::remove_all(directory_); }

    void SetUp() override
    {
        ASSERT_TRUE(setUpError_.empty()) << setUpError_;
    }

    // ImageMagick's own convert (a stand-in of the same name may come first on the path).
    static std::string Convert() { return fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert"; }

    static std::unique_ptr<TGIFPicture> Load(const fs::path& path, std::vector<std::string>* warnings = nullptr)
    {
        auto picture = std::make_unique<TGIFPicture>();
        picture->OnWarning = [warnings](TObject*, TGIFSeverity, const std::string& message) {
            if (warnings != nullptr) {
                warnings->push_back(message);
            }
        };
        picture->LoadFromFile(path.string());
        return picture;
    }

    static inline fs::path directory_;
    static inline std::vector<fs::path> files_;
    static inline std::string setUpError_;
};

TEST_F(GIFDifferentialTest, DecodesTheCorpusLikeGiflib)
{
    for (const fs::path& path : files_) {
        std::vector<std::string> warnings;
        const auto picture = Load(path, &warnings);
        EXPECT_TRUE(warnings.empty()) << path << ": " << (warnings.empty() ? "" : warnings.front());
        ExpectSameAsGiflib(path, *picture, true, true);
    }
}

TEST_F(GIFDifferentialTest, BothEncodersWriteWhatGiflibAndImageMagickReadBack)
{
    std::string magick = Convert();
    std::vector<std::pair<fs::path, fs::path>> written;  // original, re-encoded
    for (const fs::path& path : files_) {
        for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
            auto picture = Load(path);
            picture->SetCompression(compression);
            const fs::path copy =
                directory_ / (path.stem().string() + (compression == TGIFCompression::gcLZW ? "-lzw" : "-rle") + ".gif");
            picture->SaveToFile(copy.string());
            // giflib reads the indices and tables that were written.
            ExpectSameAsGiflib(copy, *picture, false, false);
            written.emplace_back(path, copy);
        }
    }
    // ImageMagick decodes every frame of the original and of each copy to the same RGBA pixels.
    auto frameFile = [](const fs::path& gif, int frame) {
        return directory_ / (gif.stem().string() + "-" + std::to_string(frame) + ".rgba");
    };
    std::string command = "cd '" + directory_.string() + "' && " + magick;
    auto decode = [&command](const fs::path& gif) {
        command += " \\( '" + gif.string() + "' -depth 8 -write rgba:" + gif.stem().string() + "-%d.rgba -delete 0--1 \\)";
    };
    for (const fs::path& path : files_) {
        decode(path);
    }
    for (const auto& [original, copy] : written) {
        decode(copy);
    }
    command += " -size 1x1 xc:none null:";
    ASSERT_TRUE(RunCommand(command)) << command;
    for (const auto& [original, copy] : written) {
        int frames = 0;
        for (; fs::exists(frameFile(original, frames)); ++frames) {
            EXPECT_EQ(ReadFile(frameFile(copy, frames)), ReadFile(frameFile(original, frames)))
                << copy << " frame " << frames;
        }
        EXPECT_GT(frames, 0) << original;
        EXPECT_FALSE(fs::exists(frameFile(copy, frames))) << copy << " has a frame too many";
    }
}

TEST_F(GIFDifferentialTest, SavingALoadedFileAgainGivesTheSameBytes)
{
    for (const fs::path& path : files_) {
        for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
            auto picture = Load(path);
            picture->SetCompression(compression);
            TStringStream first;
            picture->SaveToStream(first);
            TGIFPicture again;
            again.SetCompression(compression);
            first.SetPosition(0);
            again.LoadFromStream(first);
            TStringStream second;
            again.SaveToStream(second);
            EXPECT_EQ(second.DataString(), first.DataString()) << path;
        }
    }
}

}  // namespace
