#include "widgets/KitCustomButton.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Forms.h"
#include "platform/gui/GuiRegistration.h"
#include "widgets/KitClass.h"
#include "widgets/KitRegistration.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>

TKitCustomButton::TKitCustomButton(TComponent* owner) : TButton(owner)
{
    SetBounds(Left(), Top(), 75, 25);
    layout_.OnChange = [this](TObject* sender) { SettingsChanged(sender); };
    fontFX_.OnChange = [this](TObject* sender) { SettingsChanged(sender); };
    glyph_.OnChange = [this](TObject* sender) { SettingsChanged(sender); };
    changeLink_.OnChange = [this](TObject*) { RefreshGlyphFromList(); };
    storedGlyph_.OnChange = [this](TObject*) { SetGlyph(storedGlyph_); };
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setAttribute(Qt::WA_Hover, true);
    }
}

TKitCustomButton::~TKitCustomButton()
{
    StopRepeat();
    storedGlyph_.OnChange = nullptr;
    glyph_.OnChange = nullptr;
    layout_.OnChange = nullptr;
    fontFX_.OnChange = nullptr;
    changeLink_.OnChange = nullptr;
    if (imageList_ != nullptr) {
        imageList_->UnRegisterChanges(&changeLink_);
    }
}

void TKitCustomButton::SetButtonStyle(TKitUserButtonStyle value)
{
    // Three styles show their glyph grey until the pointer comes.
    const bool greyIdle = value == TKitUserButtonStyle::ubsFlatUnColored || value == TKitUserButtonStyle::ubsNavigator ||
                          value == TKitUserButtonStyle::ubsExplorer;
    glyph_.SetStyle(greyIdle ? 1 : 0);
    buttonStyle_ = value;
    Invalidate();
}

void TKitCustomButton::SetMultiLine(bool value)
{
    multiLine_ = value;
    SettingsChanged(this);
}

void TKitCustomButton::SetUseCaption(bool value)
{
    useCaption_ = value;
    SettingsChanged(this);
}

void TKitCustomButton::SetGlyph(const TBitmap& bitmap)
{
    if (imageList_ != nullptr && !Reading()) {
        SetImageList(nullptr);
    }
    if (&bitmap != &storedGlyph_) {
        storedGlyph_.OnChange = nullptr;
        storedGlyph_.Assign(bitmap);
        storedGlyph_.OnChange = [this](TObject*) { SetGlyph(storedGlyph_); };
    }
    glyph_.SetGlyph(bitmap);
    Invalidate();
}

void TKitCustomButton::SetNumGlyphs(int value)
{
    glyph_.SetNumGlyphs(value);
    Invalidate();
}

void TKitCustomButton::SetImageList(TKitCustomImageList* list)
{
    if (!KitRelinkController(imageList_, list, changeLink_, this)) return;
    RefreshGlyphFromList();
}

void TKitCustomButton::SetImageIndex(int value)
{
    if (value < 0 || value == imageIndex_) return;
    imageIndex_ = value;
    if (imageList_ != nullptr) RefreshGlyphFromList();
}

void TKitCustomButton::SetListIndex(int value)
{
    if (value < 0 || value == listIndex_) return;
    listIndex_ = value;
    if (imageList_ != nullptr) RefreshGlyphFromList();
}

void TKitCustomButton::RefreshGlyphFromList()
{
    if (Reading()) return;
    TBitmap bitmap;
    if (imageList_ != nullptr && imageList_->ImageExists(listIndex_, imageIndex_)) {
        bitmap.SetImage(imageList_->ImageCopy(listIndex_, imageIndex_));
    }
    storedGlyph_.OnChange = nullptr;
    storedGlyph_.Assign(bitmap);
    storedGlyph_.OnChange = [this](TObject*) { SetGlyph(storedGlyph_); };
    glyph_.SetGlyph(bitmap);
    Invalidate();
}

void TKitCustomButton::SetDropDownMenu(TPopupMenu* menu)
{
    if (menu == dropDownMenu_) return;
    if (dropDownMenu_ != nullptr) dropDownMenu_->RemoveFreeNotification(this);
    dropDownMenu_ = menu;
    if (dropDownMenu_ != nullptr) dropDownMenu_->FreeNotification(this);
}

void TKitCustomButton::Notification(TComponent* component, TOperation operation)
{
    TButton::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == dropDownMenu_) {
        dropDownMenu_ = nullptr;
    }
    if (component == imageList_) {
        imageList_ = nullptr;
        RefreshGlyphFromList();
    }
}

void TKitCustomButton::Loaded()
{
    TButton::Loaded();
    if (imageList_ != nullptr) RefreshGlyphFromList();
}

void TKitCustomButton::ApplyFont()
{
    TButton::ApplyFont();
    SettingsChanged(&Font());
}

void TKitCustomButton::SettingsChanged(TObject* sender)
{
    if (Reading()) return;
    // A turned caption needs an outline font; a bitmap font cannot be turned.
    if (fontFX_.Angle() != 0 && !KitIsTrueTypeFont(Font())) {
        if (sender == &fontFX_) {
            Font().SetName("Arial");
        } else if (sender == &Font()) {
            fontFX_.SetAngle(0);
        }
    }
    Invalidate();
}

