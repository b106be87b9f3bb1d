#include "platform/gui/Controls.h"

#include "platform/gui/ControlBridge.h"
#include "platform/gui/Forms.h"
#include "platform/gui/GuiText.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace {

constexpr const char* controlProperty = "zvControl";
constexpr const char* anchorNames[] = {"akLeft", "akTop", "akRight", "akBottom"};

std::string TrimBlanks(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return {};
    }
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

Qt::CursorShape ToCursorShape(TCursor cursor)
{
    switch (cursor) {
    case TCursor::crHourGlass: return Qt::WaitCursor;
    case TCursor::crHandPoint: return Qt::PointingHandCursor;
    case TCursor::crIBeam: return Qt::IBeamCursor;
    case TCursor::crSizeWE: return Qt::SizeHorCursor;
    case TCursor::crSizeNS: return Qt::SizeVerCursor;
    case TCursor::crDefault:
    case TCursor::crArrow: break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TControlBridge::TControlBridge(TControl* control, QWidget* widget) : control_(control), widget_(widget)
{
    widget->setProperty(controlProperty, QVariant::fromValue(reinterpret_cast<quintptr>(control)));
    widget->installEventFilter(this);
}

TControlBridge::~TControlBridge()
{
    if (widget_ != nullptr) {
        widget_->removeEventFilter(this);
        widget_->setProperty(controlProperty, QVariant());
    }
}

void TControlBridge::Watch(QWidget* other)
{
    other->installEventFilter(this);
}

bool TControlBridge::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget_.data() || watched->isWidgetType()) {
        return control_->HandleBridgeEvent(event);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

TAnchors::TAnchors(std::initializer_list<TAnchorKind> kinds)
{
    for (TAnchorKind kind : kinds) {
        Include(kind);
    }
}

std::string TAnchors::ToString() const
{
    std::string text = "[";
    bool first = true;
    for (unsigned i = 0; i < std::size(anchorNames); ++i) {
        if ((bits_ & (1u << i)) != 0) {
            text += first ? "" : ", ";
            text += anchorNames[i];
            first = false;
        }
    }
    return text + "]";
}

TAnchors TAnchors::FromString(const std::string& text)
{
    std::string body = TrimBlanks(text);
    if (!body.empty() && body.front() == '[') {
        body.erase(0, 1);
    }
    if (!body.empty() && body.back() == ']') {
        body.pop_back();
    }
    TAnchors anchors;
    size_t position = 0;
    while (true) {
        const size_t comma = body.find(',', position);
        const std::string item = TrimBlanks(body.substr(position, comma == std::string::npos ? std::string::npos : comma - position));
        if (!item.empty()) {
            bool known = false;
            for (unsigned i = 0; i < std::size(anchorNames); ++i) {
                if (AnsiSameText(item, anchorNames[i])) {
                    anchors.Include(static_cast<TAnchorKind>(i));
                    known = true;
                }
            }
            if (!known) {
                throw EConvertError("Invalid anchor: " + item);
            }
        }
        if (comma == std::string::npos) {
            break;
        }
        position = comma + 1;
    }
    return anchors;
}

// ---------------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner, QWidget* widget)
    : TComponent(owner), bridge_(std::make_unique<TControlBridge>(this, widget))
{
    font_.OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    DestroyControl();
}

void TControl::DestroyControl()
{
    if (!bridge_) {
        return;
    }
    // Owned components go first, while this control is still whole.
    DestroyComponents();
    if (TCustomForm* form = ParentForm(); form != nullptr && form != this) {
        form->ControlDestroyed(this);
    }
    if (parent_ != nullptr) {
        parent_->RemoveControl(this);
        parent_ = nullptr;
    }
    QWidget* widget = bridge_->Widget();
    bridge_.reset();
    delete widget;
}

QWidget* TControl::Widget() const noexcept
{
    return bridge_ ? bridge_->Widget() : nullptr;
}

QObject* TControl::SignalContext() const
{
    return bridge_.get();
}

TControl* TControl::FromWidget(const QWidget* widget)
{
    for (const QWidget* current = widget; current != nullptr; current = current->parentWidget()) {
        const QVariant value = current->property(controlProperty);
        if (value.isValid()) {
            return reinterpret_cast<TControl*>(value.value<quintptr>());
        }
    }
    return nullptr;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) {
        return;
    }
    if (parent == this) {
        throw EInvalidOperation("A control cannot be its own parent");
    }
    for (TWinControl* up = parent; up != nullptr; up = up->Parent()) {
        if (up == this) {
            throw EInvalidOperation("A control cannot be the parent of its own parent");
        }
    }
    if (parent_ != nullptr) {
        parent_->RemoveControl(this);
    }
    parent_ = parent;
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setParent(parent_ != nullptr ? parent_->ClientWidget() : nullptr);
    }
    if (parent_ != nullptr) {
        parent_->InsertControl(this);
        if (parentFont_) {
            ParentFontChanged(parent_->Font());
        }
        if (parentColor_) {
            ParentColorChanged(parent_->Color());
        }
    }
    ApplyGeometry();
    ApplyVisibility();
    ApplyColor();
    UpdateToolTip();
    CaptureAnchorOrigin();
    RequestParentAlign();
}

