#include "platform/gui/ProgressBar.h"

#include <QProgressBar>

#include <algorithm>

TProgressBar::TProgressBar(TComponent* owner) : TControl(owner, new QProgressBar())
{
    static_cast<QProgressBar*>(Widget())->setTextVisible(false);
    SetBounds(0, 0, 150, 16);
    Apply();
}

void TProgressBar::SetMin(int value)
{
    min_ = value;
    max_ = std::max(max_, min_);
    Apply();
}

void TProgressBar::SetMax(int value)
{
    max_ = value;
    min_ = std::min(min_, max_);
    Apply();
}

void TProgressBar::SetPosition(int value)
{
    position_ = value;
    Apply();
}

void TProgressBar::Apply()
{
    position_ = std::clamp(position_, min_, max_);
    auto* bar = static_cast<QProgressBar*>(Widget());
    bar->setRange(min_, max_);
    bar->setValue(position_);
}
