// The data-aware grid: its data link, its Qt widget, painting, mouse, keys and scroll bars.

#include "platform/gui/DBGrids.h"

#include "platform/db/DataSet.h"
#include "platform/gui/Forms.h"
#include "platform/gui/GuiText.h"
#include "platform/gui/Menus.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

// ---------------------------------------------------------------------------------------------
// The link between the grid and its data source.

class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDBGrid& grid) : grid_(grid) {}

protected:
    void ActiveChanged() override { grid_.LinkActiveChanged(); }
    void DataSetChanged() override { grid_.LinkDataChanged(); }
    void DataSetScrolled(int distance) override { grid_.LinkScrolled(distance); }
    void LayoutChanged() override { grid_.LinkLayoutChanged(); }
    void RecordChanged(TField* field) override { grid_.LinkRecordChanged(field); }
    void EditingChanged() override { grid_.LinkEditingChanged(); }

private:
    TDBGrid& grid_;
};

// ---------------------------------------------------------------------------------------------
// The grid's widget: a scroll area whose viewport the grid paints itself.

class TDBGridWidget : public QAbstractScrollArea {
public:
    TDBGridWidget()
    {
        setFocusPolicy(Qt::StrongFocus);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        viewport()->setAutoFillBackground(false);
    }
    TDBGrid* grid = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(viewport());
        if (grid != nullptr) grid->PaintGrid(painter, viewport()->rect());
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        if (grid != nullptr) grid->ViewportResized();
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (grid != nullptr) grid->MousePressed(*event);
        event->accept();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (grid != nullptr) grid->MouseMoved(*event);
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (grid != nullptr) grid->MouseReleased(*event);
        event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (grid != nullptr) grid->MouseDoubleClicked(*event);
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (grid != nullptr) grid->KeyPressed(*event);
        else QAbstractScrollArea::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override
    {
        if (grid != nullptr) grid->WheelTurned(*event);
        event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        TPopupMenu* menu = grid != nullptr ? grid->PopupMenu() : nullptr;
        if (menu != nullptr && menu->AutoPopup()) {
            menu->SetPopupComponent(grid);
            menu->Popup(event->globalPos().x(), event->globalPos().y());
        }
        event->accept();
    }
    void scrollContentsBy(int, int) override { viewport()->update(); }
    void focusInEvent(QFocusEvent* event) override
    {
        QAbstractScrollArea::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QAbstractScrollArea::focusOutEvent(event);
        viewport()->update();
    }
};

