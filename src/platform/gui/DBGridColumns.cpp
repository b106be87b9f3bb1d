// The grid's column collection: column titles, columns, the collection with its layout files.

#include "platform/classes/ComponentStreams.h"
#include "platform/db/DataSet.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/GuiText.h"

#include <QFontMetrics>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TColumnTitle

TColumnTitle::TColumnTitle(TColumn& column) : column_(column)
{
    font_.OnChange = [this](TObject*) {
        if (syncingFont_) return;
        fontAssigned_ = true;
        column_.NotifyChanged();
    };
}

void TColumnTitle::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TColumnTitle*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    caption_ = other->caption_;
    captionAssigned_ = other->captionAssigned_;
    alignment_ = other->alignment_;
    color_ = other->color_;
    colorAssigned_ = other->colorAssigned_;
    {
        syncingFont_ = true;
        font_.Assign(const_cast<TColumnTitle*>(other)->Font());
        syncingFont_ = false;
    }
    fontAssigned_ = other->fontAssigned_;
    column_.NotifyChanged();
}

std::string TColumnTitle::Caption() const
{
    if (captionAssigned_) return caption_;
    if (const TField* field = column_.Field()) return field->DisplayLabel();
    return column_.FieldName();
}

void TColumnTitle::SetCaption(const std::string& caption)
{
    caption_ = caption;
    captionAssigned_ = !caption.empty();
    column_.NotifyChanged();
}

void TColumnTitle::SetAlignment(TAlignment value)
{
    alignment_ = value;
    column_.NotifyChanged();
}

TColor TColumnTitle::Color() const
{
    if (colorAssigned_) return color_;
    const TDBGrid* grid = column_.Grid();
    return grid != nullptr ? grid->FixedColor() : clBtnFace;
}

void TColumnTitle::SetColor(TColor color)
{
    colorAssigned_ = color != clDefault;
    color_ = colorAssigned_ ? color : clBtnFace;
    column_.NotifyChanged();
}

void TColumnTitle::SyncFont()
{
    if (fontAssigned_) return;
    TDBGrid* grid = column_.Grid();
    if (grid == nullptr) return;
    syncingFont_ = true;
    font_.Assign(grid->TitleFont());
    syncingFont_ = false;
}

TFont& TColumnTitle::Font()
{
    SyncFont();
    return font_;
}

void TColumnTitle::RestoreDefaults()
{
    caption_.clear();
    captionAssigned_ = false;
    alignment_ = TAlignment::taLeftJustify;
    colorAssigned_ = false;
    fontAssigned_ = false;
    column_.NotifyChanged();
}

// ---------------------------------------------------------------------------------------------
// TColumn

TColumn::TColumn(TCollection& collection) : TCollectionItem(collection), title_(*this)
{
    font_.OnChange = [this](TObject*) {
        if (syncingFont_) return;
        fontAssigned_ = true;
        NotifyChanged();
    };
}

void TColumn::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TColumn*>(&source);
    if (other == nullptr) {
        TCollectionItem::Assign(source);
        return;
    }
    fieldName_ = other->fieldName_;
    width_ = other->width_;
    widthAssigned_ = other->widthAssigned_;
    visible_ = other->visible_;
    alignment_ = other->alignment_;
    alignmentAssigned_ = other->alignmentAssigned_;
    color_ = other->color_;
    colorAssigned_ = other->colorAssigned_;
    syncingFont_ = true;
    font_.Assign(const_cast<TColumn*>(other)->Font());
    syncingFont_ = false;
    fontAssigned_ = other->fontAssigned_;
    readOnly_ = other->readOnly_;
    title_.Assign(other->title_);
    NotifyChanged();
}

std::string TColumn::DisplayName() const
{
    return fieldName_.empty() ? std::string(ClassName()) : fieldName_;
}

TDBGrid* TColumn::Grid() const noexcept
{
    auto* columns = dynamic_cast<TDBGridColumns*>(Collection());
    return columns != nullptr ? &columns->Grid() : nullptr;
}

void TColumn::NotifyChanged()
{
    if (Collection() != nullptr && Index() >= 0) TCollectionItem::Changed(false);
}

