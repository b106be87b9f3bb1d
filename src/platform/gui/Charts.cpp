#include "platform/gui/Charts.h"

#include "platform/gui/GuiText.h"
#include "platform/rtl/Exceptions.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalStackedBarSeries>
#include <QtCharts/QLegend>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

constexpr TColor paletteColors[] = {clRed,   clGreen,  clYellow, clBlue,   clGray,   clFuchsia, clTeal, clNavy,
                                    clMaroon, clLime, clOlive,  clPurple, clSilver, clAqua,    clBlack};

// The whole-number text of a value, else the shortest decimal text.
QString ValueText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

// The range of the value axis for values from `minimum` to `maximum`.
void SetValueRange(QValueAxis& axis, double minimum, double maximum)
{
    axis.setRange(minimum, maximum > minimum ? maximum * 1.1 : minimum + 1);
    axis.setLabelFormat(QStringLiteral("%g"));
    axis.applyNiceNumbers();
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TChartTitle::TChartTitle(TChart& chart) : chart_(chart)
{
    text_.OnChange = [this](TObject*) { chart_.Refresh(); };
}

void TChartTitle::SetVisible(bool value)
{
    visible_ = value;
    chart_.Refresh();
}

void TChartLegend::SetVisible(bool value)
{
    visible_ = value;
    chart_.Refresh();
}

void TChartLegend::SetAlignment(TLegendAlignment value)
{
    alignment_ = value;
    chart_.Refresh();
}

void TSeriesMarks::SetVisible(bool value)
{
    visible_ = value;
    series_.Changed();
}

// ---------------------------------------------------------------------------------------------

TChartSeries::TChartSeries(TComponent* owner) : TComponent(owner), marks_(*this) {}

TChartSeries::~TChartSeries()
{
    if (parentChart_ != nullptr) parentChart_->RemoveSeries(this);
}

void TChartSeries::SetParentChart(TChart* chart)
{
    if (chart == parentChart_) return;
    if (parentChart_ != nullptr) parentChart_->RemoveSeries(this);
    parentChart_ = chart;
    if (parentChart_ != nullptr) parentChart_->AddSeries(this);
}

void TChartSeries::SetParentComponent(TComponent* parent)
{
    if (auto* chart = dynamic_cast<TChart*>(parent)) SetParentChart(chart);
}

TComponent* TChartSeries::GetParentComponent() const
{
    return parentChart_;
}

void TChartSeries::Changed()
{
    if (parentChart_ != nullptr && updateCount_ == 0) parentChart_->Refresh();
}

void TChartSeries::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TChartSeries::SetTitle(const std::string& title)
{
    title_ = title;
    Changed();
}

void TChartSeries::SetSeriesColor(TColor color)
{
    seriesColor_ = color;
    Changed();
}

void TChartSeries::SetColorEachPoint(bool value)
{
    colorEachPoint_ = value;
    Changed();
}

int TChartSeries::Add(double value, const std::string& label, TColor color)
{
    points_.push_back({value, label, color});
    Changed();
    return Count() - 1;
}

void TChartSeries::Clear()
{
    points_.clear();
    Changed();
}

void TChartSeries::Delete(int index)
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    points_.erase(points_.begin() + index);
    Changed();
}

double TChartSeries::YValue(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return points_[static_cast<size_t>(index)].value;
}

const std::string& TChartSeries::XLabel(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return points_[static_cast<size_t>(index)].label;
}

TColor TChartSeries::ValueColor(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    const TColor color = points_[static_cast<size_t>(index)].color;
    if (color != clDefault) return color;
    return colorEachPoint_ ? PaletteColor(index) : seriesColor_;
}

TColor TChartSeries::PaletteColor(int index)
{
    constexpr int count = static_cast<int>(std::size(paletteColors));
    return paletteColors[((index % count) + count) % count];
}

// ---------------------------------------------------------------------------------------------

TChart::TChart(TComponent* owner) : TWinControl(owner, new QChartView()), title_(*this), legend_(*this)
{
    ChartView()->setRenderHint(QPainter::Antialiasing);
    SetColor(clWhite);
    SetBounds(0, 0, 400, 250);
    Refresh();
}