TCustomForm* TControl::ParentForm() const
{
    const TControl* current = this;
    while (current != nullptr) {
        if (auto* form = dynamic_cast<const TCustomForm*>(current)) {
            return const_cast<TCustomForm*>(form);
        }
        current = current->parent_;
    }
    return nullptr;
}

void TControl::SetText(const std::string& text)
{
    if (text == GetText()) {
        return;
    }
    ApplyText(text);
}

void TControl::ApplyText(const std::string& text)
{
    text_ = text;
}

void TControl::SetHint(const std::string& hint)
{
    hint_ = hint;
    UpdateToolTip();
}

void TControl::SetShowHint(bool value)
{
    showHint_ = value;
    parentShowHint_ = false;
    UpdateToolTip();
}

void TControl::SetParentShowHint(bool value)
{
    parentShowHint_ = value;
    UpdateToolTip();
}

bool TControl::EffectiveShowHint() const
{
    if (parentShowHint_ && parent_ != nullptr) {
        return parent_->EffectiveShowHint();
    }
    return showHint_;
}

void TControl::UpdateToolTip()
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        // The hint's short part is the text before "|".
        const std::string shortHint = hint_.substr(0, hint_.find('|'));
        widget->setToolTip(EffectiveShowHint() ? ToQString(shortHint) : QString());
    }
    if (auto* container = dynamic_cast<TWinControl*>(this)) {
        for (TControl* child : container->controls_) {
            child->UpdateToolTip();
        }
    }
}

void TControl::SetVisible(bool value)
{
    if (value == visible_) {
        return;
    }
    visible_ = value;
    ApplyVisibility();
    RequestParentAlign();
}

void TControl::ApplyVisibility()
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setVisible(visible_ && parent_ != nullptr);
    }
}

void TControl::SetEnabled(bool value)
{
    enabled_ = value;
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setEnabled(value);
    }
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const bool sizeChanged = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    CaptureAnchorOrigin();
    if (sizeChanged) {
        Resize();
    }
    RequestParentAlign();
}

void TControl::SetBoundsFromLayout(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) {
        return;
    }
    const bool sizeChanged = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    if (sizeChanged) {
        Resize();
    }
}

void TControl::ApplyGeometry()
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setGeometry(left_, top_, width_, height_);
    }
}

void TControl::CaptureAnchorOrigin()
{
    anchorOrigin_ = QRect(left_, top_, width_, height_);
    if (parent_ != nullptr && !Reading()) {
        anchorParentWidth_ = parent_->ClientWidth();
        anchorParentHeight_ = parent_->ClientHeight();
    } else {
        anchorParentWidth_ = -1;
        anchorParentHeight_ = -1;
    }
}

void TControl::RequestParentAlign()
{
    if (parent_ != nullptr) {
        parent_->AlignControls();
    }
}

