#include "framework/exception_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

std::string g_logged;
void Capture(const char* where, const char* what) { g_logged = std::string(where) + "|" + what; }

class ExceptionGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    g_logged.clear();
    fw::SetFailureLogger(&Capture);
  }
  void TearDown() override { fw::SetFailureLogger(nullptr); }
};

TEST_F(ExceptionGuard, TurnsExceptionsIntoResultsAndLogsThem) {
  EXPECT_EQ(fw::GuardHResult("ok", [] { return S_FALSE; }), S_FALSE);
  EXPECT_TRUE(g_logged.empty());

  EXPECT_EQ(fw::GuardHResult("m", []() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(fw::GuardHResult("Invoke", []() -> HRESULT { throw std::runtime_error("boom"); }),
            E_UNEXPECTED);
  EXPECT_EQ(g_logged, "Invoke|boom");
  EXPECT_EQ(fw::GuardHResult("w", []() -> HRESULT { throw 7; }), E_UNEXPECTED);

  EXPECT_EQ(fw::GuardValue<LRESULT>("proc", -1, []() -> LRESULT { throw std::logic_error("x"); }),
            -1);
  bool ran = false;
  fw::GuardVoid("thread", [&] {
    ran = true;
    throw std::runtime_error("late");
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(g_logged, "thread|late");
}

}  // namespace
