#pragma once
// Helpers shared by the SysUtils test files.

#include <gtest/gtest.h>

#include <string>

#include "SysUtils.h"

// FormatSettings() is process-wide: a test that changes it restores it.
class SettingsGuard {
public:
    SettingsGuard() : saved_(FormatSettings()) {}
    ~SettingsGuard() { FormatSettings() = saved_; }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

private:
    TFormatSettings saved_;
};

// Expects `call` to raise EConvertError with exactly `message`.
template <typename Call>
void ExpectConvertError(Call call, const std::string& message)
{
    try {
        call();
        ADD_FAILURE() << "no EConvertError, expected: " << message;
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), message);
    }
}
