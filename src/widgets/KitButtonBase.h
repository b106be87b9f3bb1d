#pragma once
// Button styles as form descriptions store them. Older descriptions name three themed styles
// that no longer exist; they are read as the classic style of the same shape with the
// button's themed switch (CtlXP) set.

#include "widgets/KitGraph.h"

// The names a stored ButtonStyle may have: the fourteen styles, then the three older ones.
enum class TKitStoredButtonStyle {
    ubsWin31, ubsWin40, ubsTarvik, ubsTarvikFlat, ubsFlat, ubsFlatUnColored, ubsNavigator, ubsExplorer,
    ubsExplorerColored, ubsIntegrated, ubsCombo, ubsOffice, ubsOfficeTransp, ubsWin40Ext,
    ubsWinXP, ubsWinXPCombo, ubsWinXPTool
};

struct TKitButtonStyleRead {
    TKitUserButtonStyle style = TKitUserButtonStyle::ubsWin40;
    // The button's themed switch is to be set.
    bool themed = false;
};

// The style a stored name stands for: ubsWinXP as ubsWin40, ubsWinXPCombo as ubsCombo and
// ubsWinXPTool as ubsExplorer, each themed; the others as they are.
TKitButtonStyleRead KitReadButtonStyle(TKitStoredButtonStyle stored);

// Registers the names of TKitUserButtonStyle and TKitStoredButtonStyle for the form reader.
void RegisterKitButtonStyles();
