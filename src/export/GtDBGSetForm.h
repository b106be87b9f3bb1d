#pragma once
// Window: the grid column setup, TfrmGridSetup.
// A check list of the grid's columns and fields (drag an entry to reorder it, the popup checks
// all, none or the inverse), and the editors of the selected entry: title caption, alignment,
// background and font, data alignment, background and font, and width in characters. An
// editor stores its value in the entry when the user leaves it (PropertyExit, by the editor's
// Tag); OK stores the editor that still has the focus.

#include "export/GtDBGSet.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CheckLst.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"

#include <memory>

class TGtSetupListDrag;

class TfrmGridSetup : public TForm {
public:
    explicit TfrmGridSetup(TComponent* owner);
    ~TfrmGridSetup() override;
    const char* ClassName() const noexcept override { return "TfrmGridSetup"; }
    static void RegisterClass();

    TCheckListBox* clbFields = nullptr;
    TPopupMenu* pmColumns = nullptr;
    TMenuItem* miSelectAll = nullptr;
    TMenuItem* miUnselectAll = nullptr;
    TMenuItem* miInvertSelection = nullptr;
    TGroupBox* gbTitle = nullptr;
    TLabel* lblTitleCaption = nullptr;
    TEdit* edTitleCaption = nullptr;
    TLabel* lblTitleAlignment = nullptr;
    TComboBox* cbTitleAlignment = nullptr;
    TLabel* lblTitleColor = nullptr;
    TComboBox* GtColorsCBTitle = nullptr;
    TLabel* lblTitleFont = nullptr;
    TEdit* edTitleFont = nullptr;
    TButton* btnTitleFont = nullptr;
    TGroupBox* gbData = nullptr;
    TLabel* lblDataAlignment = nullptr;
    TComboBox* cbDataAlignment = nullptr;
    TLabel* lblDataColor = nullptr;
    TComboBox* GtColorsCBData = nullptr;
    TLabel* lblDataFont = nullptr;
    TEdit* edDataFont = nullptr;
    TButton* btnDataFont = nullptr;
    TLabel* lblWidth = nullptr;
    TEdit* edWidth = nullptr;
    TLabel* lblCharacters = nullptr;
    TButton* btnApplyAll = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;
    TFontDialog* FontDlg = nullptr;
    TColorDialog* ColorDlg = nullptr;

    // The entries the window edits, in list order, and the colours of the two colour combos.
    TGtGridSetupItems Items;
    TGtColorTable Colors;

    // Shows `items` in the list (their check marks included) and selects the first entry.
    void LoadItems(TGtGridSetupItems items);
    // The selected entry, or -1.
    int Selected() const;

    // ---- handlers
    void clbFieldsClick(TObject* sender);
    void clbFieldsDragOver(TObject* sender, TObject* source, int x, int y, bool& accept);
    void clbFieldsDragDrop(TObject* sender, TObject* source, int x, int y);
    void PropertyExit(TObject* sender);
    void edTitleFontButtonClick(TObject* sender);
    void GtColorsCBTitleDrawItem(TWinControl* control, int index, const TRect& rect, TCanvas& canvas);
    void miSelectAllClick(TObject* sender);
    void GtColorsCBTitleClick(TObject* sender);
    void GtColorsCBTitleChange(TObject* sender);
    void btnApplyAllClick(TObject* sender);
    void btnOkClick(TObject* sender);

private:
    template <class T>
    T* Control(const char* name) const;
    TGtGridSetupItem* SelectedItem() const;
    // Loads the values of entry `index` into the editors.
    void ShowEntry(int index);
    // Stores the value of the editor with that Tag in the selected entry.
    void StoreEditor(int tag);
    // The check marks of the list into the entries.
    void ReadChecks();
    void ShowItemsInList();
    void ShowFont(TEdit& edit, const TFont& font);
    void ColourFontEdits();
    void PaintSwatches(TComboBox& combo);
    TGtColorCombo ComboKind(const TComboBox& combo) const;

    std::unique_ptr<TGtSetupListDrag> drag_;
};
