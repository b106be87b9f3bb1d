#include "export/ExExportProgress.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/ProgressBar.h"
#include "platform/gui/StdCtrls.h"

#include <algorithm>

Tfrm_ProgressForm::Tfrm_ProgressForm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    ProgressLabel = dynamic_cast<TLabel*>(FindComponent("ProgressLabel"));
    ProgressBar = dynamic_cast<TProgressBar*>(FindComponent("ProgressBar"));
    if (ProgressLabel == nullptr || ProgressBar == nullptr) {
        throw EComponentError("Tfrm_ProgressForm: its label or bar is missing");
    }
}

Tfrm_ProgressForm::~Tfrm_ProgressForm()
{
    DoDestroy();
}

void Tfrm_ProgressForm::RegisterClass()
{
    TClassRegistration<Tfrm_ProgressForm, TForm>("Tfrm_ProgressForm");
}

void Tfrm_ProgressForm::Arrange(int width, int height, const std::string& caption, const std::string& text, int maximum)
{
    SetClientWidth(width);
    SetClientHeight(height);
    SetCaption(caption);
    ProgressBar->SetLeft(8);
    ProgressBar->SetWidth(std::max(0, ClientWidth() - 16));
    ProgressBar->SetPosition(0);
    ProgressBar->SetMax(std::max(0, maximum));
    if (!text.empty()) {
        ProgressLabel->SetVisible(true);
        ProgressLabel->SetLeft(8);
        ProgressLabel->SetTop(8);
        ProgressLabel->SetCaption(text);
        const int rest = ClientHeight() - ProgressLabel->Height() - ProgressBar->Height() - 16;
        ProgressBar->SetTop(8 + ProgressLabel->Height() + std::max(0, rest / 2));
    } else {
        ProgressLabel->SetVisible(false);
        ProgressBar->SetTop(std::max(0, (ClientHeight() - ProgressBar->Height()) / 2));
    }
}
