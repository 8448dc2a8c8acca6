#pragma once
// An export filter that writes nothing: it logs what the prepared pages hand
// it, so that tests can follow the frame of an export run.

#include <functional>
#include <string>
#include <vector>

#include "SysUtils.h"
#include "rpExportFilter.h"
#include "rpPages.h"
#include "rpReport.h"

namespace prepared_test {

class LoggingExportFilter : public TrpCustomExportFilter {
public:
    std::vector<std::string> log;
    bool confirm = true;  // the dialog's answer
    bool accept = true;   // Start's answer
    std::string description = "Test filter";
    // Called with each object after it is logged.
    std::function<void(TrpView&)> onObject;

    std::string GetDescription() const override { return description; }
    bool ShowModal() override
    {
        log.push_back("dialog");
        return confirm;
    }
    bool Start() override
    {
        log.push_back("start");
        return accept;
    }
    void StartPage(TrpReportPage& page, int index) override
    {
        log.push_back("page " + IntToStr(index) + " margins " + FloatToStr(page.LeftMargin) + "/" +
                      FloatToStr(page.RightMargin));
    }
    void ExportObject(TrpView& object) override
    {
        log.push_back(object.Name());
        if (onObject) onObject(object);
    }
    void FinishPage(TrpReportPage&, int index) override { log.push_back("end " + IntToStr(index)); }
    void Finish() override { log.push_back(Report && Report->Terminated ? "finish cancelled" : "finish"); }
    void Abort() override { log.push_back("abort"); }
};

}  // namespace prepared_test