void TControl::Resize()
{
    if (Reading()) {
        return;
    }
    if (OnResize) {
        OnResize(this);
    }
}

void TControl::SetAlign(TAlign value)
{
    if (value == align_) {
        return;
    }
    align_ = value;
    CaptureAnchorOrigin();
    RequestParentAlign();
}

void TControl::SetAnchors(TAnchors value)
{
    anchors_ = value;
    CaptureAnchorOrigin();
}

void TControl::FontChanged()
{
    if (!applyingParentFont_) {
        parentFont_ = false;
    }
    ApplyFont();
}

void TControl::ApplyFont()
{
    QWidget* widget = Widget();
    if (widget == nullptr) {
        return;
    }
    widget->setFont(font_.ToQFont());
    QPalette palette = widget->palette();
    const QColor color = ToQColor(font_.Color());
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

void TControl::SetParentFont(bool value)
{
    parentFont_ = value;
    if (value && parent_ != nullptr) {
        ParentFontChanged(parent_->Font());
    }
}

void TControl::ParentFontChanged(const TFont& parentFont)
{
    if (!parentFont_) {
        return;
    }
    applyingParentFont_ = true;
    font_.Assign(parentFont);
    applyingParentFont_ = false;
}

void TControl::SetColor(TColor value)
{
    color_ = value;
    parentColor_ = false;
    ApplyColor();
}

void TControl::SetParentColor(bool value)
{
    parentColor_ = value;
    if (value && parent_ != nullptr) {
        ParentColorChanged(parent_->Color());
    }
}

void TControl::ParentColorChanged(TColor parentColor)
{
    if (parentColor_) {
        color_ = parentColor;
        ApplyColor();
    }
}

int TControl::ColorRole() const
{
    return QPalette::Window;
}

void TControl::ApplyColor()
{
    QWidget* widget = Widget();
    const int role = ColorRole();
    if (widget == nullptr || role < 0 || color_ == clNone || color_ == clDefault) {
        return;
    }
    QPalette palette = widget->palette();
    palette.setColor(static_cast<QPalette::ColorRole>(role), ToQColor(color_));
    widget->setPalette(palette);
    if (role == QPalette::Window) {
        widget->setAutoFillBackground(true);
    }
}

void TControl::SetTabOrder(int value)
{
    tabOrder_ = value;
    if (parent_ != nullptr) {
        parent_->UpdateTabOrder();
    }
}

void TControl::SetCursor(TCursor value)
{
    cursor_ = value;
    if (QWidget* widget = Widget(); widget != nullptr) {
        if (value == TCursor::crDefault) {
            widget->unsetCursor();
        } else {
            widget->setCursor(ToCursorShape(value));
        }
    }
}

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    if (popupMenu_ != nullptr) {
        popupMenu_->RemoveFreeNotification(this);
    }
    popupMenu_ = menu;
    if (popupMenu_ != nullptr) {
        popupMenu_->FreeNotification(this);
    }
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) {
        popupMenu_ = nullptr;
    }
}

void TControl::Loaded()
{
    TComponent::Loaded();
    // The parent has its first layout now (it was read, and laid out, before this control):
    // the anchors keep the distances the control has in that layout.
    CaptureAnchorOrigin();
}

void TControl::SetParentComponent(TComponent* parent)
{
    if (auto* container = dynamic_cast<TWinControl*>(parent)) {
        SetParent(container);
    }
}

TComponent* TControl::GetParentComponent() const
{
    return parent_;
}

TComponent* TWinControl::FindChildControl(const std::string& name) const
{
    for (TControl* child : controls_) {
        if (!name.empty() && AnsiSameText(child->Name(), name)) {
            return child;
        }
    }
    return nullptr;
}

void TControl::Click()
{
    if (OnClick) {
        OnClick(this);
    }
}

void TControl::Repaint()
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->repaint();
    }
}

void TControl::Invalidate()
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->update();
    }
}

