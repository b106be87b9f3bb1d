#pragma once
// The check that every text of a window shows whole at the window's size: each caption of a
// label, button, check box, radio button, group box, tool button and page tab is measured with
// the font it is drawn in against the control that holds it, and each such control must lie
// inside every control around it and must not be covered by a sibling. The texts must be drawn
// in the DejaVu fonts the dependency script installs, so the measures are the user's.
//
// Every test program with windows can run it on its forms:
//     EXPECT_THAT(CutTexts(form), ::testing::IsEmpty());
// Controls hidden at design time (Visible false, or inside a hidden control) are left out; the
// texts of pages that are not active are checked all the same.

#include <string>
#include <vector>

class TCustomForm;

// One line per text that does not show whole: the control's name, its text and why.
std::vector<std::string> CutTexts(const TCustomForm& form);
