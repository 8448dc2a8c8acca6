#pragma once
// The program's two reports, the order sheet and the courier waybill: report
// XML embedded at build time and read through the normal report loader.

#include <string_view>

class TrpReport;

inline constexpr std::string_view rpOrderSheetTemplate = "OrderSheet";
inline constexpr std::string_view rpWaybillTemplate = "Waybill";

// Loads an embedded report by name into the report (LoadFromStream, so
// errors are collected and shown the usual way). False for an unknown name.
bool LoadReportTemplate(TrpReport& report, std::string_view name);
