#pragma once
// The data-aware grid: TDBGrid shows the records of a data source in rows and the fields
// named by its column collection in columns.
//
// How the grid reads records: it never loads the table. Its data link asks the dataset for a
// buffer window of as many records as the grid has visible rows (the link's BufferCount), and
// painting walks that window by making each of its records the link's active record in turn.
// Scrolling moves the dataset (Next, Prior, MoveBy, First, Last); the dataset refills the
// window and tells the link how far it scrolled. A table of a million records therefore opens,
// scrolls and jumps to its end reading only the records that become visible.
//
// The vertical scroll bar shows the position approximately, as record number against record
// count, only where those are meaningful: on an unfiltered dataset with a record number.
// Under a filter (where the record count is unknown or the count of the whole file, and the
// record number is the physical one) the bar has three positions: top at the first record,
// bottom at the last, the middle elsewhere. Dragging the bar to the top or bottom goes to the
// first or last record; on an unfiltered dataset dragging goes to the record number.
//
// Columns: either persistent columns (made by code, a form description or a layout file; the
// collection's State is csCustomized) or default columns that the grid builds from the
// dataset's fields whenever the dataset's layout changes (State csDefault). A column's colour,
// font, width and alignment follow the grid (or the field) until they are set.

#include "platform/classes/Collections.h"
#include "platform/db/DataSource.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Controls.h"
#include "platform/gui/KeyEvents.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QMouseEvent;
class QKeyEvent;
class QWheelEvent;
class TColumn;
class TDBGrid;
class TDBGridColumns;
class TGridDataLink;
class TDBGridWidget;

enum class TDBGridOption {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
    dgTabs, dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect
};
using TDBGridOptions = TEnumSet<TDBGridOption>;

enum class TGridDrawStateValue { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TEnumSet<TGridDrawStateValue>;

enum class TDBGridColumnsState { csDefault, csCustomized };

using TDBGridClickEvent = std::function<void(TColumn* column)>;
using TDrawColumnCellEvent =
    std::function<void(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state)>;

// The title cell of a column.
class TColumnTitle : public TPersistent {
public:
    explicit TColumnTitle(TColumn& column);
    const char* ClassName() const noexcept override { return "TColumnTitle"; }
    void Assign(const TPersistent& source) override;

    // The caption set, else the field's display label, else the field name.
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // The caption as set ("" when it follows the field).
    const std::string& StoredCaption() const noexcept { return caption_; }
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value);
    // The colour set, else the grid's FixedColor.
    TColor Color() const;
    void SetColor(TColor color);
    bool ColorAssigned() const noexcept { return colorAssigned_; }
    // The font set, else the grid's TitleFont.
    TFont& Font();
    bool FontAssigned() const noexcept { return fontAssigned_; }
    // Makes the title follow the grid again.
    void RestoreDefaults();

private:
    friend class TColumn;
    void SyncFont();
    TColumn& column_;
    std::string caption_;
    bool captionAssigned_ = false;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TColor color_ = clBtnFace;
    bool colorAssigned_ = false;
    TFont font_;
    bool fontAssigned_ = false;
    bool syncingFont_ = false;
};

class TColumn : public TCollectionItem {
public:
    explicit TColumn(TCollection& collection);
    const char* ClassName() const noexcept override { return "TColumn"; }
    void Assign(const TPersistent& source) override;
    std::string DisplayName() const override;

    TDBGrid* Grid() const noexcept;
    const std::string& FieldName() const noexcept { return fieldName_; }
    void SetFieldName(const std::string& name);
    // The dataset's field of that name (null when none or the dataset is closed).
    TField* Field() const;

