#pragma once
// Window: the export format selection, Tfrm_Selection.
// The export component fills it before each run: the formats it offers, the current one and
// whether the document is only viewed or written to a file. The choices go straight back into
// the component.

#include "platform/gui/Forms.h"

class TButton;
class TComboBox;
class TExCustomExport;
class TGroupBox;
class TImage;
class TImageList;
class TRadioButton;

class Tfrm_Selection : public TForm {
public:
    Tfrm_Selection(TComponent* owner, TExCustomExport& exporter);
    ~Tfrm_Selection() override;
    const char* ClassName() const noexcept override { return "Tfrm_Selection"; }
    static void RegisterClass();

    TGroupBox* GroupBox = nullptr;
    TComboBox* SelectionCombo = nullptr;
    TRadioButton* rdo_View = nullptr;
    TRadioButton* rdo_File = nullptr;
    TImage* IconImage = nullptr;
    TButton* btn_Selection = nullptr;
    TButton* btn_Cancel = nullptr;
    TImageList* ImageList = nullptr;

    // Fills the texts, the format list and the radios from the component.
    void Prepare();

    // ---- handlers
    // A format chosen: the component's format follows it; the radios are off for the clipboard.
    void SelectionComboChange(TObject* sender);
    // A radio clicked: view (Tag 10) or file (Tag 20).
    void rdo_Click(TObject* sender);

private:
    void PaintIcon();
    TExCustomExport& exporter_;
};
