#include "dbf/XbDBTStream.h"

#include "dbf/XbDBFDataSet.h"

TXbDBTStream::TXbDBTStream(TXbSmartDBF& table, TField& field) : table_(&table), field_(&field) {}

int64_t TXbDBTStream::Write(const void* buffer, int64_t count)
{
    modified_ = true;
    return TMemoryStream::Write(buffer, count);
}

void TXbDBTStream::SetSize(int64_t size)
{
    modified_ = true;
    TMemoryStream::SetSize(size);
}

void TXbDBTStream::Commit()
{
    if (!modified_)
        return;
    table_->WriteLob(*this, *field_);
    modified_ = false;
}