    TColumnTitle& Title() noexcept { return title_; }
    const TColumnTitle& Title() const noexcept { return title_; }
    // The width set, else one wide enough for the field's display width and the title.
    int Width() const;
    void SetWidth(int value);
    bool WidthAssigned() const noexcept { return widthAssigned_; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value);
    // The alignment set, else the field's (numbers to the right).
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    // The colour set, else the grid's Color.
    TColor Color() const;
    void SetColor(TColor value);
    bool ColorAssigned() const noexcept { return colorAssigned_; }
    // The font set, else the grid's Font.
    TFont& Font();
    bool FontAssigned() const noexcept { return fontAssigned_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    // Makes every value follow the grid and the field again.
    void RestoreDefaults();

    // False for the default columns the grid builds from the fields.
    bool IsStored() const noexcept { return stored_; }
    void SetStored(bool value) noexcept { stored_ = value; }

    // A column loaded from a layout whose field the open dataset no longer has is left out.
    bool AcceptLoaded() override;

    // Registry access: values as stored (clDefault, -1 or taLeftJustify where they follow).
    TColor StoredColor() const noexcept { return colorAssigned_ ? color_ : clDefault; }
    void SetStoredColor(TColor value);
    int StoredWidth() const noexcept { return widthAssigned_ ? width_ : -1; }
    void SetStoredWidth(int value);

private:
    friend class TColumnTitle;
    friend class TDBGrid;
    void SyncFont();
    void NotifyChanged();
    std::string fieldName_;
    TColumnTitle title_;
    int width_ = 64;
    bool widthAssigned_ = false;
    bool visible_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool alignmentAssigned_ = false;
    TColor color_ = clWindow;
    bool colorAssigned_ = false;
    TFont font_;
    bool fontAssigned_ = false;
    bool syncingFont_ = false;
    bool readOnly_ = false;
    bool stored_ = true;
};

class TDBGridColumns : public TCollection {
public:
    explicit TDBGridColumns(TDBGrid& grid);
    const char* ClassName() const noexcept override { return "TDBGridColumns"; }

    TDBGrid& Grid() const noexcept { return grid_; }
    TColumn* Add() { return static_cast<TColumn*>(TCollection::Add()); }
    TColumn* Items(int index) const { return ItemsAs<TColumn>(index); }
    TColumn* operator[](int index) const { return Items(index); }
    // csCustomized when the columns are persistent (the first one is stored).
    TDBGridColumnsState State() const;
    // Setting csDefault drops the persistent columns and builds them from the fields;
    // csCustomized keeps the present columns as persistent ones.
    void SetState(TDBGridColumnsState state);
    // Builds one default column per field of the dataset (a field's Visible carries over).
    void RebuildColumns();
    void RestoreDefaults();

    // The columns as a layout file (a component stream of this collection) and back. Loading
    // leaves out the columns whose field the open dataset no longer has and answers how many.
    void SaveToFile(const std::string& fileName) const;
    int LoadFromFile(const std::string& fileName);
    std::string SaveToText() const;
    int LoadFromText(const std::string& text);

protected:
    void Update(TCollectionItem* item) override;

private:
    TDBGrid& grid_;
};

// Bookmarks of the rows selected in a multi-select grid, kept in the dataset's order.
class TBookmarkList {
public:
    explicit TBookmarkList(TDBGrid& grid) : grid_(grid) {}
    int Count() const noexcept { return static_cast<int>(list_.size()); }
    const TBookmark& Items(int index) const { return list_.at(static_cast<size_t>(index)); }
    const TBookmark& operator[](int index) const { return Items(index); }
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool value);
    // True (and the position in `index`) when the bookmark is in the list.
    bool Find(const TBookmark& bookmark, int& index) const;
    void Clear();
    // Goes through the dataset to each selected record and deletes it.
    void Delete();
    // Drops the bookmarks of records that no longer exist; true when one was dropped.
    bool Refresh();

private:
    friend class TDBGrid;
    TDataSet* DataSet() const;
    int Compare(const TBookmark& a, const TBookmark& b) const;
    TDBGrid& grid_;
    std::vector<TBookmark> list_;
};

class TDBGrid : public TWinControl {
public:
    explicit TDBGrid(TComponent* owner);
    ~TDBGrid() override;
    const char* ClassName() const noexcept override { return "TDBGrid"; }

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDBGridColumns& Columns() noexcept { return *columns_; }
    const TDBGridColumns& Columns() const noexcept { return *columns_; }
    // The fields the visible columns show, in column order (null for a column without a field).
    int FieldCount() const;
    TField* Fields(int index) const;

