#include "widgets/KitLabels.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/GuiRegistration.h"
#include "platform/rtl/System.h"
#include "widgets/KitClass.h"
#include "widgets/KitGraph.h"
#include "widgets/KitRegistration.h"

#include <QEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QWidget>

#include <cctype>

// ---- TKitBaseLabel ----------------------------------------------------------------------------

TKitBaseLabel::TKitBaseLabel(TComponent* owner) : TKitBaseGraphicControl(owner) {}

TKitBaseLabel::~TKitBaseLabel()
{
    twinkleTimer_.reset();
    if (focusControl_ != nullptr) focusControl_->RemoveFreeNotification(this);
}

void TKitBaseLabel::SetShowAccelChar(bool value)
{
    showAccelChar_ = value;
    UpdateShortcut();
    // "&" is measured as a character of its own without accelerators: the size follows.
    AdjustSize();
    RepaintControl();
}

void TKitBaseLabel::SetMultiLine(bool value)
{
    multiLine_ = value;
    SettingsChanged();
}

void TKitBaseLabel::SetAlignment(TKitAlignment value)
{
    alignment_ = value;
    SettingsChanged();
}

void TKitBaseLabel::SetOptions(unsigned value)
{
    options_ = value;
    SettingsChanged();
}

void TKitBaseLabel::SetAutoSize(bool value)
{
    autoSize_ = value;
    AdjustSize();
}

void TKitBaseLabel::SetFocusControl(TWinControl* control)
{
    if (focusControl_ != nullptr) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (focusControl_ != nullptr) focusControl_->FreeNotification(this);
    UpdateShortcut();
}

void TKitBaseLabel::SetFontSmoothing(bool value)
{
    fontSmoothing_ = value;
    RepaintControl();
}

void TKitBaseLabel::SetTwinkle(bool value)
{
    twinkle_ = value;
    if (value) {
        twinkleTimer_ = std::make_unique<TKitTimer>(twinkleVisible_, useGlobalTimer_, Enabled(),
                                                    [this](TObject*) { TwinkleTick(); });
    } else {
        twinkleTimer_.reset();
        twinklePhaseVisible_ = true;
    }
    RepaintControl();
}

void TKitBaseLabel::SetTwinkleColor(TColor value)
{
    twinkleColor_ = value;
    if (!twinklePhaseVisible_) RepaintControl();
}

void TKitBaseLabel::TwinkleTick()
{
    if (!twinkleTimer_) return;
    // The phase that ends decides the next interval: a shown phase gives way to the hidden one.
    twinkleTimer_->SetInterval(twinklePhaseVisible_ ? twinkleVisible_ : twinkleInVisible_);
    twinklePhaseVisible_ = !twinklePhaseVisible_;
    if (Visible()) RepaintControl();
}

void TKitBaseLabel::SetEnabled(bool value)
{
    TKitBaseGraphicControl::SetEnabled(value);
    if (twinkleTimer_) twinkleTimer_->SetEnabled(value);
    RepaintControl();
}

char TKitBaseLabel::AccelChar(const std::string& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

bool TKitBaseLabel::DialogChar(char key)
{
    if (!showAccelChar_ || focusControl_ == nullptr || !Enabled()) return false;
    const char accel = AccelChar(LabelText());
    if (accel == 0 || accel != std::toupper(static_cast<unsigned char>(key))) return false;
    if (focusControl_->CanFocus()) focusControl_->SetFocus();
    return true;
}

void TKitBaseLabel::UpdateShortcut()
{
    QWidget* widget = Widget();
    if (widget == nullptr) return;
    for (QShortcut* old : widget->findChildren<QShortcut*>(QString(), Qt::FindDirectChildrenOnly)) delete old;
    const char accel = AccelChar(LabelText());
    if (!showAccelChar_ || focusControl_ == nullptr || accel == 0) return;
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(accel)), widget);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, widget, [this, accel] { DialogChar(accel); });
}

