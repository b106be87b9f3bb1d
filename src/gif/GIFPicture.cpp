#include "gif/GIFPicture.h"

#include "gif/GIFPainter.h"
#include "platform/gui/Graphics.h"

#include <algorithm>

TGIFPicture::TGIFPicture() : header_(this), images_(this)
{
    header_.Prepare();
}

TGIFPicture::~TGIFPicture()
{
    try {
        StopDraw();
    } catch (...) {
        // An error a painter met is of no use once its picture goes.
    }
    // A painter still on the stack of a Draw call (a synchronous one dispatching messages)
    // learns here that its picture is gone.
    std::lock_guard guard(paintersLock_);
    for (const auto& painter : painters_) {
        painter->CutPicture();
    }
    painters_.clear();
}

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

void TGIFPicture::SetWidth(int value)
{
    for (int i = 0; i < images_.Count(); ++i) {
        if (images_[i].Left() + images_[i].Width() > value) {
            RaiseGifError("Image width too small for contained frames");
        }
    }
    if (value != header_.Width()) {
        header_.SetWidth(value);
        Changed();
    }
}

void TGIFPicture::SetHeight(int value)
{
    for (int i = 0; i < images_.Count(); ++i) {
        if (images_[i].Top() + images_[i].Height() > value) {
            RaiseGifError("Image height too small for contained frames");
        }
    }
    if (value != header_.Height()) {
        header_.SetHeight(value);
        Changed();
    }
}

void TGIFPicture::Clear()
{
    try {
        StopDraw();
    } catch (...) {
        // Clearing goes on; the painter's error is dropped with it.
    }
    FreeBitmap();
    images_.Clear();
    header_.Clear();
    globalPalette_.clear();
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
    Changed();
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

int TGIFPicture::Add(const TPersistent& source)
{
    if (dynamic_cast<const TGIFSubImage*>(&source) == nullptr && dynamic_cast<const TBitmap*>(&source) == nullptr &&
        dynamic_cast<const TPicture*>(&source) == nullptr && dynamic_cast<const TGIFPicture*>(&source) == nullptr) {
        RaiseGifError("Object type not supported for operation");
    }
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(source);
    const int index = images_.Add(std::move(frame));
    Changed();
    return index;
}

void TGIFPicture::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TGIFPicture*>(&source)) {
        if (other != this) {
            AssignPicture(*other);
        }
        return;
    }
    if (dynamic_cast<const TBitmap*>(&source) != nullptr || dynamic_cast<const TPicture*>(&source) != nullptr) {
        Clear();
        try {
            Add(source);
        } catch (const EConvertError&) {
            TPersistent::Assign(source);
        }
        return;
    }
    TPersistent::Assign(source);
}

void TGIFPicture::AssignPicture(const TGIFPicture& source)
{
    Clear();
    // The source reports the copy through this picture's events.
    auto& borrowed = const_cast<TGIFPicture&>(source);
    const TGIFProgressEvent sourceProgress = borrowed.OnProgress;
    const TGIFWarningEvent sourceWarning = borrowed.OnWarning;
    borrowed.OnProgress = OnProgress;
    borrowed.OnWarning = OnWarning;
    auto restore = [&] {
        borrowed.OnProgress = sourceProgress;
        borrowed.OnWarning = sourceWarning;
    };
    try {
        Progress(this, TProgressStage::psStarting, 0, "Copying...");
        header_.Assign(source.header_);
        threadPriority_ = source.threadPriority_;
        drawBackgroundColor_ = source.drawBackgroundColor_;
        drawOptions_ = source.drawOptions_;
        colorReduction_ = source.colorReduction_;
        ditherMode_ = source.ditherMode_;
        const int count = source.images_.Count();
        for (int i = 0; i < count; ++i) {
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->Assign(source.images_[i]);
            images_.Add(std::move(frame));
            Progress(this, TProgressStage::psRunning, (i + 1) * 100 / count, "Copying...");
        }
        Progress(this, TProgressStage::psEnding, 100, "Copying...");
    } catch (...) {
        restore();
        Progress(this, TProgressStage::psEnding, 0, "Copying...");
        throw;
    }
    restore();
    Changed();
}

void TGIFPicture::AssignTo(TPersistent& dest) const
{
    auto& self = const_cast<TGIFPicture&>(*this);
    if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        if (TBitmap* own = self.Bitmap()) {
            bitmap->Assign(*own);
        } else {
            bitmap->SetImage(QImage());
        }
        return;
    }
    if (auto* picture = dynamic_cast<TPicture*>(&dest)) {
        TBitmap* own = self.Bitmap();
        picture->SetImage(own != nullptr ? own->Image() : QImage());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TGIFPicture::SetDrawOptions(TGIFDrawOptions value)
{
    if (value == drawOptions_) {
        return;
    }
    // Dithering decides the frames' colours: their bitmaps are made again.
    const bool dithered = DoDither();
    drawOptions_ = value;
    if (dithered != DoDither()) {
        for (int i = 0; i < images_.Count(); ++i) {
            images_[i].FreeBitmap();
        }
        Changed();
    }
}

void TGIFPicture::SetAnimationSpeed(int value)
{
    animationSpeed_ = std::max(value, 0);
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

void TGIFPicture::FreeBitmap()
{
    bitmap_.reset();
}

void TGIFPicture::Changed()
{
    FreeBitmap();
    if (OnChange) {
        OnChange(this);
    }
}

void TGIFPicture::GlobalColorMapChanged()
{
    globalPalette_.clear();
    FreeBitmap();
    for (int i = 0; i < images_.Count(); ++i) {
        if (images_[i].ColorMap().Count() == 0) {
            images_[i].FreeBitmap();
        }
    }
}

// ---- the colour tables' change hooks ----

void TGIFGlobalColorMap::Changed()
{
    if (TGIFPicture* picture = header_.Image()) {
        picture->GlobalColorMapChanged();
    }
}

void TGIFLocalColorMap::Changed()
{
    subImage_.FreeBitmap();
}