TChart::~TChart()
{
    for (TChartSeries* series : series_) series->parentChart_ = nullptr;
    series_.clear();
}

QChartView* TChart::ChartView() const
{
    return static_cast<QChartView*>(Widget());
}

void TChart::AddSeries(TChartSeries* series)
{
    series_.push_back(series);
    Refresh();
}

void TChart::RemoveSeries(TChartSeries* series)
{
    series_.erase(std::remove(series_.begin(), series_.end(), series), series_.end());
    Refresh();
}

void TChart::ApplyColor()
{
    TWinControl::ApplyColor();
    Refresh();
}

TChart::TDrawnShape TChart::CurrentShape()
{
    TDrawnShape shape;
    shape.color = Color();
    shape.titleVisible = title_.Visible();
    shape.title = title_.Text().Text();
    shape.legendVisible = legend_.Visible();
    shape.legendAlignment = legend_.Alignment();
    for (TChartSeries* series : series_) {
        TDrawnShape::TSeriesShape& drawn = shape.series.emplace_back();
        drawn.series = series;
        drawn.horizontal = series->Horizontal();
        drawn.title = series->Title();
        drawn.marks = series->Marks().Visible();
        for (int i = 0; i < series->Count(); ++i) {
            drawn.labels.push_back(series->XLabel(i));
            drawn.colors.push_back(series->ValueColor(i));
        }
    }
    return shape;
}

bool TChart::RefreshValues()
{
    QChart* chart = ChartView()->chart();
    const QList<QAbstractSeries*> drawnSeries = chart->series();
    if (drawnSeries.size() != static_cast<qsizetype>(series_.size())) return false;
    std::vector<QAbstractBarSeries*> bars;
    std::vector<QValueAxis*> axes;
    for (size_t s = 0; s < series_.size(); ++s) {
        auto* drawn = qobject_cast<QAbstractBarSeries*>(drawnSeries[static_cast<qsizetype>(s)]);
        QValueAxis* axis = nullptr;
        if (drawn != nullptr) {
            for (QAbstractAxis* attached : drawn->attachedAxes()) {
                if (auto* valueAxis = qobject_cast<QValueAxis*>(attached)) axis = valueAxis;
            }
        }
        if (drawn == nullptr || axis == nullptr || drawn->count() != series_[s]->Count()) return false;
        bars.push_back(drawn);
        axes.push_back(axis);
    }
    for (size_t s = 0; s < series_.size(); ++s) {
        const TChartSeries& series = *series_[s];
        const QList<QBarSet*> sets = bars[s]->barSets();
        double minimum = 0;
        double maximum = 0;
        for (int i = 0; i < series.Count(); ++i) {
            const double value = series.YValue(i);
            minimum = std::min(minimum, value);
            maximum = std::max(maximum, value);
            QBarSet* set = sets[i];
            if (set->at(i) != value) {
                set->replace(i, value);
                // A point without a label is named by its value.
                if (series.XLabel(i).empty()) set->setLabel(ValueText(value));
            }
        }
        SetValueRange(*axes[s], minimum, maximum);
    }
    return true;
}