void TKitCustomButton::SetVisible(bool value)
{
    if (!value) {
        mouseOver_ = false;
        StopRepeat();
    }
    TButton::SetVisible(value);
}

void TKitCustomButton::SetEnabled(bool value)
{
    if (!value) StopRepeat();
    TButton::SetEnabled(value);
    Invalidate();
}

QPoint TKitCustomButton::DropDownPoint() const
{
    QWidget* widget = Widget();
    if (widget == nullptr) return {};
    const QPoint local = dropDownRight_ ? QPoint(Width(), dropDownIndent_) : QPoint(dropDownIndent_, Height());
    return widget->mapToGlobal(local);
}

void TKitCustomButton::DropDown()
{
    if (dropDownMenu_ == nullptr || droppingDown_) return;
    QWidget* widget = Widget();
    if (!DefaultLook() && widget != nullptr && widget->isVisible()) {
        widget->setFocus(Qt::MouseFocusReason);
    }
    ButtonWidget()->setDown(true);
    Repaint();
    droppingDown_ = true;
    if (OnDropDown) OnDropDown(this);
    const QPoint at = DropDownPoint();
    dropDownMenu_->SetPopupComponent(this);
    dropDownMenu_->Popup(at.x(), at.y());
    QMenu* menu = dropDownMenu_->Menu();
    auto finish = [this] {
        droppingDown_ = false;
        drawState_ = 0;
        ButtonWidget()->setDown(false);
        Invalidate();
    };
    if (menu == nullptr || !menu->isVisible()) {
        finish();
        return;
    }
    // The menu stays open after this call; the button leaves its pressed look when it closes.
    QObject::connect(menu, &QMenu::aboutToHide, SignalContext(), finish, Qt::SingleShotConnection);
}

void TKitCustomButton::Click()
{
    if (dropDownMenu_ == nullptr || droppingDown_) {
        TButton::Click();
        return;
    }
    if (OnClick) OnClick(this);
    DropDown();
}

bool TKitCustomButton::DefaultLook() const
{
    QWidget* widget = Widget();
    if (widget != nullptr && widget->hasFocus()) return true;
    if (!Default()) return false;
    // The default button loses its look while another button holds the focus.
    const QWidget* focused = QApplication::focusWidget();
    return focused == nullptr || qobject_cast<const QPushButton*>(focused) == nullptr || focused->window() != widget->window();
}

void TKitCustomButton::PointerEntered()
{
    if (drawState_ == 0 && OnMouseEnter) OnMouseEnter(this);
    mouseOver_ = true;
    Repaint();
}

void TKitCustomButton::PointerLeft()
{
    if (OnMouseExit) OnMouseExit(this);
    if (mouseOver_) {
        mouseOver_ = false;
        drawState_ = 0;
        Repaint();
    }
    if (hideHint_) QToolTip::hideText();
}

void TKitCustomButton::StartRepeat()
{
    StopRepeat();
    repeatTimer_ = std::make_unique<TKitTimer>(repeatingDelay_, useGlobalTimer_, true, [this](TObject*) { RepeatTick(); });
}

void TKitCustomButton::StopRepeat()
{
    if (repeatTimer_) {
        repeatTimer_->OnTimer = nullptr;
        repeatTimer_.reset();
    }
}

void TKitCustomButton::RepeatTick()
{
    if (!repeatTimer_ || !mouseOver_) return;
    repeatTimer_->SetInterval(repeatingInterval_);
    RunUserHandler([this] { Click(); });
}

bool TKitCustomButton::WidgetEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(Widget());
        TCanvas canvas;
        TCanvasPaint scope(canvas, painter);
        PaintTo(canvas);
        return true;
    }
    case QEvent::Enter:
        PointerEntered();
        break;
    case QEvent::Leave:
        PointerLeft();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && repeatedClick_ && Enabled()) {
            StartRepeat();
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            StopRepeat();
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        Invalidate();
        break;
    default:
        break;
    }
    return TButton::WidgetEvent(event);
}

void TKitCustomButton::PaintTo(TCanvas& canvas)
{
    QWidget* widget = Widget();
    const bool focused = widget != nullptr && widget->hasFocus();
    drawState_ = !Enabled() ? 1 : ButtonWidget()->isDown() ? 4 : mouseOver_ ? 2 : 0;
    unsigned flags = kitButtonClearCorners;
    if (DefaultLook() && Enabled()) flags |= kitButtonDefault;
    if (focused) flags |= kitButtonFocused;
    if (mouseOver_) flags |= kitButtonHot;
    TRect rect{0, 0, Width(), Height()};
    // The see-through styles show the control's colour where they draw no face.
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
    KitDrawButtonFrame(canvas, mouseOver_, Color(), flags, drawState_, buttonStyle_, rect);
    if (buttonStyle_ == TKitUserButtonStyle::ubsCombo) {
        TKitButtonLayout arrow;
        arrow.SetArrow(true);
        arrow.SetArrowSize(4);
        arrow.SetArrowIndent(0);
        if (drawState_ == 2) arrow.SetArrowColor(clHighlight);
        KitDrawGlyphText(canvas, "", nullptr, nullptr, 0, Enabled() ? kitTextEnabled : 0, false, false, false, arrow,
                         clNone, nullptr, {}, nullptr, rect);
        return;
    }
    canvas.Font().Assign(Font());
    DrawCaption(canvas, rect, 0);
}

