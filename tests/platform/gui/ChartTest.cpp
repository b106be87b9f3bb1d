// Bar charts: the points of a series, their colours, and the rendered picture.

#include "GuiTestSupport.h"

#include "platform/gui/Charts.h"
#include "platform/gui/DataControlsRegistration.h"

#include <QChartView>
#include <QDir>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QImage>
#include <QtCharts/QValueAxis>

#include <gtest/gtest.h>

#include <memory>

namespace {

int PixelsNear(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) < 8 && std::abs(pixel.green() - color.green()) < 8 &&
                std::abs(pixel.blue() - color.blue()) < 8)
                ++count;
        }
    return count;
}

TEST(ChartTest, SeriesKeepsLabelsValuesAndColoursAndRendersThem)
{
    TestApplication();
    RegisterDataControlClasses();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 520, 380);
    auto* chart = new TChart(form.get());
    chart->SetParent(form.get());
    chart->SetAlign(TAlign::alClient);
    chart->Title().Text().SetText("Status report");
    auto* series = new THorizBarSeries(form.get());
    series->SetParentChart(chart);
    series->SetColorEachPoint(true);
    ASSERT_EQ(chart->SeriesCount(), 1);

    series->Add(3, "Old", clBlue);
    series->Clear();
    EXPECT_EQ(series->Count(), 0);
    EXPECT_EQ(series->Add(7, "Open", clRed), 0);
    EXPECT_EQ(series->Add(2, "Closed", clGreen), 1);
    EXPECT_EQ(series->Add(0, "Rejected"), 2);
    EXPECT_EQ(series->Add(4.5, ""), 3);

    const std::vector<std::pair<std::string, double>> expected{{"Open", 7}, {"Closed", 2}, {"Rejected", 0}, {"", 4.5}};
    ASSERT_EQ(series->Count(), 4);
    for (int i = 0; i < series->Count(); ++i) {
        EXPECT_EQ(series->XLabel(i), expected[static_cast<size_t>(i)].first);
        EXPECT_DOUBLE_EQ(series->YValue(i), expected[static_cast<size_t>(i)].second);
    }
    EXPECT_EQ(series->ValueColor(0), clRed);
    EXPECT_EQ(series->ValueColor(1), clGreen);
    // Points without a colour take the palette colour of their position.
    EXPECT_EQ(series->ValueColor(2), TChartSeries::PaletteColor(2));
    EXPECT_NE(series->ValueColor(3), series->ValueColor(2));
    series->SetColorEachPoint(false);
    series->SetSeriesColor(clTeal);
    EXPECT_EQ(series->ValueColor(2), clTeal);
    EXPECT_EQ(series->ValueColor(0), clRed);
    series->SetColorEachPoint(true);
    EXPECT_THROW(series->YValue(4), EListError);

    form->Show();
    const QImage picture = chart->ChartView()->grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(PixelsNear(picture, ToQColor(clRed)), 200);
    EXPECT_GT(PixelsNear(picture, ToQColor(clGreen)), 50);
    QDir().mkpath("artifacts");
    EXPECT_TRUE(picture.save("artifacts/chart-horizontal-bars.png"));

    // A series freed before its chart leaves the chart; the chart freed first frees nothing twice.
    delete series;
    EXPECT_EQ(chart->SeriesCount(), 0);
}

// The texts of the chart's axis labels as drawn on the scene.
QStringList DrawnTexts(TChart& chart)
{
    QStringList texts;
    for (QGraphicsItem* item : chart.ChartView()->scene()->items()) {
        if (!item->isVisible()) continue;
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) texts.append(text->toPlainText());
        if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item)) texts.append(text->text());
    }
    return texts;
}

