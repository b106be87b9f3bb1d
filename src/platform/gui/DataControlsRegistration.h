#pragma once
// Registers the data-aware controls (grid, columns, labels, edits) and the charts with the
// published-property registry, so that form descriptions, language files and grid layout files
// can make them and set their properties by name ("maingrid.Columns.Items(0).Title.Caption").
// Registers the window layer's and the dataset framework's classes first. Harmless to call more than once.
void RegisterDataControlClasses();
