#include "platform/db/DBRegistration.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"

void RegisterDBClasses()
{
    RegisterEnum<TFilterOption>("TFilterOption", {"foCaseInsensitive", "foNoPartialCompare"});

    TClassRegistration<TDataSet, TComponent>("TDataSet")
        .Boolean("Active", &TDataSet::Active, &TDataSet::SetActive, false)
        .String("Filter", &TDataSet::Filter, &TDataSet::SetFilter)
        .Boolean("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered, false)
        .Set<TFilterOption>(
            "FilterOptions", [](TDataSet& dataSet) { return uint64_t{dataSet.FilterOptions().Bits()}; },
            [](TDataSet& dataSet, uint64_t bits) {
                TFilterOptions options;
                if (bits & 1u) options.Include(TFilterOption::foCaseInsensitive);
                if (bits & 2u) options.Include(TFilterOption::foNoPartialCompare);
                dataSet.SetFilterOptions(options);
            })
        .Event("BeforeOpen", &TDataSet::BeforeOpen)
        .Event("AfterOpen", &TDataSet::AfterOpen)
        .Event("BeforeClose", &TDataSet::BeforeClose)
        .Event("AfterClose", &TDataSet::AfterClose)
        .Event("BeforeInsert", &TDataSet::BeforeInsert)
        .Event("AfterInsert", &TDataSet::AfterInsert)
        .Event("BeforeEdit", &TDataSet::BeforeEdit)
        .Event("AfterEdit", &TDataSet::AfterEdit)
        .Event("BeforePost", &TDataSet::BeforePost)
        .Event("AfterPost", &TDataSet::AfterPost)
        .Event("BeforeCancel", &TDataSet::BeforeCancel)
        .Event("AfterCancel", &TDataSet::AfterCancel)
        .Event("BeforeDelete", &TDataSet::BeforeDelete)
        .Event("AfterDelete", &TDataSet::AfterDelete)
        .Event("BeforeScroll", &TDataSet::BeforeScroll)
        .Event("AfterScroll", &TDataSet::AfterScroll)
        .Event("OnNewRecord", &TDataSet::OnNewRecord)
        .Event("OnCalcFields", &TDataSet::OnCalcFields)
        .Event("OnFilterRecord", &TDataSet::OnFilterRecord);

    TClassRegistration<TDataSource, TComponent>("TDataSource")
        .Component()
        .Reference("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
        .Boolean("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true)
        .Boolean("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit, true)
        .Event("OnDataChange", &TDataSource::OnDataChange)
        .Event("OnStateChange", &TDataSource::OnStateChange)
        .Event("OnUpdateData", &TDataSource::OnUpdateData);
}