namespace {

constexpr int indicatorColumnWidth = 11;
constexpr uint16_t virtualKeySpace = 32;

TDBGridOptions DefaultOptions()
{
    return {TDBGridOption::dgEditing, TDBGridOption::dgTitles,      TDBGridOption::dgIndicator,
            TDBGridOption::dgColumnResize, TDBGridOption::dgColLines, TDBGridOption::dgRowLines,
            TDBGridOption::dgTabs,    TDBGridOption::dgConfirmDelete, TDBGridOption::dgCancelOnExit};
}

Qt::AlignmentFlag HorizontalFlag(TAlignment alignment)
{
    switch (alignment) {
    case TAlignment::taRightJustify: return Qt::AlignRight;
    case TAlignment::taCenter: return Qt::AlignHCenter;
    case TAlignment::taLeftJustify: break;
    }
    return Qt::AlignLeft;
}

// Makes each record of the link's window the active one in turn and puts the original back.
class TActiveRecordScope {
public:
    explicit TActiveRecordScope(TDataLink& link) : link_(link), saved_(link.ActiveRecord()) {}
    ~TActiveRecordScope() { link_.SetActiveRecord(saved_); }
    TActiveRecordScope(const TActiveRecordScope&) = delete;
    TActiveRecordScope& operator=(const TActiveRecordScope&) = delete;
    int Saved() const noexcept { return saved_; }

private:
    TDataLink& link_;
    int saved_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDBGrid

TDBGrid::TDBGrid(TComponent* owner)
    : TWinControl(owner, new TDBGridWidget()),
      columns_(std::make_unique<TDBGridColumns>(*this)),
      dataLink_(std::make_unique<TGridDataLink>(*this)),
      selectedRows_(*this),
      options_(DefaultOptions())
{
    TDBGridWidget* widget = GridWidget();
    widget->grid = this;
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    titleFont_.OnChange = [this](TObject*) {
        UpdateRowCount();
        Redraw();
    };
    QObject::connect(widget->verticalScrollBar(), &QScrollBar::actionTriggered, SignalContext(),
                     [this](int action) { ScrollBarAction(action); });
    QObject::connect(widget->verticalScrollBar(), &QScrollBar::sliderReleased, SignalContext(),
                     [this] { ScrollBarReleased(); });
    QObject::connect(widget->horizontalScrollBar(), &QScrollBar::valueChanged, SignalContext(),
                     [this](int value) { HorizontalScrolled(value); });
    SetBounds(0, 0, 320, 120);
}

TDBGrid::~TDBGrid()
{
    if (TDBGridWidget* widget = GridWidget()) widget->grid = nullptr;
    dataLink_->SetDataSource(nullptr);
}

TDBGridWidget* TDBGrid::GridWidget() const
{
    return static_cast<TDBGridWidget*>(Widget());
}

TDataSource* TDBGrid::DataSource() const
{
    return dataLink_->DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source)
{
    if (source == dataLink_->DataSource()) return;
    selectedRows_.list_.clear();
    dataLink_->SetDataSource(source);
    LinkActiveChanged();
}

TDataSet* TDBGrid::ActiveDataSet() const
{
    if (!dataLink_->Active()) return nullptr;
    return dataLink_->DataSet();
}

int TDBGrid::FieldCount() const
{
    return ActiveDataSet() != nullptr ? columns_->Count() : 0;
}

TField* TDBGrid::Fields(int index) const
{
    if (index < 0 || index >= FieldCount()) return nullptr;
    return columns_->Items(index)->Field();
}

void TDBGrid::SetOptions(TDBGridOptions options)
{
    // Multi-selection is a kind of row selection in this grid as in the class library's.
    if (options == options_) return;
    options_ = options;
    if (!options_.Contains(TDBGridOption::dgMultiSelect)) selectedRows_.list_.clear();
    UpdateRowCount();
    UpdateScrollBars();
    Redraw();
}

void TDBGrid::SetFixedColor(TColor value)
{
    fixedColor_ = value;
    Redraw();
}

void TDBGrid::SetSelectedIndex(int index)
{
    if (columns_->Count() == 0) {
        selectedIndex_ = 0;
        return;
    }
    selectedIndex_ = std::clamp(index, 0, columns_->Count() - 1);
    Redraw();
}

TField* TDBGrid::SelectedField() const
{
    if (selectedIndex_ < 0 || selectedIndex_ >= columns_->Count()) return nullptr;
    return columns_->Items(selectedIndex_)->Field();
}

void TDBGrid::BeginLayout()
{
    ++layoutLock_;
}

void TDBGrid::EndLayout()
{
    if (layoutLock_ == 0) return;
    if (--layoutLock_ == 0 && layoutPending_) {
        layoutPending_ = false;
        ColumnsChanged();
    }
}

void TDBGrid::ColumnsChanged()
{
    if (rebuildingColumns_) return;
    if (layoutLock_ > 0) {
        layoutPending_ = true;
        return;
    }
    if (selectedIndex_ >= columns_->Count()) selectedIndex_ = std::max(0, columns_->Count() - 1);
    UpdateScrollBars();
    Redraw();
}

// Data link notifications --------------------------------------------------------------------

void TDBGrid::LinkActiveChanged()
{
    if (dataLink_->Active()) {
        UpdateRowCount();
        if (columns_->State() == TDBGridColumnsState::csDefault) columns_->RebuildColumns();
    } else {
        selectedRows_.list_.clear();
        if (columns_->State() == TDBGridColumnsState::csDefault) columns_->RebuildColumns();
    }
    UpdateScrollBars();
    Redraw();
}

void TDBGrid::LinkDataChanged()
{
    UpdateScrollBars();
    Redraw();
}

void TDBGrid::LinkScrolled(int distance)
{
    UpdateScrollBars();
    Redraw();
}

void TDBGrid::LinkLayoutChanged()
{
    if (columns_->State() == TDBGridColumnsState::csDefault) columns_->RebuildColumns();
    UpdateScrollBars();
    Redraw();
}

void TDBGrid::LinkRecordChanged(TField* field)
{
    Redraw();
}

void TDBGrid::LinkEditingChanged()
{
    Redraw();
}

// Geometry -----------------------------------------------------------------------------------

int TDBGrid::DefaultRowHeight() const
{
    return QFontMetrics(Font().ToQFont()).height() + 3;
}

int TDBGrid::TitleHeight() const
{
    if (!options_.Contains(TDBGridOption::dgTitles)) return 0;
    const int lines = options_.Contains(TDBGridOption::dgRowLines) ? 1 : 0;
    return std::max(DefaultRowHeight(), QFontMetrics(titleFont_.ToQFont()).height() + 3) + lines;
}

int TDBGrid::IndicatorWidth() const
{
    if (!options_.Contains(TDBGridOption::dgIndicator)) return 0;
    return indicatorColumnWidth + (options_.Contains(TDBGridOption::dgColLines) ? 1 : 0);
}

int TDBGrid::VisibleRowCount() const
{
    const TDBGridWidget* widget = GridWidget();
    if (widget == nullptr) return 1;
    int height = widget->maximumViewportSize().height();
    if (widget->horizontalScrollBar()->isVisible()) height -= widget->horizontalScrollBar()->height();
    const int stride = DefaultRowHeight() + (options_.Contains(TDBGridOption::dgRowLines) ? 1 : 0);
    return std::max(1, (height - TitleHeight()) / stride);
}

int TDBGrid::RowCount() const
{
    return dataLink_->Active() ? dataLink_->RecordCount() : 0;
}

int TDBGrid::Row() const
{
    if (RowCount() == 0) return -1;
    return dataLink_->ActiveRecord();
}

void TDBGrid::UpdateRowCount()
{
    dataLink_->SetBufferCount(VisibleRowCount());
}

void TDBGrid::Resize()
{
    TWinControl::Resize();
    UpdateRowCount();
    UpdateScrollBars();
}

void TDBGrid::ViewportResized()
{
    UpdateRowCount();
    UpdateScrollBars();
}

void TDBGrid::Loaded()
{
    TWinControl::Loaded();
    UpdateRowCount();
}

void TDBGrid::ApplyFont()
{
    TWinControl::ApplyFont();
    UpdateRowCount();
    Redraw();
}

void TDBGrid::ApplyColor()
{
    TWinControl::ApplyColor();
    Redraw();
}

int TDBGrid::ColorRole() const
{
    return QPalette::Base;
}

int TDBGrid::ColumnLeft(int column) const
{
    const int line = options_.Contains(TDBGridOption::dgColLines) ? 1 : 0;
    int left = 0;
    for (int i = 0; i < column && i < columns_->Count(); ++i) {
        const TColumn* item = columns_->Items(i);
        if (item->Visible()) left += item->Width() + line;
    }
    return left;
}

int TDBGrid::ColumnsWidth() const
{
    return ColumnLeft(columns_->Count());
}

int TDBGrid::ColumnAt(int x) const
{
    const int line = options_.Contains(TDBGridOption::dgColLines) ? 1 : 0;
    int left = IndicatorWidth() - horizontalOffset_;
    if (x < IndicatorWidth()) return -1;
    for (int i = 0; i < columns_->Count(); ++i) {
        const TColumn* item = columns_->Items(i);
        if (!item->Visible()) continue;
        const int right = left + item->Width() + line;
        if (x >= left && x < right) return i;
        left = right;
    }
    return -1;
}

int TDBGrid::ColumnEdgeAt(int x) const
{
    const int line = options_.Contains(TDBGridOption::dgColLines) ? 1 : 0;
    int left = IndicatorWidth() - horizontalOffset_;
    for (int i = 0; i < columns_->Count(); ++i) {
        const TColumn* item = columns_->Items(i);
        if (!item->Visible()) continue;
        const int edge = left + item->Width();
        if (x >= edge - 3 && x <= edge + 3 && edge >= IndicatorWidth()) return i;
        left = edge + line;
    }
    return -1;
}

int TDBGrid::RowAt(int y) const
{
    const int top = TitleHeight();
    if (y < top) return -1;
    const int stride = DefaultRowHeight() + (options_.Contains(TDBGridOption::dgRowLines) ? 1 : 0);
    return (y - top) / stride;
}

TRect TDBGrid::CellRect(int row, int column) const
{
    if (row < 0 || row >= VisibleRowCount() || column < 0 || column >= columns_->Count()) return {};
    const TColumn* item = columns_->Items(column);
    if (!item->Visible()) return {};
    const int stride = DefaultRowHeight() + (options_.Contains(TDBGridOption::dgRowLines) ? 1 : 0);
    const int left = IndicatorWidth() + ColumnLeft(column) - horizontalOffset_;
    const int top = TitleHeight() + row * stride;
    return {left, top, left + item->Width(), top + DefaultRowHeight()};
}

std::string TDBGrid::CellText(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns_->Count()) return {};
    const TField* field = columns_->Items(column)->Field();
    if (field == nullptr) return {};
    TActiveRecordScope scope(*dataLink_);
    dataLink_->SetActiveRecord(row);
    return field->DisplayText();
}

// Scroll bars ----------------------------------------------------------------------------------

bool TDBGrid::Sequenced() const
{
    const TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr || dataSet->Filtered() || dataSet->State() != TDataSetState::dsBrowse) return false;
    if (!dataSet->IsSequenced()) return false;
    return dataSet->RecNo() > 0 && dataSet->RecordCount() > 0;
}