void TControl::BringToFront()
{
    MoveInZOrder(true);
}

void TControl::SendToBack()
{
    MoveInZOrder(false);
}

void TControl::MoveInZOrder(bool toFront)
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        if (toFront) {
            widget->raise();
        } else {
            widget->lower();
        }
    }
    if (parent_ != nullptr) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.insert(toFront ? list.end() : list.begin(), this);
        parent_->AlignControls();
    }
}

bool TControl::HandleBridgeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            mousePressed_ = true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (mousePressed_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            mousePressed_ = false;
            QWidget* widget = Widget();
            if (ClicksFromMouse() && widget != nullptr
                && widget->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
                Click();
            }
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (OnDblClick) {
            OnDblClick(this);
        }
        break;
    case QEvent::ContextMenu:
        if (popupMenu_ != nullptr && popupMenu_->AutoPopup()) {
            const QPoint position = static_cast<QContextMenuEvent*>(event)->globalPos();
            popupMenu_->SetPopupComponent(this);
            popupMenu_->Popup(position.x(), position.y());
            return true;
        }
        break;
    default:
        break;
    }
    return WidgetEvent(event);
}

bool TControl::WidgetEvent(QEvent*)
{
    return false;
}

// ---------------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}

TWinControl::~TWinControl()
{
    // Child controls that are owned elsewhere go with their parent, as windows do.
    DestroyComponents();
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        controls_.pop_back();
        child->parent_ = nullptr;
        delete child;
    }
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    if (!IsDestroying()) {
        AlignControls();
    }
}

QRect TWinControl::AlignRect() const
{
    return QRect(0, 0, ClientWidth(), ClientHeight());
}

int TWinControl::ClientWidth() const
{
    return Width();
}

int TWinControl::ClientHeight() const
{
    return Height();
}

bool TWinControl::AlignSuspended() const
{
    if (alignDisabled_ > 0 || IsLoading() || IsDestroying()) {
        return true;
    }
    return Owner() != nullptr && Owner()->IsLoading();
}

void TWinControl::EnableAlign()
{
    if (alignDisabled_ > 0 && --alignDisabled_ == 0) {
        AlignControls();
    }
}

