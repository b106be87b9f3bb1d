#pragma once
// Publishes the NTX index engine's classes (TXbNTXIndex, TXbNTXBag, TXbNTXOrder and the key
// range) to the property registry, after the table engine's, and makes them the item classes of
// the table component's `Indexes` and `DBFIndexDefs`. Calling it again does nothing.

void RegisterDBFIndexClasses();
// Only the item classes (done as soon as the index engine is linked in).
void InstallNTXItemClasses();
