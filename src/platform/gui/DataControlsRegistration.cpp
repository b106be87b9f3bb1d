#include "platform/gui/DataControlsRegistration.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/db/DBRegistration.h"
#include "platform/gui/Charts.h"
#include "platform/gui/DBCtrls.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/GuiRegistration.h"

namespace {

template <class Enum>
uint64_t SetBits(TEnumSet<Enum> set)
{
    return set.Bits();
}

template <class Enum>
TEnumSet<Enum> SetFromBits(uint64_t bits, int count)
{
    TEnumSet<Enum> set;
    for (int i = 0; i < count; ++i)
        if ((bits >> i) & 1u) set.Include(static_cast<Enum>(i));
    return set;
}

void RegisterGrid()
{
    RegisterEnum<TDBGridOption>("TDBGridOption",
                                {"dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize",
                                 "dgColLines", "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection",
                                 "dgConfirmDelete", "dgCancelOnExit", "dgMultiSelect"});

    TClassRegistration<TColumnTitle, TPersistent>("TColumnTitle")
        .String("Caption", &TColumnTitle::StoredCaption, &TColumnTitle::SetCaption)
        .Enum("Alignment", &TColumnTitle::Alignment, &TColumnTitle::SetAlignment, TAlignment::taLeftJustify)
        .Integer(
            "Color", [](const TColumnTitle& title) { return title.ColorAssigned() ? title.Color() : clDefault; },
            &TColumnTitle::SetColor, clDefault)
        .Object("Font", [](TColumnTitle& title) -> TFont& { return title.Font(); });

    TClassRegistration<TColumn, TPersistent>("TColumn")
        .Item()
        .String("FieldName", &TColumn::FieldName, &TColumn::SetFieldName)
        .Object("Title", [](TColumn& column) -> TColumnTitle& { return column.Title(); })
        .Integer("Width", &TColumn::StoredWidth, &TColumn::SetStoredWidth, -1)
        .Boolean("Visible", &TColumn::Visible, &TColumn::SetVisible, true)
        // Written always: the alignment that follows the field's type is kept as it is shown.
        .Enum("Alignment", &TColumn::Alignment, &TColumn::SetAlignment, static_cast<TAlignment>(-1))
        .Integer("Color", &TColumn::StoredColor, &TColumn::SetStoredColor, clDefault)
        .Object("Font", [](TColumn& column) -> TFont& { return column.Font(); })
        .Boolean("ReadOnly", &TColumn::ReadOnly, &TColumn::SetReadOnly, false);

    TClassRegistration<TDBGridColumns, TPersistent>("TDBGridColumns");

    const TDBGridOptions defaults{TDBGridOption::dgEditing,      TDBGridOption::dgTitles,   TDBGridOption::dgIndicator,
                                  TDBGridOption::dgColumnResize, TDBGridOption::dgColLines, TDBGridOption::dgRowLines,
                                  TDBGridOption::dgTabs,         TDBGridOption::dgConfirmDelete,
                                  TDBGridOption::dgCancelOnExit};
    TClassRegistration<TDBGrid, TWinControl>("TDBGrid")
        .Component()
        .Reference("DataSource", &TDBGrid::DataSource, &TDBGrid::SetDataSource)
        .Collection("Columns", [](TDBGrid& grid) -> TDBGridColumns& { return grid.Columns(); })
        .Set<TDBGridOption>(
            "Options", [](const TDBGrid& grid) { return SetBits(grid.Options()); },
            [](TDBGrid& grid, uint64_t bits) { grid.SetOptions(SetFromBits<TDBGridOption>(bits, 13)); }, defaults.Bits())
        .Boolean("DefaultDrawing", &TDBGrid::DefaultDrawing, &TDBGrid::SetDefaultDrawing, true)
        .Integer("FixedColor", &TDBGrid::FixedColor, &TDBGrid::SetFixedColor, clBtnFace)
        .Object("TitleFont", [](TDBGrid& grid) -> TFont& { return grid.TitleFont(); })
        .Boolean("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly, false)
        .Event("OnCellClick", &TDBGrid::OnCellClick)
        .Event("OnTitleClick", &TDBGrid::OnTitleClick)
        .Event("OnDrawColumnCell", &TDBGrid::OnDrawColumnCell)
        .Event("OnKeyDown", &TDBGrid::OnKeyDown);
}

void RegisterFieldControls()
{
    TClassRegistration<TDBText, TLabel>("TDBText")
        .Component()
        .Reference("DataSource", &TDBText::DataSource, &TDBText::SetDataSource)
        .String("DataField", &TDBText::DataField, &TDBText::SetDataField);

    TClassRegistration<TDBEdit, TEdit>("TDBEdit")
        .Component()
        .Reference("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource)
        .String("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField)
        .Boolean("ReadOnly", &TDBEdit::ReadOnly, &TDBEdit::SetReadOnly, false);

    TClassRegistration<TDBMemo, TMemo>("TDBMemo")
        .Component()
        .Reference("DataSource", &TDBMemo::DataSource, &TDBMemo::SetDataSource)
        .String("DataField", &TDBMemo::DataField, &TDBMemo::SetDataField)
        .Boolean("ReadOnly", &TDBMemo::ReadOnly, &TDBMemo::SetReadOnly, false);
}

void RegisterCharts()
{
    RegisterEnum<TLegendAlignment>("TLegendAlignment", {"laLeft", "laRight", "laTop", "laBottom"});

    TClassRegistration<TChartTitle, TPersistent>("TChartTitle")
        .Strings("Text", [](TChartTitle& title) -> TStrings& { return title.Text(); })
        .Boolean("Visible", &TChartTitle::Visible, &TChartTitle::SetVisible, true);
    TClassRegistration<TChartLegend, TPersistent>("TChartLegend")
        .Boolean("Visible", &TChartLegend::Visible, &TChartLegend::SetVisible, true)
        .Enum("Alignment", &TChartLegend::Alignment, &TChartLegend::SetAlignment, TLegendAlignment::laBottom);
    TClassRegistration<TSeriesMarks, TPersistent>("TSeriesMarks")
        .Boolean("Visible", &TSeriesMarks::Visible, &TSeriesMarks::SetVisible, true);

    TClassRegistration<TChart, TWinControl>("TChart")
        .Component()
        .Object("Title", [](TChart& chart) -> TChartTitle& { return chart.Title(); })
        .Object("Legend", [](TChart& chart) -> TChartLegend& { return chart.Legend(); })
        .Boolean("View3D", &TChart::View3D, &TChart::SetView3D, false);

    TClassRegistration<TChartSeries, TComponent>("TChartSeries")
        .Reference("ParentChart", &TChartSeries::ParentChart, &TChartSeries::SetParentChart)
        .String("Title", &TChartSeries::Title, &TChartSeries::SetTitle)
        .Integer("SeriesColor", &TChartSeries::SeriesColor, &TChartSeries::SetSeriesColor, clRed)
        .Boolean("ColorEachPoint", &TChartSeries::ColorEachPoint, &TChartSeries::SetColorEachPoint, false)
        .Object("Marks", [](TChartSeries& series) -> TSeriesMarks& { return series.Marks(); });
    TClassRegistration<TBarSeries, TChartSeries>("TBarSeries").Component();
    TClassRegistration<THorizBarSeries, TBarSeries>("THorizBarSeries").Component();
}

}  // namespace

void RegisterDataControlClasses()
{
    // The window classes, their enumerations and fonts, and the data sources come first: the
    // data controls derive from them and refer to them.
    RegisterWindowClasses();
    RegisterDBClasses();
    RegisterGrid();
    RegisterFieldControls();
    RegisterCharts();
}