TEST(ChartTest, AShownChartRefilledInOneUpdateShowsOnlyTheNewPoints)
{
    TestApplication();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 520, 380);
    auto* chart = new TChart(form.get());
    chart->SetParent(form.get());
    chart->SetAlign(TAlign::alClient);
    auto* series = new THorizBarSeries(form.get());
    series->SetParentChart(chart);
    series->SetColorEachPoint(true);
    // Drawn empty first (an axis of 0 to 1), then filled, as a statistics page is.
    form->Show();
    TestApplication().ProcessMessages();
    series->BeginUpdate();
    series->Clear();
    series->Add(30, "Open");
    series->Add(20, "Closed");
    series->BeginUpdate();
    series->Add(10, "Rejected");
    series->EndUpdate();
    // Nothing is drawn before the outer update ends.
    EXPECT_FALSE(DrawnTexts(*chart).contains("Open"));
    series->EndUpdate();
    TestApplication().ProcessMessages();
    const QStringList texts = DrawnTexts(*chart);
    EXPECT_TRUE(texts.contains("Open"));
    EXPECT_TRUE(texts.contains("Rejected"));
    // The ticks of the empty drawing's axis are gone.
    EXPECT_FALSE(texts.contains("0.2")) << texts.join(' ').toStdString();
    EXPECT_EQ(chart->ChartView()->chart()->axes().size(), 2);
    // An EndUpdate without a BeginUpdate changes nothing.
    series->EndUpdate();
    series->Add(5, "Later");
    EXPECT_TRUE(DrawnTexts(*chart).contains("Later"));
}

TEST(ChartTest, NewValuesUnderTheSameLabelsDrawWhatAFreshChartDraws)
{
    TestApplication();
    // A shown chart, and the picture a chart drawn afresh with `points` gives.
    struct TShownChart {
        std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
        TChart* chart = new TChart(form.get());
        THorizBarSeries* series = new THorizBarSeries(form.get());
        TShownChart()
        {
            form->SetBounds(0, 0, 520, 380);
            chart->SetParent(form.get());
            chart->SetAlign(TAlign::alClient);
            series->SetParentChart(chart);
            series->SetColorEachPoint(true);
            form->Show();
        }
        void Fill(const std::vector<std::pair<double, std::string>>& points)
        {
            series->BeginUpdate();
            series->Clear();
            for (const auto& [value, label] : points) series->Add(value, label);
            series->EndUpdate();
            TestApplication().ProcessMessages();
        }
        QStringList Texts()
        {
            QStringList texts = DrawnTexts(*chart);
            texts.sort();
            return texts;
        }
        std::pair<double, double> Range()
        {
            for (QAbstractAxis* axis : chart->ChartView()->chart()->axes()) {
                if (auto* valueAxis = qobject_cast<QValueAxis*>(axis)) return {valueAxis->min(), valueAxis->max()};
            }
            return {-1, -1};
        }
    };
    const std::vector<std::pair<double, std::string>> before{{30, "Open"}, {20, "Closed"}, {10, ""}, {0, "Rejected"}};
    const std::vector<std::pair<double, std::string>> after{{5, "Open"}, {25, "Closed"}, {7, ""}, {0, "Rejected"}};
    TShownChart refreshed;
    refreshed.Fill(before);
    const QStringList textsBefore = refreshed.Texts();
    const std::pair<double, double> rangeBefore = refreshed.Range();
    refreshed.Fill(after);
    TShownChart fresh;
    fresh.Fill(after);
    EXPECT_EQ(refreshed.Texts(), fresh.Texts());
    EXPECT_NE(refreshed.Texts(), textsBefore);
    EXPECT_TRUE(refreshed.Texts().contains("25"));
    EXPECT_EQ(refreshed.Range(), fresh.Range());
    EXPECT_NE(refreshed.Range(), rangeBefore);
    // Other labels, or another count of points, build the picture anew.
    refreshed.Fill({{3, "Open"}, {4, "New"}});
    fresh.Fill({{3, "Open"}, {4, "New"}});
    EXPECT_EQ(refreshed.Texts(), fresh.Texts());
    EXPECT_FALSE(refreshed.Texts().contains("Closed"));
}

}  // namespace
