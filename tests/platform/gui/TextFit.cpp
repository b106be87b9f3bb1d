#include "TextFit.h"

#include "platform/gui/Controls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

// The text as drawn: an accelerator "&" is not shown, "&&" shows one "&".
QString ShownText(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// The control a widget belongs to, when the widget is the control's own (not an inner part).
TControl* OwnControl(const QWidget* widget)
{
    TControl* control = TControl::FromWidget(widget);
    return control != nullptr && control->Widget() == widget ? control : nullptr;
}

// True when the widget is not shown by design: a control in the chain is not Visible, or an
// inner widget is hidden. Sheets of a page control that are not active are hidden by the page
// control, not by design, so their controls count as shown.
bool HiddenByDesign(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* current = widget; current != nullptr && current != window; current = current->parentWidget()) {
        if (const TControl* control = OwnControl(current)) {
            if (!control->Visible()) {
                return true;
            }
        } else if (current->testAttribute(Qt::WA_WState_ExplicitShowHide) && current->isHidden()) {
            return true;  // an inner part its control keeps hidden
        }
    }
    return false;
}

std::string NameOf(const QWidget* widget)
{
    if (const TControl* control = OwnControl(widget)) {
        return control->Name();
    }
    const TControl* control = TControl::FromWidget(widget);
    return (control != nullptr ? control->Name() : std::string("?")) + " (" + widget->metaObject()->className() + ")";
}

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString TextOf(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->textFormat() == Qt::RichText ? QString() : label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return group->title();
    }
    return {};
}

bool IsCheckOrRadio(const QWidget* widget)
{
    return qobject_cast<const QCheckBox*>(widget) != nullptr || qobject_cast<const QRadioButton*>(widget) != nullptr;
}

// The width the widget needs to show its text whole (with a pixel to spare on each side where
// the text is drawn up to the widget's edges).
int NeededWidth(const QWidget* widget, const QString& text)
{
    const QFontMetrics metrics(widget->font());
    const int textWidth = metrics.horizontalAdvance(ShownText(text));
    if (qobject_cast<const QPushButton*>(widget) != nullptr) {
        // The label is drawn inside the button's frame.
        return textWidth + 2 * widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
    }
    if (IsCheckOrRadio(widget)) {
        return widget->sizeHint().width();
    }
    if (const auto* button = qobject_cast<const QToolButton*>(widget)) {
        const bool iconOnly = button->toolButtonStyle() == Qt::ToolButtonIconOnly;
        const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width();
        if (button->toolButtonStyle() == Qt::ToolButtonTextBesideIcon) {
            return iconWidth + 4 + textWidth + 2;
        }
        return std::max(iconWidth, iconOnly ? 0 : textWidth + 2);
    }
    if (qobject_cast<const QGroupBox*>(widget) != nullptr) {
        return textWidth + 16;  // the frame's indent on both sides of the title
    }
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (label != nullptr && label->wordWrap()) {
        return 0;  // a wrapping label is measured by its height
    }
    return textWidth + 2 * (label != nullptr ? label->margin() : 0);
}

int NeededHeight(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (label != nullptr && label->wordWrap()) {
        return label->heightForWidth(label->width());
    }
    if (qobject_cast<const QToolButton*>(widget) != nullptr) {
        return widget->sizeHint().height();
    }
    return QFontMetrics(widget->font()).height();
}

// Decorations that controls are placed on, not beside.
bool IsBackdrop(const QWidget* widget)
{
    const TControl* control = OwnControl(widget);
    return control != nullptr &&
           (dynamic_cast<const TBevel*>(control) != nullptr || dynamic_cast<const TImage*>(control) != nullptr);
}

// The rectangle a widget covers in its parent: the whole widget, or for a label whose text is
// aligned inside a larger box, the text's part of it.
QRect TextRect(const QWidget* widget, const QString& text)
{
    if (IsCheckOrRadio(widget)) {
        QRect rect = widget->geometry();
        rect.setWidth(std::min(widget->sizeHint().width(), widget->width()));
        return rect;
    }
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (label == nullptr || label->wordWrap()) {
        return widget->geometry();
    }
    const int width = std::min(QFontMetrics(widget->font()).horizontalAdvance(ShownText(text)) + 2 * label->margin(),
                               widget->width());
    QRect rect = widget->geometry();
    const Qt::Alignment horizontal = label->alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignRight) {
        rect.setLeft(rect.right() - width + 1);
    } else if (horizontal & Qt::AlignHCenter) {
        rect.setLeft(rect.left() + (rect.width() - width) / 2);
        rect.setWidth(width);
    } else {
        rect.setWidth(width);
    }
    return rect;
}

void CheckWidget(const QWidget* widget, const QWidget* window, std::vector<std::string>& faults)
{
    const QString text = TextOf(widget);
    if (ShownText(text).trimmed().isEmpty() || HiddenByDesign(widget, window)) {
        return;
    }
    const std::string what = NameOf(widget) + " '" + Utf8(ShownText(text)) + "': ";
    // Named and drawn: a font named otherwise lands on whatever the machine maps the name to.
    for (const QString& family : {widget->font().family(), QFontInfo(widget->font()).family()}) {
        if (!family.startsWith(QStringLiteral("DejaVu"))) {
            faults.push_back(what + "drawn in " + Utf8(family) + ", not in a DejaVu font");
            break;
        }
    }
    const int neededWidth = NeededWidth(widget, text);
    if (neededWidth > widget->width()) {
        faults.push_back(what + "needs " + std::to_string(neededWidth) + " pixels, has " + std::to_string(widget->width()));
    }
    const int neededHeight = NeededHeight(widget);
    if (neededHeight > widget->height()) {
        faults.push_back(what + "needs a height of " + std::to_string(neededHeight) + ", has " +
                         std::to_string(widget->height()));
    }
    // Inside every control around it, up to the window's client area.
    QRect rect = TextRect(widget, text);
    for (const QWidget* parent = widget->parentWidget(); parent != nullptr; parent = parent->parentWidget()) {
        if (!QRect(QPoint(0, 0), parent->size()).contains(rect)) {
            faults.push_back(what + "reaches outside " + NameOf(parent));
            break;
        }
        if (parent == window) {
            break;
        }
        rect.translate(parent->pos());
    }
    // Not overlapped by a sibling shown with it.
    const QRect own = TextRect(widget, text);
    const QWidget* parent = widget->parentWidget();
    if (parent == nullptr) {
        return;
    }
    for (const QObject* object : parent->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(object);
        if (sibling == nullptr || sibling == widget || sibling->isWindow() || IsBackdrop(sibling) ||
            HiddenByDesign(sibling, window) || OwnControl(sibling) == nullptr) {
            continue;
        }
        if (sibling->geometry().intersects(own)) {
            faults.push_back(what + "is overlapped by " + NameOf(sibling));
        }
    }
}

void Walk(const QWidget* widget, const QWidget* window, std::vector<std::string>& faults)
{
    CheckWidget(widget, window, faults);
    for (const QObject* child : widget->children()) {
        const auto* childWidget = qobject_cast<const QWidget*>(child);
        if (childWidget != nullptr && !childWidget->isWindow()) {
            Walk(childWidget, window, faults);
        }
    }
}

}  // namespace

std::vector<std::string> CutTexts(const TCustomForm& form)
{
    std::vector<std::string> faults;
    const QWidget* window = form.Widget();
    if (window != nullptr) {
        Walk(window, window, faults);
    }
    return faults;
}
