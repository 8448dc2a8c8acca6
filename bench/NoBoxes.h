#pragma once
// Benchmarks run unattended: a message box or modal dialog that a benchmark
// did not answer itself is answered at once (Cancel, Rejected), named on
// stderr and counted, never waited on. A program that met one ends with
// exit code 1, so `make bench` says which.

#include <cstdio>

#include "ScriptedUiServices.h"
#include "UiServices.h"

class NoBoxes {
public:
    NoBoxes()
    {
        ui_.setFailureHandler([this](const QString& failure) {
            ++unanswered_;
            std::fprintf(stderr, "unanswered in a benchmark: %s\n", qPrintable(failure));
        });
    }
    int unanswered() const { return unanswered_; }
    // The program's exit code.
    int exitCode() const { return unanswered_ > 0 ? 1 : 0; }

private:
    gui::ScriptedUiServices ui_;
    gui::ScopedUi scope_{ui_};
    int unanswered_ = 0;
};
