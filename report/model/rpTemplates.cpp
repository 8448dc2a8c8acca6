#include "rpTemplates.h"

#include "Streams.h"
#include "rpEmbedded.h"
#include "rpReport.h"

bool LoadReportTemplate(TrpReport& report, std::string_view name)
{
    const std::string_view xml = FindEmbeddedResource(name);
    if (xml.empty()) return false;
    TStringStream stream{std::string(xml)};
    report.LoadFromStream(stream);
    return true;
}
