#pragma once
// Registers every class of the window layer with the published-property registry, with its
// enumerations and the colour names (clBtnFace, ...), so that form descriptions, language
// files and component streams can make the controls and set their properties by name.
// Harmless to call more than once; the application object calls it when it is created.
void RegisterWindowClasses();
