#pragma once
// The grid column setup: the user chooses which columns a data grid shows, in which order, and
// with which title, alignment, background colour, font and width.
//
// The setup items are built from the grid's columns and then from the dataset's fields that no
// column shows; OK applies them to the grid. Both steps run without a window (the functions
// below); TGtSetDBGridDialog puts the window TfrmGridSetup between them.

#include "platform/classes/Components.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class TDBGrid;

// One entry of the setup list. `Position` is the column's index for an entry made from a
// column, the list position for one made from a field. `Width` is in characters (0 = not set).
class TGtGridSetupItem {
public:
    TGtGridSetupItem() = default;
    TGtGridSetupItem(const TGtGridSetupItem&) = delete;
    TGtGridSetupItem& operator=(const TGtGridSetupItem&) = delete;

    int Position = 0;
    std::string FieldName;
    TAlignment TitleAlignment = TAlignment::taLeftJustify;
    std::string TitleCaption;
    TColor TitleColor = clBtnFace;
    TFont TitleFont;
    TAlignment DataAlignment = TAlignment::taLeftJustify;
    TColor DataColor = clWindow;
    TFont DataFont;
    int Width = 0;
    bool Checked = false;

    // The text of the entry in the list: field name, "  :  ", title caption.
    std::string ListText() const { return FieldName + "  :  " + TitleCaption; }
};

using TGtGridSetupItems = std::vector<std::unique_ptr<TGtGridSetupItem>>;

// Converts column widths between pixels and characters of a font: the width of "0" and the
// font's overhang (0 for the fonts drawn here).
struct TGtCharMetrics {
    int ZeroWidth = 8;
    int Overhang = 0;
    // (pixels - overhang - 4) div (width of "0" - overhang); 0 for a width that is not positive.
    int CharactersOf(int pixels) const;
    // (width of "0" - overhang) x characters + overhang + 4.
    int PixelsOf(int characters) const;
    static TGtCharMetrics Of(const TFont& font);
};

// The entries for `grid`: its columns in order, then the dataset's fields that no column shows
// (names compared exactly). A non-empty `allowedFields` limits both to the names it holds.
TGtGridSetupItems GtGridSetupItems(TDBGrid& grid, const TStrings& allowedFields, const TGtCharMetrics& metrics);

// Applies the entries to `grid` inside one layout bracket. A grid with persistent columns gets
// one column per checked entry, in list order. A grid that builds its columns from the fields
// has each entry's field (found by name) moved to the entry's list position, given its caption,
// data alignment, width in characters and visibility; its default columns are rebuilt.
void GtApplyGridSetup(TDBGrid& grid, const TGtGridSetupItems& items, const TGtCharMetrics& metrics);

// Moves entry `from` to position `to` (the others shift); out-of-range positions do nothing.
void GtMoveGridSetupItem(TGtGridSetupItems& items, int from, int to);
// Copies the title alignment, colour and font, the data alignment, colour and font and the width
// (not the caption) of entry `source` to every other checked entry.
void GtApplyToAllGridSetupItems(TGtGridSetupItems& items, int source);

// The colours the two colour combos offer: the sixteen standard colours, the system colours
// from scroll bar to info background, sky blue, money green, cream, and a custom slot as the
// last entry. The title combo and the data combo each have their own custom slot.
enum class TGtColorCombo { ccTitle, ccData };

class TGtColorTable {
public:
    static constexpr int EntryCount = 45;
    static constexpr int CustomEntry = 44;

    TGtColorTable();
    // Entry `index` of a combo (its custom slot at CustomEntry); clBlack outside the table.
    TColor Entry(TGtColorCombo combo, int index) const;
    TColor Custom(TGtColorCombo combo) const { return custom_[static_cast<size_t>(combo)]; }
    void SetCustom(TGtColorCombo combo, TColor color) { custom_[static_cast<size_t>(combo)] = color; }
    // The first entry of the combo holding `color` (the custom slot last); 0 when none does.
    int IndexOf(TGtColorCombo combo, TColor color) const;

private:
    std::array<TColor, CustomEntry> fixed_{};
    std::array<TColor, 2> custom_{clBlack, clBlack};
};

class TGtSetDBGridDialog : public TComponent {
public:
    explicit TGtSetDBGridDialog(TComponent* owner);
    const char* ClassName() const noexcept override { return "TGtSetDBGridDialog"; }

    std::string Caption = "Grid setup";
    TDBGrid* DBGrid() const noexcept { return dbGrid_; }
    void SetDBGrid(TDBGrid* grid);
    // Names of the fields offered; empty = all fields.
    TStringList AllowedFields;
    TNotifyEvent OnBeforeExecute;
    TNotifyEvent OnAfterExecute;
    TNotifyEvent OnShow;

    // Shows the setup window for DBGrid; true when the user pressed OK (the grid then has the
    // new layout). False at once, without OnAfterExecute, for a grid without a dataset.
    bool Execute();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDBGrid* dbGrid_ = nullptr;
};
