// The grid column setup window: the entry list with its drag reordering and popup, the
// editors of the selected entry, the colour combos and the font and colour dialogs.

#include "export/GtDBGSetForm.h"

#include "platform/classes/FormReader.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/SysUtils.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <utility>

// Reorders the entries by dragging: a press on an entry, a move of the mouse beyond the drag
// distance with the button held, and the release over another entry drop the pressed entry
// there. While the button is held the list does not follow the mouse with its selection.
class TGtSetupListDrag : public QObject {
public:
    explicit TGtSetupListDrag(TfrmGridSetup& window) : window_(window)
    {
        window_.clbFields->ListWidget()->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                start_ = mouse->position().toPoint();
                pressed_ = true;
                dragging_ = false;
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!pressed_ || !(mouse->buttons() & Qt::LeftButton)) {
                return false;
            }
            if (!dragging_ && (mouse->position().toPoint() - start_).manhattanLength() >= QApplication::startDragDistance()) {
                bool accept = false;
                window_.clbFieldsDragOver(window_.clbFields, window_.clbFields, start_.x(), start_.y(), accept);
                dragging_ = accept;
            }
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const bool dropped = pressed_ && dragging_ && mouse->button() == Qt::LeftButton;
            pressed_ = false;
            dragging_ = false;
            if (!dropped) {
                return false;
            }
            const QPoint at = mouse->position().toPoint();
            RunUserHandler([&] { window_.clbFieldsDragDrop(window_.clbFields, window_.clbFields, at.x(), at.y()); });
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    TfrmGridSetup& window_;
    QPoint start_;
    bool pressed_ = false;
    bool dragging_ = false;
};

TfrmGridSetup::TfrmGridSetup(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    clbFields = Control<TCheckListBox>("clbFields");
    pmColumns = Control<TPopupMenu>("pmColumns");
    miSelectAll = Control<TMenuItem>("miSelectAll");
    miUnselectAll = Control<TMenuItem>("miUnselectAll");
    miInvertSelection = Control<TMenuItem>("miInvertSelection");
    gbTitle = Control<TGroupBox>("gbTitle");
    lblTitleCaption = Control<TLabel>("lblTitleCaption");
    edTitleCaption = Control<TEdit>("edTitleCaption");
    lblTitleAlignment = Control<TLabel>("lblTitleAlignment");
    cbTitleAlignment = Control<TComboBox>("cbTitleAlignment");
    lblTitleColor = Control<TLabel>("lblTitleColor");
    GtColorsCBTitle = Control<TComboBox>("GtColorsCBTitle");
    lblTitleFont = Control<TLabel>("lblTitleFont");
    edTitleFont = Control<TEdit>("edTitleFont");
    btnTitleFont = Control<TButton>("btnTitleFont");
    gbData = Control<TGroupBox>("gbData");
    lblDataAlignment = Control<TLabel>("lblDataAlignment");
    cbDataAlignment = Control<TComboBox>("cbDataAlignment");
    lblDataColor = Control<TLabel>("lblDataColor");
    GtColorsCBData = Control<TComboBox>("GtColorsCBData");
    lblDataFont = Control<TLabel>("lblDataFont");
    edDataFont = Control<TEdit>("edDataFont");
    btnDataFont = Control<TButton>("btnDataFont");
    lblWidth = Control<TLabel>("lblWidth");
    edWidth = Control<TEdit>("edWidth");
    lblCharacters = Control<TLabel>("lblCharacters");
    btnApplyAll = Control<TButton>("btnApplyAll");
    btnOk = Control<TButton>("btnOk");
    btnCancel = Control<TButton>("btnCancel");
    FontDlg = Control<TFontDialog>("FontDlg");
    ColorDlg = Control<TColorDialog>("ColorDlg");

    for (TComboBox* combo : {GtColorsCBTitle, GtColorsCBData}) {
        for (int i = 0; i < TGtColorTable::EntryCount; ++i) {
            combo->Items().Add("");
        }
        PaintSwatches(*combo);
    }
    drag_ = std::make_unique<TGtSetupListDrag>(*this);
}

TfrmGridSetup::~TfrmGridSetup()
{
    drag_.reset();
    DoDestroy();
}

void TfrmGridSetup::RegisterClass()
{
    using F = TfrmGridSetup;
    TClassRegistration<F, TForm>("TfrmGridSetup")
        .Component()
        .Handler("clbFieldsClick", &F::clbFieldsClick)
        .Handler("PropertyExit", &F::PropertyExit)
        .Handler("edTitleFontButtonClick", &F::edTitleFontButtonClick)
        .Handler("miSelectAllClick", &F::miSelectAllClick)
        .Handler("GtColorsCBTitleClick", &F::GtColorsCBTitleClick)
        .Handler("GtColorsCBTitleChange", &F::GtColorsCBTitleChange)
        .Handler("btnApplyAllClick", &F::btnApplyAllClick)
        .Handler("btnOkClick", &F::btnOkClick);
}

