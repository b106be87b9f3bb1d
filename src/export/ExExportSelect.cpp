#include "export/ExExportSelect.h"

#include "export/ExExport.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/KitCustomButton.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <array>

namespace {

template <class T>
T* FindControl(const TComponent& form, const char* name)
{
    auto* component = dynamic_cast<T*>(form.FindComponent(name));
    if (component == nullptr) {
        throw EComponentError(std::string("Tfrm_Selection: component ") + name + " not found");
    }
    return component;
}

struct FormatEntry {
    const char* text;
    TExExportType type;
    int image;
};

// The entries of the format list, in the order they are offered, with their icon.
constexpr std::array<FormatEntry, 10> kFormatEntries{{
    {"HTML", TExExportType::xtHTML, 2},
    {"Microsoft Word", TExExportType::xtWord, 4},
    {"Microsoft Excel", TExExportType::xtExcel, 5},
    {"Text", TExExportType::xtTXT, 3},
    {"Rich Text", TExExportType::xtRTF, 0},
    {"Comma-Separated Text", TExExportType::xtCSV, 1},
    {"Tab-Separated Text", TExExportType::xtTAB, 6},
    {"Data Interchange Format", TExExportType::xtDIF, 6},
    {"SYLK Format", TExExportType::xtSYLK, 6},
    {"Clipboard", TExExportType::xtClipboard, 7},
}};

constexpr const char* kClipboardEntry = "Clipboard";

// The eight format icons: a page in the format's colour with its short name.
QImage FormatIcon(int index)
{
    struct Look {
        QRgb color;
        const char* label;
    };
    static constexpr std::array<Look, 8> looks{{
        {0xFF8E44AD, "RTF"}, {0xFF27AE60, "CSV"}, {0xFFE67E22, "HTM"}, {0xFF7F8C8D, "TXT"},
        {0xFF2E64C8, "DOC"}, {0xFF1E8449, "XLS"}, {0xFF5D6D7E, "DAT"}, {0xFFB03A2E, "CLP"},
    }};
    QImage image(31, 31, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(Qt::white);
    painter.drawRect(4, 1, 22, 28);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(looks[static_cast<size_t>(index)].color));
    painter.drawRect(1, 14, 29, 12);
    QFont font("DejaVu Sans");
    font.setPixelSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(1, 14, 29, 12), Qt::AlignCenter, looks[static_cast<size_t>(index)].label);
    return image;
}

}  // namespace

Tfrm_Selection::Tfrm_Selection(TComponent* owner, TExCustomExport& exporter) : TForm(owner), exporter_(exporter)
{
    RegisterClass();
    LoadForm();
    GroupBox = FindControl<TGroupBox>(*this, "GroupBox");
    SelectionCombo = FindControl<TComboBox>(*this, "SelectionCombo");
    rdo_View = FindControl<TRadioButton>(*this, "rdo_View");
    rdo_File = FindControl<TRadioButton>(*this, "rdo_File");
    IconImage = FindControl<TImage>(*this, "IconImage");
    btn_Selection = FindControl<TButton>(*this, "btn_Selection");
    btn_Cancel = FindControl<TButton>(*this, "btn_Cancel");
    ImageList = FindControl<TImageList>(*this, "ImageList");
    for (int i = 0; i < 8; ++i) {
        ImageList->Add(FormatIcon(i));
    }
}

Tfrm_Selection::~Tfrm_Selection()
{
    DoDestroy();
}

void Tfrm_Selection::RegisterClass()
{
    RegisterKitButtonClasses();
    using F = Tfrm_Selection;
    TClassRegistration<F, TForm>("Tfrm_Selection")
        .Handler("SelectionComboChange", &F::SelectionComboChange)
        .Handler("rdo_Click", &F::rdo_Click);
}

void Tfrm_Selection::Prepare()
{
    const TExMessagesOptions& messages = exporter_.Messages;
    SetCaption(messages.Caption);
    btn_Selection->SetCaption(messages.ExportCaption);
    btn_Cancel->SetCaption(messages.CancelCaption);
    GroupBox->SetCaption(" " + messages.SelectFormat + " ");

    exporter_.SetExportTypes(exporter_.ExportTypes());
    TStrings& items = SelectionCombo->Items();
    items.Clear();
    int selected = -1;
    for (const FormatEntry& entry : kFormatEntries) {
        if (!exporter_.ExportTypes().Contains(entry.type)) {
            continue;
        }
        const int index = items.Add(entry.text);
        if (entry.type == exporter_.ExportType()) {
            selected = index;
        }
    }
    SelectionCombo->SetItemIndex(selected);
    SelectionCombo->SetDropDownCount(items.Count());

    rdo_View->SetCaption(messages.ViewOnly);
    rdo_File->SetCaption(messages.ExportToFile);
    const TExExportStyle style = exporter_.ExportStyle;
    rdo_View->SetChecked(style == TExExportStyle::xsView);
    rdo_File->SetChecked(style == TExExportStyle::xsFile);
    exporter_.ExportStyle = style;
    SelectionComboChange(SelectionCombo);
}

void Tfrm_Selection::SelectionComboChange(TObject*)
{
    const std::string text = SelectionCombo->Text();
    for (const FormatEntry& entry : kFormatEntries) {
        if (text == entry.text) {
            exporter_.SetExportType(entry.type);
        }
    }
    const bool clipboard = text == kClipboardEntry;
    rdo_View->SetEnabled(!clipboard);
    rdo_File->SetEnabled(!clipboard);
    PaintIcon();
}

void Tfrm_Selection::rdo_Click(TObject* sender)
{
    const auto* radio = dynamic_cast<const TComponent*>(sender);
    if (radio == nullptr) {
        return;
    }
    if (radio->Tag() == 10) {
        exporter_.ExportStyle = TExExportStyle::xsView;
    } else if (radio->Tag() == 20) {
        exporter_.ExportStyle = TExExportStyle::xsFile;
    }
}

void Tfrm_Selection::PaintIcon()
{
    int image = -1;
    for (const FormatEntry& entry : kFormatEntries) {
        if (entry.type == exporter_.ExportType()) {
            image = entry.image;
        }
    }
    QImage picture(IconImage->Width(), IconImage->Height(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    if (image >= 0) {
        QPainter painter(&picture);
        painter.drawImage(0, 0, ImageList->Image(image));
    }
    IconImage->Picture().SetImage(picture);
}
