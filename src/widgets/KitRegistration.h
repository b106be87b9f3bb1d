#pragma once
// Registers the visual kit's enumerations, settings objects and components with the
// published-property registry, so that form descriptions and language files can set them
// (btn_ok.FontFX.Style = tdRaised). Harmless to call more than once.
void RegisterKitClasses();