int TDBGrid::ScrollMaximum() const
{
    const TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr || dataSet->IsEmpty()) return 0;
    if (Sequenced()) return std::max(0, dataSet->RecordCount() - 1);
    return 4;
}

int TDBGrid::ScrollPosition() const
{
    const TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr || dataSet->IsEmpty()) return 0;
    if (Sequenced()) return std::clamp(dataSet->RecNo() - 1, 0, ScrollMaximum());
    if (dataSet->Bof()) return 0;
    if (dataSet->Eof()) return 4;
    return 2;
}

void TDBGrid::UpdateScrollBars()
{
    TDBGridWidget* widget = GridWidget();
    if (widget == nullptr) return;
    QScrollBar* vertical = widget->verticalScrollBar();
    if (!vertical->isSliderDown()) {
        const QSignalBlocker blocker(vertical);
        vertical->setRange(0, ScrollMaximum());
        vertical->setPageStep(Sequenced() ? VisibleRowCount() : 1);
        vertical->setValue(ScrollPosition());
    }
    QScrollBar* horizontal = widget->horizontalScrollBar();
    const int contentWidth = IndicatorWidth() + ColumnsWidth();
    const int viewWidth = widget->viewport()->width();
    horizontal->setRange(0, std::max(0, contentWidth - viewWidth));
    horizontal->setPageStep(std::max(1, viewWidth));
    horizontal->setSingleStep(16);
}