void TKitCustomButton::DrawCaption(TCanvas& canvas, const TRect& rect, int textFlags)
{
    const unsigned drawFlags = (Enabled() ? kitTextEnabled : 0u) | kitTextDisabledSunken;
    glyph_.Draw(canvas, useCaption_ ? Caption() : std::string(), textFlags, drawFlags, multiLine_, drawState_, layout_,
                &fontFX_, rect);
}

void RegisterKitButtonClasses()
{
    static const bool registered = [] {
        RegisterKitClasses();
        using B = TKitCustomButton;
        TClassRegistration<B, TButton>("TKitCustomButton")
            .String("About", &B::About, &B::SetAbout)
            .Boolean("CtlXP", &B::CtlXP, &B::SetCtlXP, true)
            .Object("ButtonLayout", [](B& button) -> TKitButtonLayout& { return button.ButtonLayout(); })
            // Older descriptions name three themed styles: they are read as classic ones with
            // CtlXP set.
            .Enum(
                "ButtonStyle", [](const B& button) { return static_cast<TKitStoredButtonStyle>(button.ButtonStyle()); },
                [](B& button, TKitStoredButtonStyle stored) {
                    const TKitButtonStyleRead read = KitReadButtonStyle(stored);
                    button.SetButtonStyle(read.style);
                    if (read.themed) button.SetCtlXP(true);
                },
                TKitStoredButtonStyle::ubsWin40)
            // The oldest descriptions store the look as "Style" and the newer styles as
            // "ExtStyle": both are read into ButtonStyle (and CtlXP) and never written.
            .Enum(
                "Style", [](const B&) { return TKitLegacyButtonStyle::nbsAutoDetect; },
                [](B& button, TKitLegacyButtonStyle stored) {
                    const TKitButtonStyleRead read = KitReadLegacyButtonStyle(stored);
                    button.SetButtonStyle(read.style);
                    if (read.themed) button.SetCtlXP(true);
                },
                TKitLegacyButtonStyle::nbsAutoDetect)
            .Enum(
                "ExtStyle", [](const B&) { return TKitStoredButtonStyle::ubsWin40; },
                [](B& button, TKitStoredButtonStyle stored) {
                    const TKitButtonStyleRead read = KitReadButtonStyle(stored);
                    button.SetButtonStyle(read.style);
                    if (read.themed) button.SetCtlXP(true);
                },
                TKitStoredButtonStyle::ubsWin40)
            .Object("FontFX", [](B& button) -> TKitFxCaption& { return button.FontFX(); })
            .Object("Glyph", [](B& button) -> TBitmap& { return button.StoredGlyph(); })
            .Boolean("HideHint", &B::HideHint, &B::SetHideHint, true)
            .Boolean("UseCaption", &B::UseCaption, &B::SetUseCaption, true)
            .Reference("ImageList", &B::ImageList, &B::SetImageList)
            .Integer("ImageIndex", &B::ImageIndex, [](B& button, int64_t value) { button.SetImageIndex(static_cast<int>(value)); })
            .Integer("ListIndex", &B::ListIndex, [](B& button, int64_t value) { button.SetListIndex(static_cast<int>(value)); })
            .Boolean("MultiLine", &B::MultiLine, &B::SetMultiLine, false)
            .Integer("NumGlyphs", &B::NumGlyphs, [](B& button, int64_t value) { button.SetNumGlyphs(static_cast<int>(value)); }, 1)
            .Boolean("RepeatedClick", &B::RepeatedClick, &B::SetRepeatedClick, false)
            .Integer("RepeatingInterval", &B::RepeatingInterval,
                     [](B& button, int64_t value) { button.SetRepeatingInterval(static_cast<int>(value)); }, 100)
            .Integer("RepeatingDelay", &B::RepeatingDelay,
                     [](B& button, int64_t value) { button.SetRepeatingDelay(static_cast<int>(value)); }, 500)
            .Boolean("UseGlobalTimer", &B::UseGlobalTimer, &B::SetUseGlobalTimer, false)
            .Event("OnMouseEnter", &B::OnMouseEnter)
            .Event("OnMouseExit", &B::OnMouseExit);
        TClassRegistration<TKitButton, B>("TKitButton")
            .Component()
            .Reference("DropDownMenu", &B::DropDownMenu, &B::SetDropDownMenu)
            .Integer("DropDownIndent", &B::DropDownIndent, [](B& button, int64_t value) { button.SetDropDownIndent(static_cast<int>(value)); })
            .Boolean("DropDownRight", &B::DropDownRight, &B::SetDropDownRight, false)
            .EventSetter<TNotifyEvent>("OnDropDown", [](TKitButton& button, const TNotifyEvent& handler) { button.OnDropDown = handler; });
        return true;
    }();
    (void)registered;
}
