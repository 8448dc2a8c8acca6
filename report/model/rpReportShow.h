#pragma once
// The window a report shows its prepared pages in. The report core only
// knows this interface; the preview library registers the maker of its
// window at start-up (registerPreviewLibrary), so that ShowReport opens it.

#include <string>

class TrpCustomPreview;
class TrpReport;

class TrpPreviewWindow {
public:
    explicit TrpPreviewWindow(TrpReport* report) : report_(report) {}
    // The report forgets its window, and a preparation still waiting for
    // its first tick is called off.
    virtual ~TrpPreviewWindow();
    TrpPreviewWindow(const TrpPreviewWindow&) = delete;
    TrpPreviewWindow& operator=(const TrpPreviewWindow&) = delete;

    // nullptr once the report is gone.
    TrpReport* Report() const noexcept { return report_; }
    // The report lets go of it (destroyed, or done with a modal run).
    void ForgetReport() noexcept { report_ = nullptr; }

    // The preview control inside, which the report drives.
    virtual TrpCustomPreview* PreviewControl() = 0;
    // Takes the report's preview options; the control is attached already.
    virtual void Init() = 0;
    // Through the UI services; returns when the window is closed.
    virtual int ShowModal() = 0;
    // Shows it and returns; the window frees itself when it is closed.
    virtual void ShowModeless() = 0;
    // The report closes it after a failed preparation, running or not.
    virtual void Close() = 0;
    // A progress line (status panel 1) or a hint (panel 2).
    virtual void SetMessage(const std::string& text, bool isHint) = 0;
    // Frees it once control is back in the event loop it was called from,
    // so that nothing still running inside that loop loses it.
    virtual void Release() = 0;

private:
    TrpReport* report_;
};

using TrpPreviewWindowFactory = TrpPreviewWindow* (*)(TrpReport& report);
// nullptr: no window (ShowPreparedReport then raises).
void SetPreviewWindowFactory(TrpPreviewWindowFactory factory);