void TDBGrid::HorizontalScrolled(int value)
{
    horizontalOffset_ = value;
    Redraw();
}

void TDBGrid::MoveRows(int distance)
{
    TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr || distance == 0) return;
    dataSet->MoveBy(distance);
}

void TDBGrid::ScrollBarAction(int action)
{
    TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr) return;
    const auto sliderAction = static_cast<QAbstractSlider::SliderAction>(action);
    // Dragging is carried out when the slider is released.
    if (sliderAction == QAbstractSlider::SliderMove || sliderAction == QAbstractSlider::SliderNoAction) return;
    RunUserHandler([&] {
        switch (sliderAction) {
        case QAbstractSlider::SliderSingleStepAdd: MoveRows(1); break;
        case QAbstractSlider::SliderSingleStepSub: MoveRows(-1); break;
        case QAbstractSlider::SliderPageStepAdd: MoveRows(VisibleRowCount()); break;
        case QAbstractSlider::SliderPageStepSub: MoveRows(-VisibleRowCount()); break;
        case QAbstractSlider::SliderToMinimum: dataSet->First(); break;
        case QAbstractSlider::SliderToMaximum: dataSet->Last(); break;
        default: break;
        }
    });
    if (TDBGridWidget* widget = GridWidget()) widget->verticalScrollBar()->setSliderPosition(ScrollPosition());
}

