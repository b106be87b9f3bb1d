#include "export/GtDBGSet.h"

#include "export/GtDBGSetForm.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/DBGrids.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Character metrics

int TGtCharMetrics::CharactersOf(int pixels) const
{
    if (pixels <= 0) {
        return 0;
    }
    const int perCharacter = std::max(ZeroWidth - Overhang, 1);
    return std::max((pixels - Overhang - 4) / perCharacter, 0);
}

int TGtCharMetrics::PixelsOf(int characters) const
{
    return (ZeroWidth - Overhang) * characters + Overhang + 4;
}

TGtCharMetrics TGtCharMetrics::Of(const TFont& font)
{
    TCanvas canvas;
    canvas.Font().Assign(font);
    return TGtCharMetrics{std::max(canvas.TextWidth("0"), 1), 0};
}

// ---------------------------------------------------------------------------------------------
// Items

namespace {

bool Allowed(const TStrings& allowedFields, const std::string& name)
{
    return allowedFields.Count() == 0 || allowedFields.IndexOf(name) >= 0;
}

bool Listed(const TGtGridSetupItems& items, const std::string& name)
{
    return std::any_of(items.begin(), items.end(), [&](const auto& item) { return item->FieldName == name; });
}

}  // namespace

TGtGridSetupItems GtGridSetupItems(TDBGrid& grid, const TStrings& allowedFields, const TGtCharMetrics& metrics)
{
    TGtGridSetupItems items;
    TDBGridColumns& columns = grid.Columns();
    for (int i = 0; i < columns.Count(); ++i) {
        TColumn& column = *columns.Items(i);
        if (!Allowed(allowedFields, column.FieldName())) {
            continue;
        }
        auto item = std::make_unique<TGtGridSetupItem>();
        item->Position = i;
        item->FieldName = column.FieldName();
        item->TitleAlignment = column.Title().Alignment();
        item->TitleCaption = column.Title().Caption();
        item->TitleColor = column.Title().Color();
        item->TitleFont.Assign(column.Title().Font());
        item->DataAlignment = column.Alignment();
        item->DataColor = column.Color();
        item->DataFont.Assign(column.Font());
        // A width the column follows (not set) counts as not set.
        item->Width = metrics.CharactersOf(column.StoredWidth());
        item->Checked = column.Visible();
        items.push_back(std::move(item));
    }
    TDataSet* dataSet = grid.DataSource() != nullptr ? grid.DataSource()->DataSet() : nullptr;
    if (dataSet == nullptr) {
        return items;
    }
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField& field = dataSet->Fields()[i];
        if (!Allowed(allowedFields, field.FieldName()) || Listed(items, field.FieldName())) {
            continue;
        }
        auto item = std::make_unique<TGtGridSetupItem>();
        item->Position = static_cast<int>(items.size());
        item->FieldName = field.FieldName();
        item->TitleAlignment = field.Alignment();
        item->TitleCaption = field.DisplayName();
        item->TitleColor = grid.FixedColor();
        item->TitleFont.Assign(grid.TitleFont());
        item->DataAlignment = field.Alignment();
        item->DataColor = grid.Color();
        item->DataFont.Assign(grid.Font());
        item->Width = field.DisplayWidth();
        item->Checked = false;
        items.push_back(std::move(item));
    }
    return items;
}

namespace {

void RebuildPersistentColumns(TDBGrid& grid, const TGtGridSetupItems& items, const TGtCharMetrics& metrics)
{
    TDBGridColumns& columns = grid.Columns();
    columns.Clear();
    for (const auto& item : items) {
        if (!item->Checked) {
            continue;
        }
        TColumn& column = *columns.Add();
        column.SetFieldName(item->FieldName);
        column.Title().SetAlignment(item->TitleAlignment);
        column.Title().SetCaption(item->TitleCaption);
        column.Title().SetColor(item->TitleColor);
        column.Title().Font().Assign(item->TitleFont);
        column.SetAlignment(item->DataAlignment);
        column.SetColor(item->DataColor);
        column.Font().Assign(item->DataFont);
        if (item->Width > 0) {
            column.SetWidth(metrics.PixelsOf(item->Width));
        }
    }
}

// The grid shows the fields as they are: each entry's field is found by its name (never renamed)
// and moved to the entry's place, so the order of the list becomes the order of the fields.
void SetFieldProperties(TDBGrid& grid, const TGtGridSetupItems& items)
{
    TDataSet* dataSet = grid.DataSource() != nullptr ? grid.DataSource()->DataSet() : nullptr;
    if (dataSet == nullptr) {
        return;
    }
    int position = 0;
    for (const auto& item : items) {
        TField* field = dataSet->FindField(item->FieldName);
        if (field == nullptr) {
            continue;
        }
        field->SetIndex(position++);
        field->SetAlignment(item->DataAlignment);
        field->SetDisplayLabel(item->TitleCaption);
        if (item->Width > 0) {
            field->SetDisplayWidth(item->Width);
        }
        field->SetVisible(item->Checked);
    }
    grid.Columns().RebuildColumns();
}

}  // namespace

