#pragma once
// Picture formats by file extension: each registered format names the picture class that reads
// it, a description for file dialogs ("JPEG Image File") and its decoder. TPicture looks here
// first when it loads a file or the picture bytes of a form description; formats nobody
// registered are left to Qt's own image readers.
//
// In a form description a picture registered here is stored as its class name (one length byte
// and the name) followed by the file's bytes, so the reader knows which decoder to use.

#include <QImage>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Decodes the bytes of a file of the format; raises an Exception of the format's own class
// for bad data.
using TPictureDecoder = std::function<QImage(std::string_view bytes)>;

struct TPictureFormat {
    std::string Extension;    // without the dot, lower case: "jpg"
    std::string Description;  // "JPEG Image File"
    std::string ClassName;    // "TJPEGImage"
    TPictureDecoder Decode;
};

// Registers a format for an extension (letter case ignored); a second registration of the same
// extension replaces the first.
void RegisterPictureFormat(const std::string& extension, const std::string& description,
                           const std::string& className, TPictureDecoder decoder);
void UnregisterPictureFormat(const std::string& extension);
// The format of an extension, with or without its dot; null when none is registered.
const TPictureFormat* FindPictureFormat(std::string_view extension);
// The first format registered under that class name; null when none.
const TPictureFormat* FindPictureFormatByClass(std::string_view className);
// Every registered format, in the order of registration.
std::vector<TPictureFormat> PictureFormats();

// The picture bytes of a form description for a file of the registered class.
std::string PictureFormData(const std::string& className, std::string_view fileBytes);
// Splits picture bytes of a form description into the class name and the file's bytes; false
// when they do not start with the name of a registered class.
bool SplitPictureFormData(std::string_view data, std::string& className, std::string_view& fileBytes);