void TDBGrid::ScrollBarReleased()
{
    TDataSet* dataSet = ActiveDataSet();
    TDBGridWidget* widget = GridWidget();
    if (dataSet == nullptr || widget == nullptr) return;
    const QScrollBar* vertical = widget->verticalScrollBar();
    const int position = vertical->sliderPosition();
    RunUserHandler([&] {
        if (position <= vertical->minimum()) dataSet->First();
        else if (position >= vertical->maximum()) dataSet->Last();
        else if (Sequenced()) dataSet->SetRecNo(position + 1);
    });
    UpdateScrollBars();
}

// Painting ---------------------------------------------------------------------------------------

void TDBGrid::Redraw()
{
    if (TDBGridWidget* widget = GridWidget()) widget->viewport()->update();
}

void TDBGrid::DefaultDrawColumnCell(const TRect& rect, int dataCol, TColumn* column, TGridDrawState state)
{
    const TField* field = column != nullptr ? column->Field() : nullptr;
    const std::string text = field != nullptr ? field->DisplayText() : std::string();
    const int textWidth = canvas_.TextWidth(text);
    int x = rect.Left + 2;
    if (column != nullptr) {
        switch (column->Alignment()) {
        case TAlignment::taRightJustify: x = rect.Right - textWidth - 3; break;
        case TAlignment::taCenter: x = rect.Left + (rect.Width() - textWidth) / 2; break;
        case TAlignment::taLeftJustify: break;
        }
    }
    canvas_.TextRect(rect, x, rect.Top + 2, text);
}

void TDBGrid::PaintCell(QPainter& painter, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state)
{
    const bool highlighted = state.Contains(TGridDrawStateValue::gdSelected);
    canvas_.Font().Assign(column->Font());
    canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas_.Brush().SetColor(highlighted ? clHighlight : column->Color());
    if (highlighted) canvas_.Font().SetColor(clHighlightText);
    if (defaultDrawing_) DefaultDrawColumnCell(rect, dataCol, column, state);
    if (OnDrawColumnCell) {
        painter.save();
        painter.setClipRect(rect.ToQRect(), Qt::IntersectClip);
        RunUserHandler([&] { OnDrawColumnCell(this, rect, dataCol, column, state); });
        painter.restore();
    }
}

void TDBGrid::PaintTitle(QPainter& painter, const TRect& rect, TColumn& column)
{
    painter.fillRect(rect.ToQRect(), ToQColor(column.Title().Color()));
    painter.setFont(column.Title().Font().ToQFont());
    painter.setPen(ToQColor(column.Title().Font().Color()));
    const QRect textRect = rect.ToQRect().adjusted(2, 0, -3, 0);
    painter.drawText(textRect, HorizontalFlag(column.Title().Alignment()) | Qt::AlignVCenter | Qt::TextSingleLine,
                     ToQString(column.Title().Caption()));
}