void TKitBaseLabel::FontChanged()
{
    if (Reading()) return;
    SettingsChanged();
}

void TKitBaseLabel::SettingsChanged()
{
    AdjustSize();
    RepaintControl();
}

void TKitBaseLabel::ApplyText(const std::string& text)
{
    TKitBaseGraphicControl::ApplyText(text);
    UpdateShortcut();
    AdjustSize();
    RepaintControl();
}

void TKitBaseLabel::ApplyFont()
{
    TKitBaseGraphicControl::ApplyFont();
    if (applyingFont_) return;
    applyingFont_ = true;
    FontChanged();
    applyingFont_ = false;
}

void TKitBaseLabel::Loaded()
{
    TKitBaseGraphicControl::Loaded();
    UpdateShortcut();
    AdjustSize();
}

void TKitBaseLabel::Notification(TComponent* component, TOperation operation)
{
    TKitBaseGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component != nullptr && component == focusControl_) {
        focusControl_ = nullptr;
        UpdateShortcut();
    }
}

// ---- TKitCustomSimpleLabel --------------------------------------------------------------------

TKitCustomSimpleLabel::TKitCustomSimpleLabel(TComponent* owner) : TKitBaseLabel(owner)
{
    font3D_.OnChange = [this](TObject*) { FontChanged(); };
}

TKitCustomSimpleLabel::~TKitCustomSimpleLabel()
{
    font3D_.OnChange = nullptr;
}

bool TKitCustomSimpleLabel::IsLink() const noexcept
{
    return jumpMode_ == TKitJumpModes::jmInternet || jumpMode_ == TKitJumpModes::jmApplication ||
           jumpMode_ == TKitJumpModes::jmCustom;
}

void TKitCustomSimpleLabel::SetInActiveColor(TColor value)
{
    inActiveColor_ = value;
    if (legacyLink_) Font().SetColor(value);
}

void TKitCustomSimpleLabel::SetJumpUnderline(bool value)
{
    jumpUnderline_ = value;
    if (legacyLink_ && value) {
        TFontStyles style = Font().Style();
        style.Include(TFontStyle::fsUnderline);
        Font().SetStyle(style);
    }
}

void TKitCustomSimpleLabel::SetJumpMode(TKitJumpModes value)
{
    jumpMode_ = value;
    if (Reading() && value == TKitJumpModes::jmNone) return;
    TFontStyles style = Font().Style();
    if (IsLink()) {
        clickCount_ = 0;
        Font().SetColor(inActiveColor_);
        if (jumpUnderline_) style.Include(TFontStyle::fsUnderline);
        Font().SetStyle(style);
        SetCursor(TCursor::crHandPoint);
    } else {
        SetCursor(TCursor::crDefault);
        Font().SetColor(clBlack);
        if (jumpUnderline_) style.Exclude(TFontStyle::fsUnderline);
        Font().SetStyle(style);
    }
}

void TKitCustomSimpleLabel::Loaded()
{
    TKitBaseLabel::Loaded();
    if (legacyLink_) SetJumpMode(TKitJumpModes::jmInternet);
}

void TKitCustomSimpleLabel::FontChanged()
{
    TKitBaseLabel::FontChanged();
}

int TKitCustomSimpleLabel::TextFormat() const
{
    int format = 0;
    if (Options() & KitLabelOptionBit(TKitLabelOption::loPathEllipsis)) format |= static_cast<int>(DT_PATH_ELLIPSIS);
    if (Options() & KitLabelOptionBit(TKitLabelOption::loEndEllipsis)) format |= static_cast<int>(DT_END_ELLIPSIS);
    if (Options() & KitLabelOptionBit(TKitLabelOption::loEditControl)) format |= static_cast<int>(DT_EDITCONTROL);
    return format;
}

