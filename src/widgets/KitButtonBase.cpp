#include "widgets/KitButtonBase.h"

#include "platform/classes/PropertyRegistry.h"

TKitButtonStyleRead KitReadButtonStyle(TKitStoredButtonStyle stored)
{
    switch (stored) {
    case TKitStoredButtonStyle::ubsWinXP:
        return {TKitUserButtonStyle::ubsWin40, true};
    case TKitStoredButtonStyle::ubsWinXPCombo:
        return {TKitUserButtonStyle::ubsCombo, true};
    case TKitStoredButtonStyle::ubsWinXPTool:
        return {TKitUserButtonStyle::ubsExplorer, true};
    default:
        return {static_cast<TKitUserButtonStyle>(stored), false};
    }
}

void RegisterKitButtonStyles()
{
    RegisterEnum<TKitUserButtonStyle>(
        "TKitUserButtonStyle",
        {"ubsWin31", "ubsWin40", "ubsTarvik", "ubsTarvikFlat", "ubsFlat", "ubsFlatUnColored", "ubsNavigator", "ubsExplorer",
         "ubsExplorerColored", "ubsIntegrated", "ubsCombo", "ubsOffice", "ubsOfficeTransp", "ubsWin40Ext"});
    RegisterEnum<TKitStoredButtonStyle>(
        "TKitUserButtonStyle",
        {"ubsWin31", "ubsWin40", "ubsTarvik", "ubsTarvikFlat", "ubsFlat", "ubsFlatUnColored", "ubsNavigator", "ubsExplorer",
         "ubsExplorerColored", "ubsIntegrated", "ubsCombo", "ubsOffice", "ubsOfficeTransp", "ubsWin40Ext", "ubsWinXP",
         "ubsWinXPCombo", "ubsWinXPTool"});
}
