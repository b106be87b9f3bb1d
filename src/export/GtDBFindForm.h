#pragma once
// Window: the record search, TfrmFind.
// Asks where to look (one field or all fields), for which value, how to compare (letter case,
// beginning, whole text or any part) and from where (the first or the current record).

#include "export/GtDBFind.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <vector>

class TfrmFind : public TForm {
public:
    explicit TfrmFind(TComponent* owner);
    ~TfrmFind() override;
    const char* ClassName() const noexcept override { return "TfrmFind"; }
    static void RegisterClass();

    TGroupBox* gbFields = nullptr;
    TRadioButton* rbOneField = nullptr;
    TComboBox* cbFields = nullptr;
    TRadioButton* rbAllFields = nullptr;
    TLabel* lblValue = nullptr;
    TEdit* edValue = nullptr;
    TGroupBox* gbOptions = nullptr;
    TCheckBox* cbCaseSensitive = nullptr;
    TComboBox* cbMode = nullptr;
    TRadioGroup* rgPosition = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;

    // Shows the search's settings; the field list takes its entries.
    void LoadFrom(const TGtDBFindDialog& find);
    // Writes the user's choices back into the search's settings.
    void SaveTo(TGtDBFindDialog& find) const;

    // ---- handlers
    void FormCreate(TObject* sender);
    void cbFieldsClick(TObject* sender);

private:
    std::vector<TGtFindFieldEntry> entries_;
};
