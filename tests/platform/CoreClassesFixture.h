#pragma once
// Test suites that need the core classes registered derive from this
// fixture: registration and its undoing bracket each suite, as the
// start-up routine brackets the program.

#include <gtest/gtest.h>

#include "CoreClasses.h"
#include "VariantTestSupport.h"

class CoreClassesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerCoreClasses(); }
    static void TearDownTestSuite() { unregisterCoreClasses(); }
};