void TKitCustomSimpleLabel::AdjustSize()
{
    if (Align() != TAlign::alNone || !AutoSize() || Reading() || IsDestroying()) return;
    TKitCustomSimpleLabel& self = *this;
    const TRect size =
        KitMeasureEffectText(LabelText(), &self.font3D_, TextFormat(), ShowAccelChar(), MultiLine(), Font(), Width());
    if (size.Width() != Width() || size.Height() != Height()) SetBounds(Left(), Top(), size.Width(), size.Height());
}

void TKitCustomSimpleLabel::Paint(TCanvas& canvas)
{
    if (painting_ || Reading()) return;
    const std::string text = LabelText();
    if (IsTransparent() && text.empty()) return;
    painting_ = true;
    TRect rect{0, 0, Width(), Height()};
    if (!IsTransparent()) {
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Brush().SetColor(Color());
        canvas.FillRect(rect);
    }
    int format = 0;
    if (MultiLine()) {
        if (static_cast<int>(Alignment()) > static_cast<int>(TKitAlignment::agTopRight)) {
            rect = KitDrawAlignedText(Alignment(), text, &font3D_, rect, format | TextFormat(), ShowAccelChar(), true, Font());
        }
    } else {
        format |= static_cast<int>(DT_SINGLELINE);
    }
    format |= static_cast<int>(DT_EXPANDTABS | DT_WORDBREAK);
    switch (Alignment()) {
    case TKitAlignment::agTopLeft: break;
    case TKitAlignment::agTopCenter: format |= static_cast<int>(DT_CENTER); break;
    case TKitAlignment::agTopRight: format |= static_cast<int>(DT_RIGHT); break;
    case TKitAlignment::agCenterLeft: format |= static_cast<int>(DT_VCENTER); break;
    case TKitAlignment::agCenter: format |= static_cast<int>(DT_CENTER | DT_VCENTER); break;
    case TKitAlignment::agCenterRight: format |= static_cast<int>(DT_RIGHT | DT_VCENTER); break;
    case TKitAlignment::agBottomLeft: format |= static_cast<int>(DT_BOTTOM); break;
    case TKitAlignment::agBottomCenter: format |= static_cast<int>(DT_CENTER | DT_BOTTOM); break;
    case TKitAlignment::agBottomRight: format |= static_cast<int>(DT_RIGHT | DT_BOTTOM); break;
    }
    format |= TextFormat();
    if (!ShowAccelChar()) format |= static_cast<int>(DT_NOPREFIX);
    if (FontSmoothing() && canvas.Painter() != nullptr) canvas.Painter()->setRenderHint(QPainter::TextAntialiasing, true);
    canvas.Brush().SetColor(Color());
    canvas.Font().Assign(Font());
    const unsigned drawFlags = Enabled() ? kitTextEnabled : 0u;
    if (TwinklePhaseVisible()) {
        KitDrawEffectText(canvas, text, &font3D_, nullptr, drawFlags, format, rect);
    } else if (TwinkleColor() != clNone) {
        canvas.Font().SetColor(TwinkleColor());
        KitDrawEffectText(canvas, text, &font3D_, nullptr, drawFlags, format, rect);
    }
    painting_ = false;
}

void TKitCustomSimpleLabel::Click()
{
    std::string target = jump_;
    const bool blank = target.find_first_not_of(" \t\r\n") == std::string::npos;
    switch (jumpMode_) {
    case TKitJumpModes::jmInternet:
        if (blank) {
            target = LabelText();
            if (target.find('@') != std::string::npos) target = "mailto:" + target;
        }
        if (!ShellOpen(target)) {
            SetJumpMode(TKitJumpModes::jmNone);
            SetEnabled(false);
        }
        return;
    case TKitJumpModes::jmApplication:
        if (blank) target = LabelText();
        (void)StartProgram(target);
        return;
    default:
        TKitBaseLabel::Click();
        return;
    }
}