void TDBGrid::PaintGrid(QPainter& target, const QRect& area)
{
    TDataSet* dataSet = ActiveDataSet();
    // While the dataset's controls are disabled its buffers belong to the code that walks it:
    // show the picture of the last paint.
    if (painting_ || (dataSet != nullptr && dataSet->ControlsDisabled())) {
        if (!frame_.isNull()) target.drawImage(QPoint(0, 0), frame_);
        return;
    }
    painting_ = true;
    const QSize size = area.size().expandedTo(QSize(1, 1));
    if (frame_.size() != size) frame_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&frame_);
        TCanvasPaint canvasPaint(canvas_, painter);
        painter.fillRect(QRect(QPoint(0, 0), size), ToQColor(Color()));
        const QColor lineColor = ToQColor(clSilver);
        const bool colLines = options_.Contains(TDBGridOption::dgColLines);
        const bool rowLines = options_.Contains(TDBGridOption::dgRowLines);
        const int rowHeight = DefaultRowHeight();
        const int stride = rowHeight + (rowLines ? 1 : 0);
        const int titleHeight = TitleHeight();
        const int indicator = IndicatorWidth();
        // Where each visible column lies on the viewport, worked out once for the whole paint.
        struct ColumnPlace {
            int index;
            TColumn* column;
            int left;
            int width;
        };
        std::vector<ColumnPlace> places;
        {
            const int line = colLines ? 1 : 0;
            int left = indicator - horizontalOffset_;
            for (int i = 0; i < columns_->Count(); ++i) {
                TColumn* column = columns_->Items(i);
                if (!column->Visible()) continue;
                const int width = column->Width();
                places.push_back({i, column, left, width});
                left += width + line;
            }
        }
        const int contentRight = places.empty() ? indicator : places.back().left + places.back().width + (colLines ? 1 : 0);

        // Titles.
        if (titleHeight > 0) {
            const int cellHeight = titleHeight - (rowLines ? 1 : 0);
            for (const ColumnPlace& place : places) {
                const int left = place.left;
                if (left >= size.width() || left + place.width <= indicator) continue;
                painter.save();
                painter.setClipRect(QRect(indicator, 0, size.width() - indicator, titleHeight));
                PaintTitle(painter, {left, 0, left + place.width, cellHeight}, *place.column);
                if (colLines) painter.fillRect(QRect(left + place.width, 0, 1, titleHeight), ToQColor(clGray));
                painter.restore();
            }
            if (indicator > 0) painter.fillRect(QRect(0, 0, indicator, cellHeight), ToQColor(fixedColor_));
            painter.fillRect(QRect(0, cellHeight, std::min(contentRight, size.width()), titleHeight - cellHeight), ToQColor(clGray));
        }

        // Data rows, each read through the link's window.
        const int rows = RowCount();
        if (rows > 0 && dataSet != nullptr) {
            TActiveRecordScope scope(*dataLink_);
            const int current = scope.Saved();
            const bool focused = GridWidget()->hasFocus();
            const bool showSelection = focused || options_.Contains(TDBGridOption::dgAlwaysShowSelection);
            const bool rowSelect = options_.Contains(TDBGridOption::dgRowSelect);
            const bool multiSelect = options_.Contains(TDBGridOption::dgMultiSelect);
            for (int row = 0; row < rows; ++row) {
                const int top = titleHeight + row * stride;
                if (top >= size.height()) break;
                dataLink_->SetActiveRecord(row);
                bool marked = false;
                try {
                    marked = multiSelect && selectedRows_.CurrentRowSelected();
                } catch (const std::exception&) {
                    // A row whose bookmark cannot be read is shown unselected.
                }
                if (indicator > 0) {
                    const QRect cell(0, top, indicatorColumnWidth, rowHeight);
                    painter.fillRect(cell, ToQColor(fixedColor_));
                    if (row == current) {
                        painter.setPen(ToQColor(clBlack));
                        painter.setBrush(ToQColor(clBlack));
                        const int middle = top + rowHeight / 2;
                        if (dataSet->State() == TDataSetState::dsInsert) {
                            painter.drawText(cell, Qt::AlignCenter, QStringLiteral("*"));
                        } else if (dataSet->State() == TDataSetState::dsEdit) {
                            painter.drawText(cell, Qt::AlignCenter, QStringLiteral("I"));
                        } else {
                            painter.drawPolygon(QPolygon({QPoint(3, middle - 4), QPoint(7, middle), QPoint(3, middle + 4)}));
                        }
                        painter.setBrush(Qt::NoBrush);
                    }
                }
                painter.save();
                painter.setClipRect(QRect(indicator, top, std::max(0, size.width() - indicator), rowHeight));
                for (const ColumnPlace& place : places) {
                    const int i = place.index;
                    TColumn* column = place.column;
                    const int left = place.left;
                    if (left >= size.width() || left + place.width <= indicator) continue;
                    TGridDrawState state;
                    const bool currentCell = row == current && (rowSelect || i == selectedIndex_);
                    if ((currentCell && showSelection) || marked) state.Include(TGridDrawStateValue::gdSelected);
                    if (currentCell && focused) state.Include(TGridDrawStateValue::gdFocused);
                    try {
                        PaintCell(painter, {left, top, left + place.width, top + rowHeight}, i, column, state);
                    } catch (const std::exception&) {
                        // A value that cannot be shown leaves its cell empty.
                    }
                }
                painter.restore();
                if (rowLines) painter.fillRect(QRect(0, top + rowHeight, std::min(contentRight, size.width()), 1), lineColor);
            }
        }
        if (colLines) {
            const int bottom = titleHeight + rows * stride;
            for (const ColumnPlace& place : places) {
                const int x = place.left + place.width;
                if (x >= indicator) painter.fillRect(QRect(x, titleHeight, 1, bottom - titleHeight), lineColor);
            }
            if (indicator > 0) painter.fillRect(QRect(indicator - 1, 0, 1, bottom), ToQColor(clGray));
        }
    }
    painting_ = false;
    target.drawImage(QPoint(0, 0), frame_);
}

