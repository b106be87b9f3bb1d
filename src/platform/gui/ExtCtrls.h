#pragma once
// Panels, bevels, splitters, pictures, radio groups, speed buttons and timers.

#include "platform/gui/Controls.h"
#include "platform/gui/StdCtrls.h"

#include <QPointer>

#include <memory>
#include <vector>

class QTimer;
class QRadioButton;

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum class TBorderStyle { bsNone, bsSingle };
enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle { bsLowered, bsRaised };
enum class TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);
    const char* ClassName() const noexcept override { return "TPanel"; }
    TPanelBevel BevelOuter() const noexcept { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel BevelInner() const noexcept { return bevelInner_; }
    void SetBevelInner(TPanelBevel value);
    int BevelWidth() const noexcept { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const noexcept { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value);
    QRect AlignRect() const override;

protected:
    void ApplyText(const std::string& text) override;
    void UpdateFrame();

private:
    TPanelBevel bevelOuter_ = TPanelBevel::bvRaised;
    TPanelBevel bevelInner_ = TPanelBevel::bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    TAlignment alignment_ = TAlignment::taCenter;
};

class TBevel : public TControl {
public:
    explicit TBevel(TComponent* owner);
    const char* ClassName() const noexcept override { return "TBevel"; }
    TBevelShape Shape() const noexcept { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const noexcept { return style_; }
    void SetStyle(TBevelStyle value);

protected:
    int ColorRole() const override { return -1; }

private:
    TBevelShape shape_ = TBevelShape::bsBox;
    TBevelStyle style_ = TBevelStyle::bsLowered;
};

// Drag bar between aligned controls: dragging resizes the control it is aligned against.
class TSplitter : public TControl {
public:
    explicit TSplitter(TComponent* owner);
    const char* ClassName() const noexcept override { return "TSplitter"; }
    int MinSize() const noexcept { return minSize_; }
    void SetMinSize(int value) { minSize_ = value; }
    TResizeStyle ResizeStyle = TResizeStyle::rsPattern;
    bool AutoSnap = true;
    // The control the splitter resizes (the neighbour on its aligned side), or null.
    TControl* ResizedControl() const;
    // Moves the splitter by `delta` pixels, as a drag does.
    void MoveBy(int delta);
    TNotifyEvent OnMoved;

protected:
    bool WidgetEvent(QEvent* event) override;
    bool ClicksFromMouse() const override { return false; }

private:
    int minSize_ = 30;
    int dragStart_ = 0;
    bool dragging_ = false;
};

class TImage : public TControl {
public:
    explicit TImage(TComponent* owner);
    const char* ClassName() const noexcept override { return "TImage"; }
    TPicture& Picture() noexcept { return picture_; }
    bool Stretch() const noexcept { return stretch_; }
    void SetStretch(bool value);
    bool Center() const noexcept { return center_; }
    void SetCenter(bool value);
    bool Proportional() const noexcept { return proportional_; }
    void SetProportional(bool value);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool value);

protected:
    void Resize() override;
    int ColorRole() const override { return -1; }

private:
    void UpdatePicture();
    TPicture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* owner);
    ~TRadioGroup() override;
    const char* ClassName() const noexcept override { return "TRadioGroup"; }
    TStrings& Items() noexcept { return items_; }
    int ItemIndex() const noexcept { return itemIndex_; }
    // Fires OnClick when the index changes.
    void SetItemIndex(int value);
    int Columns() const noexcept { return columns_; }
    void SetColumns(int value);
    QRadioButton* Button(int index) const;

protected:
    void ApplyText(const std::string& text) override;
    void Resize() override;
    bool ClicksFromMouse() const override { return false; }
    void Loaded() override;

private:
    void SyncButtons();
    void ArrangeButtons();
    TControlItems items_;
    std::vector<QPointer<QRadioButton>> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
};

class TSpeedButton : public TControl {
public:
    explicit TSpeedButton(TComponent* owner);
    const char* ClassName() const noexcept override { return "TSpeedButton"; }
    bool Flat() const noexcept { return flat_; }
    void SetFlat(bool value);
    bool Down() const noexcept { return down_; }
    void SetDown(bool value);
    int GroupIndex = 0;
    bool AllowAllUp = false;
    TPicture& Glyph() noexcept { return glyph_; }

protected:
    void ApplyText(const std::string& text) override;
    bool ClicksFromMouse() const override { return false; }
    int ColorRole() const override { return -1; }

private:
    TPicture glyph_;
    bool flat_ = false;
    bool down_ = false;
};

// Runs OnTimer every Interval milliseconds while Enabled (and not while its form is being read).
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    const char* ClassName() const noexcept override { return "TTimer"; }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    int Interval() const noexcept { return interval_; }
    void SetInterval(int value);
    bool Running() const;
    TNotifyEvent OnTimer;

protected:
    void Loaded() override;

private:
    void UpdateTimer();
    std::unique_ptr<QTimer> timer_;
    bool enabled_ = true;
    int interval_ = 1000;
};