void TColumn::SetFieldName(const std::string& name)
{
    fieldName_ = name;
    NotifyChanged();
}

TField* TColumn::Field() const
{
    const TDBGrid* grid = Grid();
    TDataSet* dataSet = grid != nullptr ? grid->ActiveDataSet() : nullptr;
    if (dataSet == nullptr || fieldName_.empty()) return nullptr;
    return dataSet->FindField(fieldName_);
}

int TColumn::Width() const
{
    if (widthAssigned_) return width_;
    const TField* field = Field();
    TDBGrid* grid = Grid();
    if (field == nullptr || grid == nullptr) return 64;
    const QFontMetrics metrics(const_cast<TColumn*>(this)->Font().ToQFont());
    int width = field->DisplayWidth() * metrics.horizontalAdvance(QLatin1Char('0')) + 4;
    if (grid->Options().Contains(TDBGridOption::dgTitles)) {
        const QFontMetrics titleMetrics(const_cast<TColumn*>(this)->title_.Font().ToQFont());
        width = std::max(width, titleMetrics.horizontalAdvance(ToQString(title_.Caption())) + 4);
    }
    return width;
}

void TColumn::SetWidth(int value)
{
    width_ = std::max(value, 0);
    widthAssigned_ = true;
    NotifyChanged();
}

void TColumn::SetStoredWidth(int value)
{
    if (value < 0) {
        widthAssigned_ = false;
        NotifyChanged();
    } else {
        SetWidth(value);
    }
}

void TColumn::SetVisible(bool value)
{
    visible_ = value;
    NotifyChanged();
}

TAlignment TColumn::Alignment() const
{
    if (alignmentAssigned_) return alignment_;
    const TField* field = Field();
    return field != nullptr ? field->Alignment() : TAlignment::taLeftJustify;
}

void TColumn::SetAlignment(TAlignment value)
{
    alignment_ = value;
    alignmentAssigned_ = true;
    NotifyChanged();
}

TColor TColumn::Color() const
{
    if (colorAssigned_) return color_;
    const TDBGrid* grid = Grid();
    return grid != nullptr ? grid->Color() : clWindow;
}

void TColumn::SetColor(TColor value)
{
    color_ = value;
    colorAssigned_ = true;
    NotifyChanged();
}

void TColumn::SetStoredColor(TColor value)
{
    if (value == clDefault) {
        colorAssigned_ = false;
        NotifyChanged();
    } else {
        SetColor(value);
    }
}

void TColumn::SyncFont()
{
    if (fontAssigned_) return;
    TDBGrid* grid = Grid();
    if (grid == nullptr) return;
    syncingFont_ = true;
    font_.Assign(grid->Font());
    syncingFont_ = false;
}

TFont& TColumn::Font()
{
    SyncFont();
    return font_;
}

void TColumn::SetReadOnly(bool value)
{
    readOnly_ = value;
    NotifyChanged();
}

void TColumn::RestoreDefaults()
{
    widthAssigned_ = false;
    alignmentAssigned_ = false;
    colorAssigned_ = false;
    fontAssigned_ = false;
    readOnly_ = false;
    title_.RestoreDefaults();
}