// Mouse and keys ---------------------------------------------------------------------------------

void TDBGrid::SelectRowAfterMove(TShiftState shift)
{
    if (!options_.Contains(TDBGridOption::dgMultiSelect)) return;
    if (shift.Contains(TShiftStateValue::ssCtrl)) {
        selectedRows_.SetCurrentRowSelected(!selectedRows_.CurrentRowSelected());
    } else if (shift.Contains(TShiftStateValue::ssShift)) {
        selectedRows_.SetCurrentRowSelected(true);
    } else {
        selectedRows_.list_.clear();
        selectedRows_.SetCurrentRowSelected(true);
    }
}

void TDBGrid::MousePressed(QMouseEvent& event)
{
    TDBGridWidget* widget = GridWidget();
    if (widget != nullptr && !widget->hasFocus() && CanFocus()) SetFocus();
    if (event.button() != Qt::LeftButton) return;
    const QPoint position = event.position().toPoint();
    const int column = ColumnAt(position.x());
    const int row = RowAt(position.y());
    TShiftState shift;
    if (event.modifiers() & Qt::ShiftModifier) shift.Include(TShiftStateValue::ssShift);
    if (event.modifiers() & Qt::ControlModifier) shift.Include(TShiftStateValue::ssCtrl);
    if (row < 0 && options_.Contains(TDBGridOption::dgColumnResize)) {
        // Dragging a column's right edge on the title row sets the column's width.
        const int edge = ColumnEdgeAt(position.x());
        if (edge >= 0) {
            resizingColumn_ = edge;
            resizeStartX_ = position.x();
            resizeStartWidth_ = columns_->Items(edge)->Width();
            return;
        }
    }
    RunUserHandler([&] {
        if (row < 0) {
            if (column >= 0 && options_.Contains(TDBGridOption::dgTitles) && OnTitleClick)
                OnTitleClick(columns_->Items(column));
            return;
        }
        TDataSet* dataSet = ActiveDataSet();
        if (dataSet == nullptr || row >= RowCount()) return;
        MoveRows(row - dataLink_->ActiveRecord());
        if (column >= 0) SetSelectedIndex(column);
        SelectRowAfterMove(shift);
        if (OnCellClick && column >= 0) OnCellClick(columns_->Items(column));
    });
}