void TWinControl::AlignControls()
{
    if (aligning_ || AlignSuspended()) {
        return;
    }
    aligning_ = true;
    const QRect area = AlignRect();
    int x = area.left();
    int y = area.top();
    int right = area.left() + area.width();
    int bottom = area.top() + area.height();

    auto collect = [this](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* child : controls_) {
            if (child->Visible() && child->Align() == align && !PlacesItself(child)) {
                list.push_back(child);
            }
        }
        return list;
    };

    auto tops = collect(TAlign::alTop);
    std::stable_sort(tops.begin(), tops.end(), [](TControl* a, TControl* b) { return a->Top() < b->Top(); });
    for (TControl* child : tops) {
        const int height = child->Height();
        child->SetBoundsFromLayout(x, y, right - x, height);
        y += height;
    }
    auto bottoms = collect(TAlign::alBottom);
    std::stable_sort(bottoms.begin(), bottoms.end(),
                     [](TControl* a, TControl* b) { return a->Top() + a->Height() > b->Top() + b->Height(); });
    for (TControl* child : bottoms) {
        const int height = child->Height();
        child->SetBoundsFromLayout(x, bottom - height, right - x, height);
        bottom -= height;
    }
    auto lefts = collect(TAlign::alLeft);
    std::stable_sort(lefts.begin(), lefts.end(), [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    for (TControl* child : lefts) {
        const int width = child->Width();
        child->SetBoundsFromLayout(x, y, width, std::max(bottom - y, 0));
        x += width;
    }
    auto rights = collect(TAlign::alRight);
    std::stable_sort(rights.begin(), rights.end(),
                     [](TControl* a, TControl* b) { return a->Left() + a->Width() > b->Left() + b->Width(); });
    for (TControl* child : rights) {
        const int width = child->Width();
        child->SetBoundsFromLayout(right - width, y, width, std::max(bottom - y, 0));
        right -= width;
    }
    for (TControl* child : collect(TAlign::alClient)) {
        child->SetBoundsFromLayout(x, y, std::max(right - x, 0), std::max(bottom - y, 0));
    }

    const int parentWidth = ClientWidth();
    const int parentHeight = ClientHeight();
    for (TControl* child : controls_) {
        if (child->Align() != TAlign::alNone || child->anchorParentWidth_ < 0 || PlacesItself(child)) {
            continue;
        }
        const TAnchors anchors = child->Anchors();
        const QRect origin = child->anchorOrigin_;
        const int dw = parentWidth - child->anchorParentWidth_;
        const int dh = parentHeight - child->anchorParentHeight_;
        int left = origin.left();
        int width = origin.width();
        if (anchors.Contains(TAnchorKind::akRight)) {
            if (anchors.Contains(TAnchorKind::akLeft)) {
                width += dw;
            } else {
                left += dw;
            }
        } else if (!anchors.Contains(TAnchorKind::akLeft)) {
            left += dw / 2;
        }
        int top = origin.top();
        int height = origin.height();
        if (anchors.Contains(TAnchorKind::akBottom)) {
            if (anchors.Contains(TAnchorKind::akTop)) {
                height += dh;
            } else {
                top += dh;
            }
        } else if (!anchors.Contains(TAnchorKind::akTop)) {
            top += dh / 2;
        }
        child->SetBoundsFromLayout(left, top, width, height);
    }
    aligning_ = false;
}

void TWinControl::Resize()
{
    AlignControls();
    TControl::Resize();
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    AlignControls();
    UpdateTabOrder();
}

void TWinControl::ApplyFont()
{
    TControl::ApplyFont();
    for (TControl* child : controls_) {
        child->ParentFontChanged(Font());
    }
}

void TWinControl::ApplyColor()
{
    TControl::ApplyColor();
    for (TControl* child : controls_) {
        child->ParentColorChanged(Color());
    }
}

void TWinControl::SetTabStop(bool value)
{
    tabStop_ = value;
    if (QWidget* widget = FocusWidget(); widget != nullptr && !value) {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
}

bool TWinControl::CanFocus() const
{
    for (const TControl* control = this; control != nullptr; control = control->Parent()) {
        if (!control->Visible() || !control->Enabled()) {
            return false;
        }
    }
    return true;
}

bool TWinControl::Focused() const
{
    const TCustomForm* form = ParentForm();
    return form != nullptr && form->ActiveControl() == this;
}

void TWinControl::SetFocus()
{
    TCustomForm* form = ParentForm();
    if (form == nullptr || form == this) {
        if (QWidget* widget = Widget(); widget != nullptr) {
            widget->activateWindow();
        }
        return;
    }
    if (!CanFocus()) {
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    }
    if (QWidget* widget = FocusWidget(); widget != nullptr) {
        widget->setFocus(Qt::OtherFocusReason);
    }
    form->FocusMovedTo(this);
}

void TWinControl::UpdateTabOrder()
{
    if (AlignSuspended()) {
        return;
    }
    std::vector<TWinControl*> order;
    for (TControl* child : controls_) {
        if (auto* win = dynamic_cast<TWinControl*>(child); win != nullptr && win->TabOrder() >= 0) {
            order.push_back(win);
        }
    }
    std::stable_sort(order.begin(), order.end(), [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (size_t i = 1; i < order.size(); ++i) {
        QWidget* first = order[i - 1]->FocusWidget();
        QWidget* second = order[i]->FocusWidget();
        if (first != nullptr && second != nullptr && first->window() == second->window()) {
            QWidget::setTabOrder(first, second);
        }
    }
}

std::pair<int, int> TControl::ScreenBottomLeft() const
{
    QWidget* widget = Widget();
    if (widget == nullptr) {
        return {Left(), Top() + Height()};
    }
    const QPoint point = widget->mapToGlobal(QPoint(0, widget->height()));
    return {point.x(), point.y()};
}
