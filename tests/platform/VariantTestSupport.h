#pragma once
// Shared by the Variant test files: readable failure output and helpers
// that check an exception's class and exact text.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "Exceptions.h"
#include "Variant.h"

inline void PrintTo(const Variant& v, std::ostream* os)
{
    *os << VarTypeAsText(v.type()) << '(';
    try {
        if (!v.isNull() && !v.isArray() && !v.isDispatch()) *os << v.toString();
    } catch (const std::exception&) {
        *os << '?';
    }
    *os << ')';
}

// Runs f, expecting exception class E with exactly `text`.
#define EXPECT_RAISES(E, text, ...)                                              \
    do {                                                                            \
        try {                                                                       \
            (void)(__VA_ARGS__);                                                    \
            ADD_FAILURE() << "no " #E " raised";                                    \
        } catch (const E& e_) {                                                     \
            EXPECT_EQ(std::string(e_.message()), std::string(text));            \
            EXPECT_STREQ(e_.className(), #E);                                       \
        }                                                                           \
    } while (0)

// The type and value of a result both matter: 15 as a Double is not 15 as
// an Integer.
#define EXPECT_VARIANT(expectedType, expected, actual)                               \
    do {                                                                            \
        const Variant actual_ = (actual);                                           \
        EXPECT_EQ(VarTypeAsText(actual_.type()), VarTypeAsText(expectedType));      \
        EXPECT_EQ(actual_, Variant(expected));                                      \
    } while (0)
