// The floating-point guard leaves the caller's environment as it found it, with no flag pending.
#include "platform/fp_guard.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

namespace {

struct FpSnapshot {
    int round;
    int traps;
#if defined(__x86_64__) || defined(__i386__)
    unsigned short x87Control;
    unsigned int mxcsrControl;  // without the six flag bits
#endif
};

FpSnapshot Snapshot() {
    FpSnapshot s {};
    s.round = std::fegetround();
    s.traps = fegetexcept();
#if defined(__x86_64__) || defined(__i386__)
    std::fenv_t env;
    std::fegetenv(&env);
    s.x87Control = env.__control_word;
    s.mxcsrControl = env.__mxcsr & ~0x3Fu;
#endif
    return s;
}

void ExpectSame(const FpSnapshot& a, const FpSnapshot& b) {
    EXPECT_EQ(a.round, b.round);
    EXPECT_EQ(a.traps, b.traps);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(a.x87Control, b.x87Control);
    EXPECT_EQ(a.mxcsrControl, b.mxcsrControl);
#endif
}

// Raises every exception a numeric routine typically raises.
double Troublemaker() {
    volatile double zero = 0.0, tiny = 1e-300, big = 1e300;
    volatile double r = 1.0 / zero;  // divide by zero
    r = tiny * tiny;                 // underflow, inexact
    r = big * big;                   // overflow
    r = std::sqrt(-static_cast<double>(big) + zero);  // invalid
    return r;
}

class FpGuardTest : public ::testing::Test {
protected:
    void TearDown() override { std::fesetenv(FE_DFL_ENV); }
};

}  // namespace

TEST_F(FpGuardTest, CallerEnvironmentComesBackWithNoFlagPending) {
    std::fesetround(FE_UPWARD);
    const FpSnapshot before = Snapshot();
    {
        CFloatingPointGuard guard;
        Troublemaker();
    }
    ExpectSame(before, Snapshot());
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

TEST_F(FpGuardTest, FlagsPendingBeforeTheCallAreClearedToo) {
    volatile double third = 1.0 / 3.0;  // inexact
    (void)third;
    std::feraiseexcept(FE_INEXACT | FE_UNDERFLOW);
    ASSERT_NE(std::fetestexcept(FE_ALL_EXCEPT), 0);
    const FpSnapshot before = Snapshot();
    { CFloatingPointGuard guard; }
    ExpectSame(before, Snapshot());
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

TEST_F(FpGuardTest, CallerTrapsAreMaskedInsideAndComeBackAfter) {
    // A caller that traps division by zero must not take the engine down with SIGFPE.
    feenableexcept(FE_DIVBYZERO | FE_INVALID);
    const FpSnapshot before = Snapshot();
    double r;
    {
        CFloatingPointGuard guard;
        EXPECT_EQ(fegetexcept(), 0);
        r = Troublemaker();
    }
    EXPECT_TRUE(std::isnan(r));
    ExpectSame(before, Snapshot());
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO | FE_INVALID);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}
