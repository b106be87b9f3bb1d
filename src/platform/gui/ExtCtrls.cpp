#include "platform/gui/ExtCtrls.h"

#include "platform/gui/ControlBridge.h"
#include "platform/gui/GuiText.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

// A frame that paints its caption, as panels show it.
class PanelWidget : public QFrame {
public:
    QString caption;
    Qt::Alignment alignment = Qt::AlignCenter;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        if (!caption.isEmpty()) {
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(contentsRect().adjusted(2, 0, -2, 0), static_cast<int>(alignment | Qt::AlignVCenter), caption);
        }
    }
};

int BevelSize(TPanelBevel bevel, int width)
{
    return bevel == TPanelBevel::bvNone ? 0 : width;
}

}  // namespace

TPanel::TPanel(TComponent* owner) : TWinControl(owner, new PanelWidget())
{
    UpdateFrame();
    ApplyColor();
}

void TPanel::ApplyText(const std::string& text)
{
    text_ = text;
    static_cast<PanelWidget*>(Widget())->caption = ToQString(text);
    Widget()->update();
}

void TPanel::UpdateFrame()
{
    auto* frame = static_cast<QFrame*>(Widget());
    const TPanelBevel shown = bevelOuter_ != TPanelBevel::bvNone ? bevelOuter_ : bevelInner_;
    if (borderStyle_ == TBorderStyle::bsSingle) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    } else if (shown == TPanelBevel::bvRaised) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    } else if (shown == TPanelBevel::bvLowered) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
    }
    frame->setLineWidth(std::max(bevelWidth_, 1));
    AlignControls();
}

void TPanel::SetBevelOuter(TPanelBevel value)
{
    bevelOuter_ = value;
    UpdateFrame();
}

void TPanel::SetBevelInner(TPanelBevel value)
{
    bevelInner_ = value;
    UpdateFrame();
}

void TPanel::SetBevelWidth(int value)
{
    bevelWidth_ = std::max(value, 1);
    UpdateFrame();
}

void TPanel::SetBorderWidth(int value)
{
    borderWidth_ = std::max(value, 0);
    AlignControls();
}

void TPanel::SetBorderStyle(TBorderStyle value)
{
    borderStyle_ = value;
    UpdateFrame();
}

void TPanel::SetAlignment(TAlignment value)
{
    alignment_ = value;
    static_cast<PanelWidget*>(Widget())->alignment = value == TAlignment::taCenter ? Qt::AlignHCenter
                                                     : value == TAlignment::taRightJustify ? Qt::AlignRight
                                                                                           : Qt::AlignLeft;
    Widget()->update();
}

QRect TPanel::AlignRect() const
{
    const int inset = borderWidth_ + BevelSize(bevelOuter_, bevelWidth_) + BevelSize(bevelInner_, bevelWidth_)
                      + (borderStyle_ == TBorderStyle::bsSingle ? 1 : 0);
    return QRect(inset, inset, std::max(Width() - 2 * inset, 0), std::max(Height() - 2 * inset, 0));
}

// ---------------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TControl(owner, new QFrame())
{
    SetShape(TBevelShape::bsBox);
}

void TBevel::SetShape(TBevelShape value)
{
    shape_ = value;
    SetStyle(style_);
}

void TBevel::SetStyle(TBevelStyle value)
{
    style_ = value;
    auto* frame = static_cast<QFrame*>(Widget());
    const int shadow = value == TBevelStyle::bsLowered ? QFrame::Sunken : QFrame::Raised;
    switch (shape_) {
    case TBevelShape::bsBox:
    case TBevelShape::bsFrame: frame->setFrameStyle(QFrame::Box | shadow); break;
    case TBevelShape::bsTopLine:
    case TBevelShape::bsBottomLine: frame->setFrameStyle(QFrame::HLine | shadow); break;
    case TBevelShape::bsLeftLine:
    case TBevelShape::bsRightLine: frame->setFrameStyle(QFrame::VLine | shadow); break;
    case TBevelShape::bsSpacer: frame->setFrameStyle(QFrame::NoFrame); break;
    }
}

