#pragma once
// Bar charts: TChart draws its series with Qt Charts. A bar series holds (value, label, colour)
// points; with ColorEachPoint each bar takes its own colour (the one given to Add, else the
// next colour of the chart palette), otherwise every bar takes the series colour. The value
// is written at each bar when the series marks are visible. THorizBarSeries lays the bars
// horizontally, the labels on the left axis.

#include "platform/gui/Controls.h"
#include "platform/rtl/Classes.h"

#include <string>
#include <vector>

class QChartView;
class TChart;

enum class TLegendAlignment { laLeft, laRight, laTop, laBottom };

class TChartTitle : public TPersistent {
public:
    explicit TChartTitle(TChart& chart);
    const char* ClassName() const noexcept override { return "TChartTitle"; }
    TStrings& Text() noexcept { return text_; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value);

private:
    TChart& chart_;
    TStringList text_;
    bool visible_ = true;
};

class TChartLegend : public TPersistent {
public:
    explicit TChartLegend(TChart& chart) : chart_(chart) {}
    const char* ClassName() const noexcept override { return "TChartLegend"; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value);
    TLegendAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TLegendAlignment value);

private:
    TChart& chart_;
    bool visible_ = true;
    TLegendAlignment alignment_ = TLegendAlignment::laBottom;
};

class TSeriesMarks : public TPersistent {
public:
    explicit TSeriesMarks(class TChartSeries& series) : series_(series) {}
    const char* ClassName() const noexcept override { return "TSeriesMarks"; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value);

private:
    TChartSeries& series_;
    bool visible_ = true;
};

// A series of points: each a value, a label and a colour (clDefault: automatic).
class TChartSeries : public TComponent {
public:
    explicit TChartSeries(TComponent* owner);
    ~TChartSeries() override;
    const char* ClassName() const noexcept override { return "TChartSeries"; }

    TChart* ParentChart() const noexcept { return parentChart_; }
    void SetParentChart(TChart* chart);
    // A series written inside a chart's block of a form description belongs to that chart.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;
    const std::string& Title() const noexcept { return title_; }
    void SetTitle(const std::string& title);
    TColor SeriesColor() const noexcept { return seriesColor_; }
    void SetSeriesColor(TColor color);
    bool ColorEachPoint() const noexcept { return colorEachPoint_; }
    void SetColorEachPoint(bool value);
    TSeriesMarks& Marks() noexcept { return marks_; }

    // Between BeginUpdate and EndUpdate changes of the series redraw nothing; the last
    // EndUpdate redraws the chart once (so that filling many points costs one drawing).
    void BeginUpdate() noexcept { ++updateCount_; }
    void EndUpdate();
    // Adds a point; returns its index.
    int Add(double value, const std::string& label = std::string(), TColor color = clDefault);
    void Clear();
    void Delete(int index);
    int Count() const noexcept { return static_cast<int>(points_.size()); }
    double YValue(int index) const;
    const std::string& XLabel(int index) const;
    // The colour the point is drawn in.
    TColor ValueColor(int index) const;
    // The n-th colour of the automatic palette.
    static TColor PaletteColor(int index);

    virtual bool Horizontal() const { return false; }

private:
    friend class TChart;
    friend class TSeriesMarks;
    struct Point {
        double value;
        std::string label;
        TColor color;
    };
    void Changed();
    TChart* parentChart_ = nullptr;
    std::string title_;
    TColor seriesColor_ = clRed;
    bool colorEachPoint_ = false;
    TSeriesMarks marks_;
    std::vector<Point> points_;
    int updateCount_ = 0;
};

class TBarSeries : public TChartSeries {
public:
    explicit TBarSeries(TComponent* owner) : TChartSeries(owner) {}
    const char* ClassName() const noexcept override { return "TBarSeries"; }
};

class THorizBarSeries : public TBarSeries {
public:
    explicit THorizBarSeries(TComponent* owner) : TBarSeries(owner) {}
    const char* ClassName() const noexcept override { return "THorizBarSeries"; }
    bool Horizontal() const override { return true; }
};

class TChart : public TWinControl {
public:
    explicit TChart(TComponent* owner);
    ~TChart() override;
    const char* ClassName() const noexcept override { return "TChart"; }

    TChartTitle& Title() noexcept { return title_; }
    TChartLegend& Legend() noexcept { return legend_; }
    bool View3D() const noexcept { return view3D_; }
    void SetView3D(bool value) { view3D_ = value; }
    int SeriesCount() const noexcept { return static_cast<int>(series_.size()); }
    TChartSeries* Series(int index) const { return series_.at(static_cast<size_t>(index)); }
    QChartView* ChartView() const;
    // Redraws the picture from the series (runs after every change of a series). When only
    // the values changed since the last drawing, the drawn bars are given their new values;
    // otherwise the picture is built anew.
    void Refresh();

protected:
    void ApplyColor() override;

private:
    friend class TChartSeries;
    void AddSeries(TChartSeries* series);
    void RemoveSeries(TChartSeries* series);
    // Everything a drawing shows apart from the values of the points.
    struct TDrawnShape {
        struct TSeriesShape {
            const TChartSeries* series = nullptr;
            bool horizontal = false;
            std::string title;
            bool marks = false;
            std::vector<std::string> labels;
            std::vector<TColor> colors;
            bool operator==(const TSeriesShape&) const = default;
        };
        TColor color = clNone;
        bool titleVisible = false;
        std::string title;
        bool legendVisible = false;
        TLegendAlignment legendAlignment = TLegendAlignment::laBottom;
        std::vector<TSeriesShape> series;
        bool operator==(const TDrawnShape&) const = default;
    };
    TDrawnShape CurrentShape();
    // Gives the drawn bars the series' values; false (nothing changed) when the drawing does
    // not hold the bars of these series.
    bool RefreshValues();
    TDrawnShape drawnShape_;
    bool drawn_ = false;
    TChartTitle title_;
    TChartLegend legend_;
    bool view3D_ = false;
    std::vector<TChartSeries*> series_;
};
