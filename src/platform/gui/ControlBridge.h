#pragma once
// Private link between a control and its Qt widget: watches the widget's events for the
// control and tracks the widget's destruction. Only the window layer's sources include this.

#include <QObject>
#include <QPointer>
#include <QWidget>

class TControl;

class TControlBridge : public QObject {
public:
    TControlBridge(TControl* control, QWidget* widget);
    ~TControlBridge() override;
    QWidget* Widget() const { return widget_.data(); }
    // Also watch `other` (a part of a composite control).
    void Watch(QWidget* other);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TControl* control_;
    QPointer<QWidget> widget_;
};

// Counts nested changes made by code, so that signal handlers can tell them from the user's.
class TCodeChange {
public:
    explicit TCodeChange(int& depth) : depth_(depth) { ++depth_; }
    ~TCodeChange() { --depth_; }
    TCodeChange(const TCodeChange&) = delete;
    TCodeChange& operator=(const TCodeChange&) = delete;

private:
    int& depth_;
};
