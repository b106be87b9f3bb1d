#pragma once
// Window: the export progress, Tfrm_ProgressForm.
// Shown (not modal) while an export runs when the component asks for progress: a text and a bar
// that counts the rows read.

#include "platform/gui/Forms.h"

class TLabel;
class TProgressBar;

class Tfrm_ProgressForm : public TForm {
public:
    explicit Tfrm_ProgressForm(TComponent* owner);
    ~Tfrm_ProgressForm() override;
    const char* ClassName() const noexcept override { return "Tfrm_ProgressForm"; }
    static void RegisterClass();

    TLabel* ProgressLabel = nullptr;
    TProgressBar* ProgressBar = nullptr;

    // Sizes the window and places the label and the bar: the label at (8, 8) when `text` is
    // not empty, the bar centred in the height left beside it.
    void Arrange(int width, int height, const std::string& caption, const std::string& text, int maximum);
};
