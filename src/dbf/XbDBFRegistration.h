#pragma once
// Publishes the table engine's classes to the property and class registry: the table
// component TXbDBFNTX (created by name from form descriptions) with its owned objects
// (AccessMode, FoxTableFlag, Crypt) and collections (DBFFieldDefs, DBFIndexDefs, IndexData).
// Registers the dataset framework's classes first. Calling it again does nothing.

void RegisterDBFClasses();
