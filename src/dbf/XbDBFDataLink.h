#pragma once
// TXbDataLink: a table's link to its master dataset. With master fields the table shows the
// records whose key equals the master's values in those fields (a key range on the index that
// covers them); without, it moves along with the master record by record.

#include "platform/db/DataSource.h"

class TXbSmartDBF;

class TXbDataLink : public TDataLink {
public:
    explicit TXbDataLink(TXbSmartDBF& table) : table_(table) {}
    const char* ClassName() const noexcept override { return "TXbDataLink"; }
    TXbSmartDBF& Table() const noexcept { return table_; }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    // A change of the master's layout is no move of the master.
    void LayoutChanged() override {}

private:
    TXbSmartDBF& table_;
};