template <class T>
T* TfrmGridSetup::Control(const char* name) const
{
    auto* component = dynamic_cast<T*>(FindComponent(name));
    if (component == nullptr) {
        throw EComponentError(std::string("TfrmGridSetup: component ") + name + " not found");
    }
    return component;
}

// ---------------------------------------------------------------------------------------------
// The list

void TfrmGridSetup::LoadItems(TGtGridSetupItems items)
{
    Items = std::move(items);
    ShowItemsInList();
    clbFields->SetItemIndex(Items.empty() ? -1 : 0);
    ShowEntry(Selected());
}

void TfrmGridSetup::ShowItemsInList()
{
    TStrings& lines = clbFields->Items();
    lines.BeginUpdate();
    lines.Clear();
    for (const auto& item : Items) {
        lines.Add(item->ListText());
    }
    lines.EndUpdate();
    for (size_t i = 0; i < Items.size(); ++i) {
        clbFields->SetChecked(static_cast<int>(i), Items[i]->Checked);
    }
}

void TfrmGridSetup::ReadChecks()
{
    for (size_t i = 0; i < Items.size() && static_cast<int>(i) < clbFields->Count(); ++i) {
        Items[i]->Checked = clbFields->Checked(static_cast<int>(i));
    }
}

int TfrmGridSetup::Selected() const
{
    const int index = clbFields->ItemIndex();
    return index >= 0 && index < static_cast<int>(Items.size()) ? index : -1;
}

TGtGridSetupItem* TfrmGridSetup::SelectedItem() const
{
    const int index = Selected();
    return index >= 0 ? Items[static_cast<size_t>(index)].get() : nullptr;
}

void TfrmGridSetup::clbFieldsClick(TObject*)
{
    ShowEntry(Selected());
}

void TfrmGridSetup::clbFieldsDragOver(TObject*, TObject* source, int, int, bool& accept)
{
    accept = source == clbFields;
}

void TfrmGridSetup::clbFieldsDragDrop(TObject*, TObject* source, int x, int y)
{
    if (source != clbFields) {
        return;
    }
    const int from = Selected();
    QListWidgetItem* under = clbFields->ListWidget()->itemAt(QPoint(x, y));
    const int to = under != nullptr ? clbFields->ListWidget()->row(under) : -1;
    if (from < 0 || to < 0 || from == to) {
        return;
    }
    ReadChecks();
    GtMoveGridSetupItem(Items, from, to);
    ShowItemsInList();
    clbFields->SetItemIndex(to);
    ShowEntry(to);
}

void TfrmGridSetup::miSelectAllClick(TObject* sender)
{
    const auto* item = dynamic_cast<TComponent*>(sender);
    const int tag = item != nullptr ? item->Tag() : 0;
    for (int i = 0; i < clbFields->Count(); ++i) {
        switch (tag) {
        case 0: clbFields->SetChecked(i, true); break;
        case 1: clbFields->SetChecked(i, false); break;
        case 2: clbFields->SetChecked(i, !clbFields->Checked(i)); break;
        default: break;
        }
    }
    ReadChecks();
}

void TfrmGridSetup::btnApplyAllClick(TObject*)
{
    if (TWinControl* active = ActiveControl()) {
        StoreEditor(active->Tag());
    }
    ReadChecks();
    GtApplyToAllGridSetupItems(Items, Selected());
}

void TfrmGridSetup::btnOkClick(TObject*)
{
    // Enter on the default button leaves the focused editor without its OnExit: its value is
    // stored here, so that what the user typed last is not lost.
    if (TWinControl* active = ActiveControl()) {
        StoreEditor(active->Tag());
    }
    ReadChecks();
}

// ---------------------------------------------------------------------------------------------
// The editors

void TfrmGridSetup::ShowFont(TEdit& edit, const TFont& font)
{
    edit.Font().Assign(font);
    edit.SetText(font.Name() + ", " + std::to_string(font.Size()));
}

void TfrmGridSetup::ColourFontEdits()
{
    edTitleFont->SetColor(Colors.Entry(TGtColorCombo::ccTitle, GtColorsCBTitle->ItemIndex()));
    edDataFont->SetColor(Colors.Entry(TGtColorCombo::ccData, GtColorsCBData->ItemIndex()));
}