// ---------------------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TControl(owner, new QWidget())
{
    SetAlign(TAlign::alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(TCursor::crSizeWE);
}

TControl* TSplitter::ResizedControl() const
{
    TWinControl* parent = Parent();
    if (parent == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* control = parent->Controls(i);
        if (control == this || !control->Visible() || control->Align() != Align()) {
            continue;
        }
        switch (Align()) {
        case TAlign::alLeft:
            if (control->Left() + control->Width() == Left()) {
                return control;
            }
            break;
        case TAlign::alRight:
            if (control->Left() == Left() + Width()) {
                return control;
            }
            break;
        case TAlign::alTop:
            if (control->Top() + control->Height() == Top()) {
                return control;
            }
            break;
        case TAlign::alBottom:
            if (control->Top() == Top() + Height()) {
                return control;
            }
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void TSplitter::MoveBy(int delta)
{
    TControl* control = ResizedControl();
    if (control == nullptr || delta == 0) {
        return;
    }
    switch (Align()) {
    case TAlign::alLeft: control->SetWidth(std::max(control->Width() + delta, minSize_)); break;
    case TAlign::alRight: control->SetWidth(std::max(control->Width() - delta, minSize_)); break;
    case TAlign::alTop: control->SetHeight(std::max(control->Height() + delta, minSize_)); break;
    case TAlign::alBottom: control->SetHeight(std::max(control->Height() - delta, minSize_)); break;
    default: return;
    }
    if (OnMoved) {
        OnMoved(this);
    }
}

bool TSplitter::WidgetEvent(QEvent* event)
{
    const bool horizontal = Align() == TAlign::alTop || Align() == TAlign::alBottom;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const QPointF position = static_cast<QMouseEvent*>(event)->globalPosition();
        dragging_ = true;
        dragStart_ = static_cast<int>(horizontal ? position.y() : position.x());
        return true;
    }
    case QEvent::MouseMove:
        if (dragging_) {
            const QPointF position = static_cast<QMouseEvent*>(event)->globalPosition();
            const int now = static_cast<int>(horizontal ? position.y() : position.x());
            const int delta = now - dragStart_;
            dragStart_ = now;
            RunUserHandler([this, delta] { MoveBy(delta); });
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    default:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TControl(owner, new QLabel())
{
    picture_.OnChange = [this](TObject*) { UpdatePicture(); };
    static_cast<QLabel*>(Widget())->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TImage::UpdatePicture()
{
    auto* label = static_cast<QLabel*>(Widget());
    if (picture_.Empty()) {
        label->setPixmap(QPixmap());
        return;
    }
    if (autoSize_ && !stretch_) {
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    }
    QImage image = picture_.Image();
    if (stretch_ && Width() > 0 && Height() > 0) {
        image = image.scaled(Width(), Height(), proportional_ ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    label->setAlignment(center_ ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignTop));
    label->setPixmap(QPixmap::fromImage(image));
}

void TImage::Resize()
{
    TControl::Resize();
    if (stretch_) {
        UpdatePicture();
    }
}

void TImage::SetStretch(bool value)
{
    stretch_ = value;
    UpdatePicture();
}

void TImage::SetCenter(bool value)
{
    center_ = value;
    UpdatePicture();
}

void TImage::SetProportional(bool value)
{
    proportional_ = value;
    UpdatePicture();
}

void TImage::SetAutoSize(bool value)
{
    autoSize_ = value;
    UpdatePicture();
}

// ---------------------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner, new QGroupBox())
{
    items_.Sync = [this] { SyncButtons(); };
}

TRadioGroup::~TRadioGroup()
{
    items_.Sync = nullptr;
}

void TRadioGroup::ApplyText(const std::string& text)
{
    text_ = text;
    static_cast<QGroupBox*>(Widget())->setTitle(ToQString(text));
}

QRadioButton* TRadioGroup::Button(int index) const
{
    return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[static_cast<size_t>(index)].data() : nullptr;
}

void TRadioGroup::SyncButtons()
{
    for (auto& button : buttons_) {
        delete button.data();
    }
    buttons_.clear();
    for (int i = 0; i < items_.Count(); ++i) {
        auto* button = new QRadioButton(ToQString(items_[i]), Widget());
        button->setAutoExclusive(false);
        button->setChecked(i == itemIndex_);
        button->show();
        QObject::connect(button, &QRadioButton::clicked, SignalContext(), [this, i] {
            if (i == itemIndex_) {
                Button(i)->setChecked(true);
                return;
            }
            RunUserHandler([this, i] { SetItemIndex(i); });
        });
        buttons_.emplace_back(button);
    }
    if (itemIndex_ >= items_.Count()) {
        itemIndex_ = -1;
    }
    ArrangeButtons();
}

void TRadioGroup::ArrangeButtons()
{
    if (buttons_.empty()) {
        return;
    }
    const int captionHeight = Widget()->fontMetrics().height();
    const int columns = std::max(columns_, 1);
    const int rows = (static_cast<int>(buttons_.size()) + columns - 1) / columns;
    const int areaTop = captionHeight + 2;
    const int areaHeight = std::max(Height() - areaTop - 4, 0);
    const int columnWidth = std::max((Width() - 8) / columns, 0);
    const int rowHeight = rows > 0 ? std::max(areaHeight / rows, 1) : 1;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const int column = static_cast<int>(i) / rows;
        const int row = static_cast<int>(i) % rows;
        if (QRadioButton* button = buttons_[i].data()) {
            button->setGeometry(4 + column * columnWidth, areaTop + row * rowHeight, columnWidth, std::min(rowHeight, captionHeight + 6));
        }
    }
}

void TRadioGroup::Resize()
{
    ArrangeButtons();
    TWinControl::Resize();
}

void TRadioGroup::Loaded()
{
    TWinControl::Loaded();
    SyncButtons();
}

void TRadioGroup::SetItemIndex(int value)
{
    if (Reading()) {
        itemIndex_ = value;
        return;
    }
    if (value < -1 || value >= items_.Count()) {
        value = -1;
    }
    if (value == itemIndex_) {
        return;
    }
    itemIndex_ = value;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (QRadioButton* button = buttons_[i].data()) {
            button->setChecked(static_cast<int>(i) == value);
        }
    }
    Click();
}

void TRadioGroup::SetColumns(int value)
{
    columns_ = std::clamp(value, 1, 16);
    ArrangeButtons();
}

// ---------------------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TControl(owner, new QToolButton())
{
    auto* button = static_cast<QToolButton*>(Widget());
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    glyph_.OnChange = [this](TObject*) {
        static_cast<QToolButton*>(Widget())->setIcon(QIcon(QPixmap::fromImage(glyph_.Image())));
    };
    QObject::connect(button, &QToolButton::clicked, SignalContext(), [this] {
        RunUserHandler([this] {
            if (GroupIndex != 0) {
                SetDown(AllowAllUp ? !down_ : true);
            }
            Click();
        });
    });
}

void TSpeedButton::ApplyText(const std::string& text)
{
    text_ = text;
    static_cast<QToolButton*>(Widget())->setText(ToQString(text));
}

void TSpeedButton::SetFlat(bool value)
{
    flat_ = value;
    static_cast<QToolButton*>(Widget())->setAutoRaise(value);
}

void TSpeedButton::SetDown(bool value)
{
    if (value && GroupIndex != 0 && Parent() != nullptr) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            if (other != nullptr && other != this && other->GroupIndex == GroupIndex) {
                other->down_ = false;
                static_cast<QToolButton*>(other->Widget())->setChecked(false);
            }
        }
    }
    down_ = value;
    auto* button = static_cast<QToolButton*>(Widget());
    button->setCheckable(GroupIndex != 0 || value);
    button->setChecked(value);
}

// ---------------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<QTimer>())
{
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] {
        if (OnTimer) {
            RunUserHandler([this] { OnTimer(this); });
        }
    });
    UpdateTimer();
}

TTimer::~TTimer()
{
    timer_->stop();
}

void TTimer::UpdateTimer()
{
    timer_->stop();
    if (enabled_ && interval_ > 0 && !IsLoading() && !(Owner() != nullptr && Owner()->IsLoading())) {
        timer_->start(interval_);
    }
}

void TTimer::SetEnabled(bool value)
{
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(int value)
{
    interval_ = std::max(value, 0);
    UpdateTimer();
}

bool TTimer::Running() const
{
    return timer_->isActive();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    UpdateTimer();
}
