#include "platform/gui/CheckLst.h"

#include "platform/gui/ControlBridge.h"
#include "platform/gui/GuiText.h"
#include "platform/rtl/Exceptions.h"

#include <QListWidget>

#include <algorithm>

namespace {
void CheckIndex(int index, int count)
{
    if (index < 0 || index >= count) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
}
}  // namespace

TCheckListBox::TCheckListBox(TComponent* owner) : TListBox(owner)
{
    QObject::connect(ListWidget(), &QListWidget::itemChanged, SignalContext(), [this](QListWidgetItem* item) {
        if (codeChange_ > 0) {
            return;
        }
        const int row = ListWidget()->row(item);
        if (row < 0 || row >= static_cast<int>(checked_.size())) {
            return;
        }
        const bool now = item->checkState() == Qt::Checked;
        if (now == checked_[static_cast<size_t>(row)]) {
            return;
        }
        checked_[static_cast<size_t>(row)] = now;
        RunUserHandler([this] {
            if (OnClickCheck) {
                OnClickCheck(this);
            }
        });
    });
}

void TCheckListBox::SyncItems()
{
    // The check marks stay with their items: one item inserted or deleted shifts the marks
    // after it; new items come unchecked.
    const auto& shown = items_.Shown;
    const size_t count = static_cast<size_t>(items_.Count());
    if (count == shown.size() + 1 || count + 1 == shown.size()) {
        size_t first = 0;
        while (first < std::min(count, shown.size()) && shown[first] == items_[static_cast<int>(first)]) {
            ++first;
        }
        checked_.resize(shown.size(), false);
        if (count > shown.size()) {
            checked_.insert(checked_.begin() + static_cast<std::ptrdiff_t>(first), false);
        } else if (first < checked_.size()) {
            checked_.erase(checked_.begin() + static_cast<std::ptrdiff_t>(first));
        }
    }
    checked_.resize(count, false);
    items_.MarkShown();
    TCodeChange change(codeChange_);
    QListWidget* list = ListWidget();
    const int current = list->currentRow();
    list->clear();
    for (int i = 0; i < items_.Count(); ++i) {
        auto* item = new QListWidgetItem(ToQString(items_[i]), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked_[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
    }
    list->setCurrentRow(current < items_.Count() ? current : -1);
}

bool TCheckListBox::Checked(int index) const
{
    CheckIndex(index, static_cast<int>(checked_.size()));
    return checked_[static_cast<size_t>(index)];
}

void TCheckListBox::SetChecked(int index, bool value)
{
    CheckIndex(index, static_cast<int>(checked_.size()));
    checked_[static_cast<size_t>(index)] = value;
    TCodeChange change(codeChange_);
    ListWidget()->item(index)->setCheckState(value ? Qt::Checked : Qt::Unchecked);
}

bool TCheckListBox::ItemEnabled(int index) const
{
    CheckIndex(index, items_.Count());
    return (ListWidget()->item(index)->flags() & Qt::ItemIsEnabled) != 0;
}

void TCheckListBox::SetItemEnabled(int index, bool value)
{
    CheckIndex(index, items_.Count());
    QListWidgetItem* item = ListWidget()->item(index);
    TCodeChange change(codeChange_);
    item->setFlags(value ? (item->flags() | Qt::ItemIsEnabled) : (item->flags() & ~Qt::ItemIsEnabled));
}
