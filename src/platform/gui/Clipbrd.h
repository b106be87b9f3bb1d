#pragma once
// The clipboard: text, pictures, and data of other formats named by their MIME type.

#include <QImage>

#include <string>
#include <vector>

// Data of one clipboard format: its MIME type ("image/gif") and its bytes.
struct TClipboardFormat {
    std::string MimeType;
    std::string Data;
};

class TClipboard {
public:
    std::string AsText() const;
    void SetAsText(const std::string& text);
    bool HasText() const;
    void Clear();

    // Replaces the clipboard's contents with the picture (offered in the usual picture formats)
    // and the further formats, all at once; false when there is no clipboard or it did not take
    // them.
    bool SetAsPicture(const QImage& picture, const std::vector<TClipboardFormat>& formats);
    bool HasFormat(const std::string& mimeType) const;
    // The bytes of a format; empty when the clipboard does not hold it.
    std::string AsFormat(const std::string& mimeType) const;
    bool HasPicture() const;
    // A null picture when the clipboard holds none.
    QImage AsPicture() const;
};

// The one clipboard object.
TClipboard& Clipboard();