void TDBGrid::MouseMoved(QMouseEvent& event)
{
    TDBGridWidget* widget = GridWidget();
    if (widget == nullptr) return;
    const QPoint position = event.position().toPoint();
    if (resizingColumn_ >= 0 && resizingColumn_ < columns_->Count()) {
        columns_->Items(resizingColumn_)->SetWidth(std::max(0, resizeStartWidth_ + position.x() - resizeStartX_));
        return;
    }
    const bool overEdge = options_.Contains(TDBGridOption::dgColumnResize) && RowAt(position.y()) < 0 &&
                          ColumnEdgeAt(position.x()) >= 0;
    widget->viewport()->setCursor(overEdge ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TDBGrid::MouseReleased(QMouseEvent& event)
{
    resizingColumn_ = -1;
}

void TDBGrid::MouseDoubleClicked(QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton) return;
    const int row = RowAt(event.position().toPoint().y());
    if (row < 0 || row >= RowCount()) return;
    RunUserHandler([&] {
        // The press before it has normally moved there already.
        MoveRows(row - dataLink_->ActiveRecord());
        if (OnDblClick) OnDblClick(this);
    });
}

void TDBGrid::KeyPressed(QKeyEvent& event)
{
    uint16_t key = VirtualKeyOf(event);
    const TShiftState shift = ShiftStateOf(event);
    RunUserHandler([&] {
        if (OnKeyDown && key != 0) OnKeyDown(this, key, shift);
        TDataSet* dataSet = ActiveDataSet();
        if (key == 0 || dataSet == nullptr) return;
        const bool rowSelect = options_.Contains(TDBGridOption::dgRowSelect);
        const bool ctrl = shift.Contains(TShiftStateValue::ssCtrl);
        bool moved = true;
        switch (key) {
        case VK_UP: MoveRows(-1); break;
        case VK_DOWN: MoveRows(1); break;
        case VK_PRIOR: MoveRows(-VisibleRowCount()); break;
        case VK_NEXT: MoveRows(VisibleRowCount()); break;
        case VK_HOME:
            if (ctrl || rowSelect) dataSet->First();
            else SetSelectedIndex(0);
            break;
        case VK_END:
            if (ctrl || rowSelect) dataSet->Last();
            else SetSelectedIndex(columns_->Count() - 1);
            break;
        case VK_LEFT:
        case VK_RIGHT: {
            moved = false;
            if (rowSelect) break;
            const int step = key == VK_LEFT ? -1 : 1;
            for (int i = selectedIndex_ + step; i >= 0 && i < columns_->Count(); i += step) {
                if (columns_->Items(i)->Visible()) {
                    SetSelectedIndex(i);
                    break;
                }
            }
            break;
        }
        case virtualKeySpace:
            moved = false;
            if (ctrl && options_.Contains(TDBGridOption::dgMultiSelect))
                selectedRows_.SetCurrentRowSelected(!selectedRows_.CurrentRowSelected());
            break;
        default:
            moved = false;
            break;
        }
        if (moved && options_.Contains(TDBGridOption::dgMultiSelect)) {
            if (shift.Contains(TShiftStateValue::ssShift)) selectedRows_.SetCurrentRowSelected(true);
            else if (!ctrl) selectedRows_.Clear();
        }
    });
    event.accept();
}

void TDBGrid::WheelTurned(QWheelEvent& event)
{
    const int delta = event.angleDelta().y();
    if (delta == 0) return;
    RunUserHandler([&] { MoveRows(delta > 0 ? -1 : 1); });
}
