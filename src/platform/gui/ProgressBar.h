#pragma once
// A progress bar: a position between Min and Max, drawn as a filled share of the bar.

#include "platform/gui/Controls.h"

class TProgressBar : public TControl {
public:
    explicit TProgressBar(TComponent* owner);
    const char* ClassName() const noexcept override { return "TProgressBar"; }

    int Min() const noexcept { return min_; }
    void SetMin(int value);
    int Max() const noexcept { return max_; }
    void SetMax(int value);
    // Kept within Min and Max.
    int Position() const noexcept { return position_; }
    void SetPosition(int value);

protected:
    int ColorRole() const override { return -1; }

private:
    void Apply();
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};
