#include "gif/GIFPicture.h"

#include <algorithm>

TGIFPicture::TGIFPicture() : header_(this), images_(this)
{
    header_.Prepare();
}

TGIFPicture::~TGIFPicture() = default;

TGIFVersion TGIFPicture::Version() const
{
    // A sorted global table or an aspect byte needs GIF89a as much as any frame's blocks do.
    if (header_.Version() == TGIFVersion::gv89a) {
        return TGIFVersion::gv89a;
    }
    for (int i = 0; i < images_.Count(); ++i) {
        if (images_[i].Version() == TGIFVersion::gv89a) {
            return TGIFVersion::gv89a;
        }
    }
    return TGIFVersion::gv87a;
}

int TGIFPicture::BitsPerPixel() const
{
    int bits = header_.ColorMap().BitsPerPixel();
    for (int i = 0; i < images_.Count(); ++i) {
        bits = std::max(bits, images_[i].ColorMap().BitsPerPixel());
    }
    return bits;
}

void TGIFPicture::Clear()
{
    images_.Clear();
    header_.Clear();
}

void TGIFPicture::LoadFromStream(TStream& stream)
{
    Clear();
    const int64_t start = stream.Position();
    try {
        header_.LoadFromStream(stream);
        images_.LoadFromStream(stream);
        TGIFTrailer(this).LoadFromStream(stream);
    } catch (...) {
        stream.SetPosition(start);
        Clear();
        throw;
    }
}

void TGIFPicture::SaveToStream(TStream& stream)
{
    Progress(this, TProgressStage::psStarting, 0, "Saving...");
    try {
        header_.SaveToStream(stream);
        images_.SaveToStream(stream);
        TGIFTrailer(this).SaveToStream(stream);
    } catch (...) {
        Progress(this, TProgressStage::psEnding, 0, "Saving...");
        throw;
    }
    Progress(this, TProgressStage::psEnding, 100, "Saving...");
}

void TGIFPicture::LoadFromFile(const std::string& fileName)
{
    TMemoryStream stream;
    stream.LoadFromFile(fileName);
    LoadFromStream(stream);
}

void TGIFPicture::SaveToFile(const std::string& fileName)
{
    TMemoryStream stream;
    SaveToStream(stream);
    stream.SaveToFile(fileName);
}

void TGIFPicture::OptimizeColorMaps()
{
    header_.ColorMap().Optimize();
    for (int i = 0; i < images_.Count(); ++i) {
        if (images_[i].ColorMap().Count() > 0) {
            images_[i].ColorMap().Optimize();
        }
    }
}

void TGIFPicture::Warning(TObject* sender, TGIFSeverity severity, const std::string& message) const
{
    if (OnWarning) {
        OnWarning(sender, severity, message);
    }
}

void TGIFPicture::Progress(TObject* sender, TProgressStage stage, int percentDone, const std::string& message)
{
    if (OnProgress) {
        OnProgress(sender, stage, percentDone, message);
    }
}