    TDBGridOptions Options() const noexcept { return options_; }
    void SetOptions(TDBGridOptions options);
    bool DefaultDrawing() const noexcept { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    TColor FixedColor() const noexcept { return fixedColor_; }
    void SetFixedColor(TColor value);
    TFont& TitleFont() noexcept { return titleFont_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

    // The selected column (its index in Columns) and the field it shows.
    int SelectedIndex() const noexcept { return selectedIndex_; }
    void SetSelectedIndex(int index);
    TField* SelectedField() const;
    TBookmarkList& SelectedRows() noexcept { return selectedRows_; }

    // The canvas an OnDrawColumnCell handler draws on.
    TCanvas& Canvas() noexcept { return canvas_; }
    // Draws a data cell the way the grid does (background and the field's text).
    void DefaultDrawColumnCell(const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);

    // Rows of data the grid shows at once, and the rows of the link's window that hold data.
    int VisibleRowCount() const;
    int RowCount() const;
    // Row (0 = first data row on screen) of the dataset's current record; -1 when none.
    int Row() const;
    // Display text of a visible cell, read through the link's window (row as for Row()).
    std::string CellText(int row, int column) const;
    int DefaultRowHeight() const;
    // Rectangle of a data cell on the grid's viewport; empty when not on screen.
    TRect CellRect(int row, int column) const;
    // The vertical scroll bar's position and range (see the header comment).
    int ScrollPosition() const;
    int ScrollMaximum() const;

    // Column changes made between these two calls take effect once, at the end.
    void BeginLayout();
    void EndLayout();
    void BeginUpdate() { BeginLayout(); }
    void EndUpdate() { EndLayout(); }

    TDBGridClickEvent OnCellClick;
    TDBGridClickEvent OnTitleClick;
    TDrawColumnCellEvent OnDrawColumnCell;
    TKeyEvent OnKeyDown;

    // The grid's Qt widget reports to these.
    void PaintGrid(QPainter& painter, const QRect& area);
    void MousePressed(QMouseEvent& event);
    void MouseDoubleClicked(QMouseEvent& event);
    void MouseMoved(QMouseEvent& event);
    void MouseReleased(QMouseEvent& event);
    void KeyPressed(QKeyEvent& event);
    void WheelTurned(QWheelEvent& event);
    void ViewportResized();
    void ScrollBarAction(int action);
    void ScrollBarReleased();
    void HorizontalScrolled(int value);

protected:
    void ApplyFont() override;
    void ApplyColor() override;
    int ColorRole() const override;
    bool ClicksFromMouse() const override { return false; }
    void Resize() override;
    void Loaded() override;

private:
    friend class TGridDataLink;
    friend class TDBGridColumns;
    friend class TColumn;
    friend class TColumnTitle;
    friend class TBookmarkList;

    TDBGridWidget* GridWidget() const;
    TDataSet* ActiveDataSet() const;
    // Data link notifications.
    void LinkActiveChanged();
    void LinkDataChanged();
    void LinkScrolled(int distance);
    void LinkLayoutChanged();
    void LinkRecordChanged(TField* field);
    void LinkEditingChanged();
    void ColumnsChanged();
    void UpdateRowCount();
    void UpdateScrollBars();
    void Redraw();
    int TitleHeight() const;
    int IndicatorWidth() const;
    int ColumnLeft(int column) const;
    int ColumnsWidth() const;
    int ColumnAt(int x) const;
    // The visible column whose right edge lies within a few pixels of x on the title row; -1 when none.
    int ColumnEdgeAt(int x) const;
    int RowAt(int y) const;
    bool Sequenced() const;
    void MoveRows(int distance);
    void SelectRowAfterMove(TShiftState shift);
    void PaintCell(QPainter& painter, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void PaintTitle(QPainter& painter, const TRect& rect, TColumn& column);

    std::unique_ptr<TDBGridColumns> columns_;
    std::unique_ptr<TGridDataLink> dataLink_;
    TBookmarkList selectedRows_;
    TCanvas canvas_;
    TFont titleFont_;
    TDBGridOptions options_;
    bool defaultDrawing_ = true;
    TColor fixedColor_ = clBtnFace;
    bool readOnly_ = false;
    int selectedIndex_ = 0;
    int layoutLock_ = 0;
    bool layoutPending_ = false;
    bool rebuildingColumns_ = false;
    int horizontalOffset_ = 0;
    bool painting_ = false;
    int resizingColumn_ = -1;
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;
    QImage frame_;
};
