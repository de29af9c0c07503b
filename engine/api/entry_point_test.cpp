// No exception crosses an entry point: each kind becomes its engine code.
#include "engine/api/entry_point.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(RunEntryPoint, ExceptionsBecomeCodes) {
    EXPECT_EQ(RunEntryPoint([] { return 0; }), 0);
    EXPECT_EQ(RunEntryPoint([] { return 12; }), 12);
    EXPECT_EQ(RunEntryPoint([]() -> int { throw 13; }), 13);
    EXPECT_EQ(RunEntryPoint([]() -> int { throw std::bad_alloc(); }), kErrOutOfMemory);
    EXPECT_EQ(RunEntryPoint([]() -> int { throw std::runtime_error("x"); }), kErrException);
    EXPECT_EQ(RunEntryPoint([]() -> int { throw 'c'; }), kErrException);
    // A loader that treats every foreign exception as lack of memory says so.
    EXPECT_EQ(RunEntryPoint([]() -> int { throw std::logic_error("x"); }, kErrOutOfMemory), kErrOutOfMemory);
}

TEST(ClearOut, NullsTheOutParameterAndAcceptsNull) {
    int value = 3;
    int* out = &value;
    ClearOut(&out);
    EXPECT_EQ(out, nullptr);
    ClearOut<int>(nullptr);
}
