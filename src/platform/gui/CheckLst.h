#pragma once
// A list box with a check box on each item.

#include "platform/gui/StdCtrls.h"

#include <vector>

class TCheckListBox : public TListBox {
public:
    explicit TCheckListBox(TComponent* owner);
    const char* ClassName() const noexcept override { return "TCheckListBox"; }
    bool Checked(int index) const;
    // Sets the check mark without OnClickCheck.
    void SetChecked(int index, bool value);
    bool ItemEnabled(int index) const;
    void SetItemEnabled(int index, bool value);
    TNotifyEvent OnClickCheck;

protected:
    void SyncItems() override;

private:
    std::vector<bool> checked_;
};
