// A form description with a data-aware grid and its columns, a data-aware label and a chart
// with its series: the reader makes them, sets their properties and binds their handlers.

#include "DataControlsTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/gui/Charts.h"
#include "platform/gui/DBCtrls.h"
#include "platform/gui/DBGrids.h"

#include <QAbstractScrollArea>
#include <QTest>

namespace {

constexpr const char* description = R"(object Tdatafrm: Tdatafrm
  Caption = 'Data'
  Width = 600
  Height = 420
  object source: TDataSource
  end
  object maingrid: TDBGrid
    Left = 0
    Top = 0
    Width = 400
    Height = 200
    DataSource = source
    FixedColor = clSilver
    Options = [dgTitles, dgIndicator, dgColLines, dgRowLines, dgRowSelect, dgAlwaysShowSelection]
    TitleFont.Style = [fsBold]
    Columns = <
      item
        FieldName = 'NAME'
        Title.Caption = 'Name'
        Width = 120
      end
      item
        FieldName = 'ID'
        Color = clYellow
      end>
    OnCellClick = maingridCellClick
    OnDrawColumnCell = maingridDrawColumnCell
  end
  object statproduct: TDBText
    Left = 0
    Top = 210
    Width = 100
    Height = 16
    DataSource = source
    DataField = 'NAME'
  end
  object chart: TChart
    Left = 0
    Top = 230
    Width = 400
    Height = 180
    Title.Text.Strings = (
      'Status report')
    object HorizBarSeries1: THorizBarSeries
      ColorEachPoint = True
      Marks.Visible = True
    end
  end
end
)";

class Tdatafrm : public TForm {
public:
    explicit Tdatafrm(TComponent* owner) : TForm(owner) { LoadFormText(description, "Tdatafrm.form"); }
    const char* ClassName() const noexcept override { return "Tdatafrm"; }

    static void RegisterClass()
    {
        TClassRegistration<Tdatafrm, TForm>("Tdatafrm")
            .Handler("maingridCellClick", &Tdatafrm::maingridCellClick)
            .Handler("maingridDrawColumnCell", &Tdatafrm::maingridDrawColumnCell);
    }

    void maingridCellClick(TColumn* column) { clicked.push_back(column->FieldName()); }
    void maingridDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state)
    {
        ++drawn;
    }

    std::vector<std::string> clicked;
    int drawn = 0;
};

TEST(DataControlsForm, DescriptionMakesGridColumnsLabelAndChart)
{
    TestApplication();
    RegisterDataControlClasses();
    Tdatafrm::RegisterClass();
    auto form = std::make_unique<Tdatafrm>(nullptr);
    auto* grid = dynamic_cast<TDBGrid*>(form->FindComponent("maingrid"));
    auto* label = dynamic_cast<TDBText*>(form->FindComponent("statproduct"));
    auto* chart = dynamic_cast<TChart*>(form->FindComponent("chart"));
    auto* series = dynamic_cast<THorizBarSeries*>(form->FindComponent("HorizBarSeries1"));
    auto* source = dynamic_cast<TDataSource*>(form->FindComponent("source"));
    ASSERT_TRUE(grid && label && chart && series && source);

    EXPECT_EQ(grid->DataSource(), source);
    EXPECT_EQ(grid->FixedColor(), clSilver);
    EXPECT_TRUE(grid->Options().Contains(TDBGridOption::dgRowSelect));
    EXPECT_FALSE(grid->Options().Contains(TDBGridOption::dgEditing));
    EXPECT_TRUE(grid->TitleFont().Style().Contains(TFontStyle::fsBold));
    ASSERT_EQ(grid->Columns().Count(), 2);
    EXPECT_EQ(grid->Columns().State(), TDBGridColumnsState::csCustomized);
    EXPECT_EQ(grid->Columns()[0]->Title().Caption(), "Name");
    EXPECT_EQ(grid->Columns()[0]->Width(), 120);
    EXPECT_EQ(grid->Columns()[1]->Color(), clYellow);
    EXPECT_EQ(chart->Title().Text().Strings(0), "Status report");
    EXPECT_EQ(series->ParentChart(), chart);
    EXPECT_TRUE(series->ColorEachPoint());

    auto table = MakeRecords(8);
    table->Open();
    source->SetDataSet(table.get());
    form->Show();
    EXPECT_EQ(grid->Columns().Count(), 2);
    EXPECT_EQ(grid->CellText(0, 0), "R1");
    EXPECT_EQ(label->Caption(), "R1");
    auto* viewport = static_cast<QAbstractScrollArea*>(grid->Widget())->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, grid->CellRect(2, 1).ToQRect().center());
    EXPECT_EQ(form->clicked, std::vector<std::string>{"ID"});
    EXPECT_EQ(label->Caption(), "R3");
    viewport->grab();
    EXPECT_GT(form->drawn, 0);
    form.reset();
}

}  // namespace
