// JPEG pictures through libjpeg and the registry of picture formats.
#include "GuiTestSupport.h"

#include "platform/gui/Graphics.h"
#include "platform/gui/Jpeg.h"
#include "platform/gui/PictureFormats.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string kSplash = std::string(ZV_SOURCE_DIR) + "/resources/pictures/splash.jpg";

std::string ReadBytes(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TEST(PictureFormats, JpegIsRegisteredForBothExtensions)
{
    for (const char* extension : {"jpg", ".jpeg", "JPG", ".JPEG"}) {
        const TPictureFormat* format = FindPictureFormat(extension);
        ASSERT_NE(format, nullptr) << extension;
        EXPECT_EQ(format->Description, "JPEG Image File");
        EXPECT_EQ(format->ClassName, "TJPEGImage");
    }
    EXPECT_EQ(FindPictureFormat("gif"), nullptr);  // comes with the GIF codec
    RegisterPictureFormat("tst", "Test File", "TTestImage", [](std::string_view) { return QImage(2, 3, QImage::Format_RGB32); });
    ASSERT_NE(FindPictureFormat(".TST"), nullptr);
    EXPECT_EQ(FindPictureFormatByClass("ttestimage")->Extension, "tst");
    UnregisterPictureFormat("tst");
    EXPECT_EQ(FindPictureFormat("tst"), nullptr);
}

TEST(PictureFormats, JpegDecodesFromFilesAndFormData)
{
    TestApplication();
    const std::string bytes = ReadBytes(kSplash);
    ASSERT_FALSE(bytes.empty());
    const QImage image = TJPEGImage::Decode(bytes);
    EXPECT_EQ(image.width(), 505);
    EXPECT_EQ(image.height(), 369);
    const QColor top = image.pixelColor(5, 5);  // the blue band
    EXPECT_GT(top.blue(), top.red() + 60);
    const QColor bottom = image.pixelColor(5, 360);  // white
    EXPECT_GT(bottom.red(), 240);

    // The file, under a name in capitals: the extension picks the decoder.
    const std::filesystem::path copy = std::filesystem::temp_directory_path() / "ZENTIVOR-SPLASH.JPG";
    std::filesystem::copy_file(kSplash, copy, std::filesystem::copy_options::overwrite_existing);
    TPicture picture;
    picture.LoadFromFile(copy.string());
    EXPECT_EQ(picture.Image().size(), image.size());
    std::filesystem::remove(copy);

    // Form data: the class name in front of the file's bytes.
    TPicture fromForm;
    ASSERT_TRUE(fromForm.LoadFromData(PictureFormData("TJPEGImage", bytes)));
    EXPECT_EQ(fromForm.Image(), image);
}

TEST(PictureFormats, LibraryErrorsBecomeOneException)
{
    const std::string bytes = ReadBytes(kSplash);
    const std::string cases[] = {
        std::string(),                                 // nothing
        "not a picture at all",                        // no start marker
        bytes.substr(0, 100),                          // header cut short
        std::string("\xFF\xD8\xFF\xC0\x00\x02", 6),  // a frame header too short to hold anything
    };
    for (const std::string& data : cases) {
        try {
            TJPEGImage::Decode(data);
            ADD_FAILURE() << "decoded " << data.size() << " bytes";
        } catch (const EJPEG& error) {
            EXPECT_STREQ(error.ClassName(), "EJPEG");
            EXPECT_EQ(std::string(error.what()).rfind("JPEG error #", 0), 0u) << error.what();
        }
    }
    // A header announcing a picture beyond the decoder's limits is refused from the header,
    // before an image is allocated (62967 x 64190 would take 16 GB).
    const size_t frame = bytes.find("\xFF\xC0", 2);
    ASSERT_NE(frame, std::string::npos);
    const struct {
        int width;
        int height;
    } tooBig[] = {{62967, 64190}, {TJPEGImage::kMaxSide + 1, 1}, {1, TJPEGImage::kMaxSide + 1}, {8192, 4097}};
    for (const auto& size : tooBig) {
        std::string announced = bytes;
        announced[frame + 5] = static_cast<char>(size.height >> 8);
        announced[frame + 6] = static_cast<char>(size.height & 0xFF);
        announced[frame + 7] = static_cast<char>(size.width >> 8);
        announced[frame + 8] = static_cast<char>(size.width & 0xFF);
        try {
            TJPEGImage::Decode(announced);
            ADD_FAILURE() << "decoded " << size.width << " x " << size.height;
        } catch (const EJPEG& error) {
            EXPECT_EQ(std::string(error.what()), "JPEG error #" + std::to_string(JERR_IMAGE_TOO_BIG));
        }
    }
    // Image data that ends early is only a warning: the picture is there, its rest grey.
    const QImage cut = TJPEGImage::Decode(bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(cut.width(), 505);
    // Damaged form data fails the picture, not the program.
    TPicture picture;
    EXPECT_THROW(picture.LoadFromData(PictureFormData("TJPEGImage", "garbage")), EJPEG);
}

}  // namespace