bool TKitCustomSimpleLabel::WidgetEvent(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && IsLink() && Enabled()) {
            ++clickCount_;
            Font().SetColor(activeColor_);
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && legacyLink_) Font().SetColor(inActiveColor_);
    }
    return TKitBaseLabel::WidgetEvent(event);
}

// ---- registration -----------------------------------------------------------------------------

void RegisterKitLabelClasses()
{
    static const bool registered = [] {
        RegisterKitClasses();
        RegisterEnum<TKitLabelOption>("TKitLabelOption", {"loPathEllipsis", "loEndEllipsis", "loEditControl"});
        RegisterEnum<TKitJumpModes>("TKitJumpModes", {"jmInternet", "jmApplication", "jmNone", "jmCustom"});
        using C = TKitControl;
        TClassRegistration<C, TControl>("TKitControl")
            .Event("OnMouseEnter", &C::OnMouseEnter)
            .Event("OnMouseExit", &C::OnMouseExit);
        using BC = TKitBaseControl;
        TClassRegistration<BC, C>("TKitBaseControl");
        using G = TKitBaseGraphicControl;
        TClassRegistration<G, BC>("TKitBaseGraphicControl")
            .Boolean("Transparent", &G::Transparent, &G::SetTransparent, true);
        using L = TKitBaseLabel;
        TClassRegistration<L, G>("TKitBaseLabel")
            .Enum("Alignment", &L::Alignment, &L::SetAlignment, TKitAlignment::agTopLeft)
            .Boolean("AutoSize", &L::AutoSize, &L::SetAutoSize, true)
            .Reference("FocusControl", &L::FocusControl, &L::SetFocusControl)
            .Boolean("FontSmoothing", &L::FontSmoothing, &L::SetFontSmoothing, false)
            .Boolean("MultiLine", &L::MultiLine, &L::SetMultiLine, false)
            .Set<TKitLabelOption>("Options", &L::Options, &L::SetOptions, 0)
            .Boolean("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar, true)
            .Boolean("Twinkle", &L::Twinkle, &L::SetTwinkle, false)
            .Integer("TwinkleColor", &L::TwinkleColor, [](L& label, int64_t value) { label.SetTwinkleColor(static_cast<TColor>(value)); },
                     static_cast<int64_t>(clNone))
            .Integer("TwinkleVisible", &L::TwinkleVisible, [](L& label, int64_t value) { label.SetTwinkleVisible(static_cast<int>(value)); },
                     700)
            .Integer("TwinkleInVisible", &L::TwinkleInVisible,
                     [](L& label, int64_t value) { label.SetTwinkleInVisible(static_cast<int>(value)); }, 700)
            .Boolean("UseGlobalTimer", &L::UseGlobalTimer, &L::SetUseGlobalTimer, false);
        using S = TKitCustomSimpleLabel;
        TClassRegistration<S, L>("TKitCustomSimpleLabel")
            .String("About", &S::About, &S::SetAbout)
            .Object("Font3D", [](S& label) -> TKit3DCaption& { return label.Font3D(); })
            .String("Jump", &S::Jump, &S::SetJump)
            .Integer("ActiveColor", &S::ActiveColor, [](S& label, int64_t value) { label.SetActiveColor(static_cast<TColor>(value)); },
                     0x800080)
            .Integer("InActiveColor", &S::InActiveColor,
                     [](S& label, int64_t value) { label.SetInActiveColor(static_cast<TColor>(value)); }, 0xFF0000)
            .Boolean("JumpUnderline", &S::JumpUnderline, &S::SetJumpUnderline, true)
            .Enum("JumpMode", &S::JumpMode, &S::SetJumpMode, TKitJumpModes::jmNone)
            .Boolean("UseAsJump", &S::UseAsJump, &S::SetUseAsJump, false);
        TClassRegistration<TKitSimpleLabel, S>("TKitSimpleLabel").Component();
        return true;
    }();
    (void)registered;
}
