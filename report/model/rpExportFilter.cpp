#include "rpExportFilter.h"

#include "rpRegistry.h"

TrpCustomExportFilter::TrpCustomExportFilter(TComponent* owner) : TComponent(owner) {}

TrpCustomExportFilter::~TrpCustomExportFilter()
{
    GetExportFilters().Unregister(this);
}

std::string TrpCustomExportFilter::GetDescription() const
{
    return ClassName();
}

void TrpCustomExportFilter::Publish(TClassBuilder<TrpCustomExportFilter>& b)
{
    using F = TrpCustomExportFilter;
    b.property("CurPage", &F::CurPage).defaultValue(false);
    b.property("FileName", &F::FileName);
    b.property("PageNumbers", &F::PageNumbers);
    b.property("ShowDialog", &F::ShowDialog).defaultValue(true);
    b.property("ShowProgress", &F::ShowProgress).defaultValue(true);
}
