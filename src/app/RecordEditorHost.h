#pragma once
// The host through which the list, contact and code-database editors reach the main window.
// Their other helpers are the shared editor helpers of EditorSupport.h.

#include "app/EditorSupport.h"

#include <functional>
#include <string>

class TDataSet;
class Tmainfrm;

// What a small record editor uses of the main window.
struct TRecordEditorHost : TEditorHost {
    TDataSet* Table = nullptr;  // the table the editor writes
};

// The host of an editor opened by the main window `window` to write `table`.
TRecordEditorHost MainWindowEditorHost(Tmainfrm& window, TDataSet* table);