void TfrmGridSetup::ShowEntry(int index)
{
    if (index < 0 || index >= static_cast<int>(Items.size())) {
        return;
    }
    const TGtGridSetupItem& item = *Items[static_cast<size_t>(index)];
    edTitleCaption->SetText(item.TitleCaption);
    cbTitleAlignment->SetItemIndex(static_cast<int>(item.TitleAlignment));
    cbDataAlignment->SetItemIndex(static_cast<int>(item.DataAlignment));
    // The custom slots take the entry's colours before the combos look for them, so that a
    // colour outside the table shows (and stays) as the custom colour rather than as black.
    Colors.SetCustom(TGtColorCombo::ccTitle, item.TitleColor);
    Colors.SetCustom(TGtColorCombo::ccData, item.DataColor);
    PaintSwatches(*GtColorsCBTitle);
    PaintSwatches(*GtColorsCBData);
    GtColorsCBTitle->SetItemIndex(Colors.IndexOf(TGtColorCombo::ccTitle, item.TitleColor));
    GtColorsCBData->SetItemIndex(Colors.IndexOf(TGtColorCombo::ccData, item.DataColor));
    ShowFont(*edTitleFont, item.TitleFont);
    ShowFont(*edDataFont, item.DataFont);
    edWidth->SetText(std::to_string(item.Width));
    ColourFontEdits();
}

void TfrmGridSetup::StoreEditor(int tag)
{
    TGtGridSetupItem* item = SelectedItem();
    if (item == nullptr) {
        return;
    }
    switch (tag) {
    case 1: {
        item->TitleCaption = edTitleCaption->Text();
        const int index = Selected();
        const bool checked = clbFields->Checked(index);
        clbFields->Items().SetStrings(index, item->ListText());
        clbFields->SetChecked(index, checked);
        break;
    }
    case 2: item->TitleAlignment = static_cast<TAlignment>(std::max(cbTitleAlignment->ItemIndex(), 0)); break;
    case 3: item->TitleColor = Colors.Entry(TGtColorCombo::ccTitle, GtColorsCBTitle->ItemIndex()); break;
    case 4: item->TitleFont.Assign(edTitleFont->Font()); break;
    case 5: item->DataAlignment = static_cast<TAlignment>(std::max(cbDataAlignment->ItemIndex(), 0)); break;
    case 6: item->DataColor = Colors.Entry(TGtColorCombo::ccData, GtColorsCBData->ItemIndex()); break;
    case 7: item->DataFont.Assign(edDataFont->Font()); break;
    case 8:
    case 9: item->Width = std::max(StrToIntDef(edWidth->Text(), 0), 0); break;
    case 10: item->Width = 10; break;
    default: break;
    }
}

void TfrmGridSetup::PropertyExit(TObject* sender)
{
    if (const auto* editor = dynamic_cast<TComponent*>(sender)) {
        StoreEditor(editor->Tag());
    }
}

void TfrmGridSetup::edTitleFontButtonClick(TObject* sender)
{
    const bool title = sender == btnTitleFont;
    TEdit& edit = title ? *edTitleFont : *edDataFont;
    FontDlg->Font.Assign(edit.Font());
    if (!FontDlg->Execute()) {
        return;
    }
    ShowFont(edit, FontDlg->Font);
    StoreEditor(edit.Tag());
}

// ---------------------------------------------------------------------------------------------
// The colour combos

TGtColorCombo TfrmGridSetup::ComboKind(const TComboBox& combo) const
{
    return &combo == GtColorsCBData ? TGtColorCombo::ccData : TGtColorCombo::ccTitle;
}

void TfrmGridSetup::GtColorsCBTitleDrawItem(TWinControl* control, int index, const TRect& rect, TCanvas& canvas)
{
    const auto* combo = dynamic_cast<TComboBox*>(control);
    if (combo == nullptr) {
        return;
    }
    const TRect frame{rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2};
    canvas.Brush().SetColor(clWindowFrame);
    canvas.FrameRect(frame);
    canvas.Brush().SetColor(Colors.Entry(ComboKind(*combo), index));
    canvas.FillRect(TRect{frame.Left + 1, frame.Top + 1, frame.Right - 1, frame.Bottom - 1});
}

void TfrmGridSetup::PaintSwatches(TComboBox& combo)
{
    QComboBox* widget = combo.ComboWidget();
    const QSize size(std::max(combo.Width() - 28, 16), std::max(combo.Height() - 6, 8));
    widget->setIconSize(size);
    for (int i = 0; i < widget->count(); ++i) {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        TCanvas canvas;
        canvas.SetPainter(&painter);
        GtColorsCBTitleDrawItem(&combo, i, TRect{0, 0, size.width(), size.height()}, canvas);
        canvas.SetPainter(nullptr);
        painter.end();
        widget->setItemIcon(i, QIcon(picture));
    }
}

void TfrmGridSetup::GtColorsCBTitleChange(TObject*)
{
    ColourFontEdits();
}

void TfrmGridSetup::GtColorsCBTitleClick(TObject* sender)
{
    auto* combo = dynamic_cast<TComboBox*>(sender);
    if (combo == nullptr || combo->ItemIndex() != TGtColorTable::CustomEntry) {
        return;
    }
    const TGtColorCombo kind = ComboKind(*combo);
    ColorDlg->Color = Colors.Custom(kind);
    if (!ColorDlg->Execute()) {
        return;
    }
    Colors.SetCustom(kind, ColorDlg->Color);
    PaintSwatches(*combo);
    ColourFontEdits();
}
