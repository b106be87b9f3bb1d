// Writing records back to the table file. Appending, posting and deleting are not built yet:
// the operations refuse, so that an edit can be made and cancelled but never half written.

#include "dbf/XbDBFDataSet.h"

#include "platform/db/DBTypes.h"

void TXbSmartDBF::InternalAddRecord(TRecordBuffer, bool)
{
    DatabaseError("TXbSmartDBF.InternalAddRecord: Can not write records yet.");
}

void TXbSmartDBF::InternalPost()
{
    DatabaseError("TXbSmartDBF.InternalPost: Can not write records yet.");
}

void TXbSmartDBF::InternalDeleteRecord()
{
    DatabaseError("TXbSmartDBF.InternalDeleteRecord: Can not write records yet.");
}