void GtApplyGridSetup(TDBGrid& grid, const TGtGridSetupItems& items, const TGtCharMetrics& metrics)
{
    grid.BeginLayout();
    try {
        if (grid.Columns().State() == TDBGridColumnsState::csCustomized) {
            RebuildPersistentColumns(grid, items, metrics);
        } else {
            SetFieldProperties(grid, items);
        }
    } catch (...) {
        grid.EndLayout();
        throw;
    }
    grid.EndLayout();
}

void GtMoveGridSetupItem(TGtGridSetupItems& items, int from, int to)
{
    const int count = static_cast<int>(items.size());
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) {
        return;
    }
    auto item = std::move(items[static_cast<size_t>(from)]);
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, std::move(item));
}

void GtApplyToAllGridSetupItems(TGtGridSetupItems& items, int source)
{
    if (source < 0 || source >= static_cast<int>(items.size())) {
        return;
    }
    const TGtGridSetupItem& from = *items[static_cast<size_t>(source)];
    for (size_t i = 0; i < items.size(); ++i) {
        TGtGridSetupItem& to = *items[i];
        if (static_cast<int>(i) == source || !to.Checked) {
            continue;
        }
        to.TitleAlignment = from.TitleAlignment;
        to.TitleColor = from.TitleColor;
        to.TitleFont.Assign(from.TitleFont);
        to.DataAlignment = from.DataAlignment;
        to.DataColor = from.DataColor;
        to.DataFont.Assign(from.DataFont);
        to.Width = from.Width;
    }
}

// ---------------------------------------------------------------------------------------------
// Colour table

TGtColorTable::TGtColorTable()
{
    const TColor standard[] = {clBlack, clMaroon, clGreen, clOlive, clNavy,    clPurple, clTeal, clGray,
                               clSilver, clRed,   clLime,  clYellow, clBlue,  clFuchsia, clAqua, clWhite};
    size_t at = 0;
    for (TColor color : standard) {
        fixed_[at++] = color;
    }
    for (TColor color = clScrollBar; color <= clInfoBk; ++color) {
        fixed_[at++] = color;
    }
    fixed_[at++] = clSkyBlue;
    fixed_[at++] = clMoneyGreen;
    fixed_[at++] = clCream;
}

TColor TGtColorTable::Entry(TGtColorCombo combo, int index) const
{
    if (index == CustomEntry) {
        return Custom(combo);
    }
    if (index < 0 || index > CustomEntry) {
        return clBlack;
    }
    return fixed_[static_cast<size_t>(index)];
}

int TGtColorTable::IndexOf(TGtColorCombo combo, TColor color) const
{
    for (int i = 0; i < EntryCount; ++i) {
        if (Entry(combo, i) == color) {
            return i;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// The dialog component

TGtSetDBGridDialog::TGtSetDBGridDialog(TComponent* owner) : TComponent(owner) {}

void TGtSetDBGridDialog::SetDBGrid(TDBGrid* grid)
{
    if (dbGrid_ != nullptr) {
        dbGrid_->RemoveFreeNotification(this);
    }
    dbGrid_ = grid;
    if (dbGrid_ != nullptr) {
        dbGrid_->FreeNotification(this);
    }
}

void TGtSetDBGridDialog::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dbGrid_) {
        dbGrid_ = nullptr;
    }
}

bool TGtSetDBGridDialog::Execute()
{
    if (OnBeforeExecute) {
        OnBeforeExecute(this);
    }
    if (dbGrid_ == nullptr || dbGrid_->DataSource() == nullptr || dbGrid_->DataSource()->DataSet() == nullptr) {
        return false;
    }
    bool accepted = false;
    {
        auto window = std::make_unique<TfrmGridSetup>(nullptr);
        window->SetCaption(Caption);
        const TGtCharMetrics metrics = TGtCharMetrics::Of(window->Font());
        window->LoadItems(GtGridSetupItems(*dbGrid_, AllowedFields, metrics));
        if (OnShow) {
            OnShow(this);
        }
        accepted = window->ShowModal() == TModalResult::mrOk;
        if (accepted) {
            GtApplyGridSetup(*dbGrid_, window->Items, metrics);
        }
    }
    if (OnAfterExecute) {
        OnAfterExecute(this);
    }
    return accepted;
}