bool TColumn::AcceptLoaded()
{
    const TDBGrid* grid = Grid();
    const TDataSet* dataSet = grid != nullptr ? grid->ActiveDataSet() : nullptr;
    // Without an open dataset there is nothing to check the field against.
    if (dataSet == nullptr) return true;
    return !fieldName_.empty() && dataSet->FindField(fieldName_) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// TDBGridColumns

TDBGridColumns::TDBGridColumns(TDBGrid& grid)
    : TCollection(&grid, CollectionItemClassOf<TColumn>("TColumn")), grid_(grid)
{
}

TDBGridColumnsState TDBGridColumns::State() const
{
    return Count() > 0 && Items(0)->IsStored() ? TDBGridColumnsState::csCustomized : TDBGridColumnsState::csDefault;
}

void TDBGridColumns::SetState(TDBGridColumnsState state)
{
    if (state == State()) return;
    if (state == TDBGridColumnsState::csDefault) {
        RebuildColumns();
        return;
    }
    for (int i = 0; i < Count(); ++i) Items(i)->SetStored(true);
}

void TDBGridColumns::RebuildColumns()
{
    const bool wasRebuilding = grid_.rebuildingColumns_;
    grid_.rebuildingColumns_ = true;
    try {
        TCollectionUpdate update(*this);
        Clear();
        if (TDataSet* dataSet = grid_.ActiveDataSet()) {
            for (int i = 0; i < dataSet->FieldCount(); ++i) {
                TField& field = dataSet->Fields()[i];
                TColumn* column = Add();
                column->SetStored(false);
                column->SetFieldName(field.FieldName());
                column->SetVisible(field.Visible());
            }
        }
    } catch (...) {
        grid_.rebuildingColumns_ = wasRebuilding;
        throw;
    }
    grid_.rebuildingColumns_ = wasRebuilding;
    grid_.ColumnsChanged();
}

void TDBGridColumns::RestoreDefaults()
{
    TCollectionUpdate update(*this);
    for (int i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
}

void TDBGridColumns::Update(TCollectionItem* item)
{
    grid_.ColumnsChanged();
}

std::string TDBGridColumns::SaveToText() const
{
    return WriteCollectionText(*this);
}

void TDBGridColumns::SaveToFile(const std::string& fileName) const
{
    SaveCollectionToFile(*this, fileName);
}

int TDBGridColumns::LoadFromText(const std::string& text)
{
    const int skipped = ReadCollectionText(*this, text, "columns");
    grid_.ColumnsChanged();
    return skipped;
}

int TDBGridColumns::LoadFromFile(const std::string& fileName)
{
    const int skipped = LoadCollectionFromFile(*this, fileName);
    grid_.ColumnsChanged();
    return skipped;
}

// ---------------------------------------------------------------------------------------------
// TBookmarkList

TDataSet* TBookmarkList::DataSet() const
{
    return grid_.ActiveDataSet();
}

int TBookmarkList::Compare(const TBookmark& a, const TBookmark& b) const
{
    TDataSet* dataSet = DataSet();
    if (dataSet != nullptr) return dataSet->CompareBookmarks(a, b);
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool TBookmarkList::Find(const TBookmark& bookmark, int& index) const
{
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = Compare(list_[static_cast<size_t>(middle)], bookmark);
        if (order == 0) {
            index = middle;
            return true;
        }
        if (order < 0) low = middle + 1;
        else high = middle - 1;
    }
    index = low;
    return false;
}

bool TBookmarkList::CurrentRowSelected() const
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || dataSet->IsEmpty() || list_.empty()) return false;
    int index = 0;
    return Find(dataSet->GetBookmark(), index);
}

void TBookmarkList::SetCurrentRowSelected(bool value)
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || dataSet->IsEmpty()) return;
    const TBookmark current = dataSet->GetBookmark();
    if (current.empty()) return;
    int index = 0;
    const bool found = Find(current, index);
    if (found == value) return;
    if (value) list_.insert(list_.begin() + index, current);
    else list_.erase(list_.begin() + index);
    grid_.Redraw();
}

void TBookmarkList::Clear()
{
    if (list_.empty()) return;
    list_.clear();
    grid_.Redraw();
}

void TBookmarkList::Delete()
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr) return;
    dataSet->DisableControls();
    try {
        // From the last to the first, so that each bookmark is still valid when it is reached.
        while (!list_.empty()) {
            const TBookmark bookmark = list_.back();
            list_.pop_back();
            if (!dataSet->BookmarkValid(bookmark)) continue;
            dataSet->GotoBookmark(bookmark);
            dataSet->Delete();
        }
    } catch (...) {
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
    grid_.Redraw();
}

bool TBookmarkList::Refresh()
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr) return false;
    const size_t before = list_.size();
    list_.erase(std::remove_if(list_.begin(), list_.end(),
                               [dataSet](const TBookmark& bookmark) { return !dataSet->BookmarkValid(bookmark); }),
                list_.end());
    if (list_.size() == before) return false;
    grid_.Redraw();
    return true;
}