void TChart::Refresh()
{
    QChartView* view = ChartView();
    if (view == nullptr) return;
    TDrawnShape shape = CurrentShape();
    if (drawn_ && shape == drawnShape_ && RefreshValues()) return;
    drawnShape_ = std::move(shape);
    drawn_ = true;
    QChart* chart = view->chart();
    chart->removeAllSeries();
    // The axes of the last drawing are kept and given the new points: an axis removed from a
    // chart that has been drawn leaves its ticks and grid on the picture.
    QList<QBarCategoryAxis*> categoryAxes;
    QList<QValueAxis*> valueAxes;
    for (QAbstractAxis* axis : chart->axes()) {
        if (auto* categoryAxis = qobject_cast<QBarCategoryAxis*>(axis)) categoryAxes.append(categoryAxis);
        if (auto* valueAxis = qobject_cast<QValueAxis*>(axis)) valueAxes.append(valueAxis);
    }
    // The axis of `kind` at `alignment` for the next series: one kept from before, else a new one.
    auto takeAxis = [chart](auto& kept, Qt::Alignment alignment) {
        using TAxis = std::remove_pointer_t<typename std::remove_reference_t<decltype(kept)>::value_type>;
        for (qsizetype i = 0; i < kept.size(); ++i) {
            if (kept[i]->alignment() == alignment) return kept.takeAt(i);
        }
        auto* axis = new TAxis();
        chart->addAxis(axis, alignment);
        return axis;
    };
    chart->setBackgroundBrush(ToQColor(Color()));
    chart->setTitle(title_.Visible() ? ToQString(title_.Text().Text()).trimmed() : QString());
    chart->legend()->setVisible(legend_.Visible());
    switch (legend_.Alignment()) {
    case TLegendAlignment::laLeft: chart->legend()->setAlignment(Qt::AlignLeft); break;
    case TLegendAlignment::laRight: chart->legend()->setAlignment(Qt::AlignRight); break;
    case TLegendAlignment::laTop: chart->legend()->setAlignment(Qt::AlignTop); break;
    case TLegendAlignment::laBottom: chart->legend()->setAlignment(Qt::AlignBottom); break;
    }

    for (TChartSeries* series : series_) {
        // One bar set per point, holding the point's value in its own category and nothing in
        // the others, stacked: so that every bar has its own colour and legend entry.
        QAbstractBarSeries* bars = series->Horizontal() ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries())
                                                        : static_cast<QAbstractBarSeries*>(new QStackedBarSeries());
        bars->setName(ToQString(series->Title()));
        QStringList categories;
        double minimum = 0;
        double maximum = 0;
        for (int i = 0; i < series->Count(); ++i) {
            const QString label = ToQString(series->XLabel(i));
            // Categories must be unique; equal labels get invisible distinct suffixes.
            QString category = label;
            while (categories.contains(category)) category += QChar(0x200B);
            categories.append(category);
            const double value = series->YValue(i);
            minimum = std::min(minimum, value);
            maximum = std::max(maximum, value);
            auto* set = new QBarSet(label.isEmpty() ? ValueText(value) : label);
            const QColor color = ToQColor(series->ValueColor(i));
            set->setColor(color);
            set->setBorderColor(color.darker(140));
            // The value is written inside the bar's end: dark text on light bars, white on dark.
            const int luminance = (299 * color.red() + 587 * color.green() + 114 * color.blue()) / 1000;
            set->setLabelColor(luminance >= 128 ? QColor(Qt::black) : QColor(Qt::white));
            for (int j = 0; j < series->Count(); ++j) set->append(j == i ? value : 0.0);
            bars->append(set);
        }
        bars->setLabelsVisible(series->Marks().Visible());
        bars->setLabelsFormat(QStringLiteral("@value"));
        // Totals such as 1234567.5 are written whole, not rounded to six digits.
        bars->setLabelsPrecision(15);
        bars->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
        bars->setBarWidth(0.6);
        chart->addSeries(bars);

        QBarCategoryAxis* categoryAxis = takeAxis(categoryAxes, series->Horizontal() ? Qt::AlignLeft : Qt::AlignBottom);
        categoryAxis->setCategories(categories.isEmpty() ? QStringList{QString()} : categories);
        QValueAxis* valueAxis = takeAxis(valueAxes, series->Horizontal() ? Qt::AlignBottom : Qt::AlignLeft);
        SetValueRange(*valueAxis, minimum, maximum);
        bars->attachAxis(categoryAxis);
        bars->attachAxis(valueAxis);
    }
    // Axes no series took any more.
    for (QAbstractAxis* axis : categoryAxes) {
        chart->removeAxis(axis);
        delete axis;
    }
    for (QAbstractAxis* axis : valueAxes) {
        chart->removeAxis(axis);
        delete axis;
    }
}
