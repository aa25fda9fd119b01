#pragma once

#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <memory>

// A fixture whose tests share one Xvfb, started before the suite's first test and stopped after its
// last: a server of their own for each test would cost its start every time. Base is testing::Test
// or a testing::TestWithParam.
template <class Base = testing::Test>
class TXvfbSuite : public Base {
protected:
  static void SetUpTestSuite() { FServer = std::make_unique<TXvfb>(); }
  static void TearDownTestSuite() { FServer.reset(); }
  void SetUp() override { ASSERT_TRUE(FServer->Running()) << FServer->Error(); }

  static inline std::unique_ptr<TXvfb> FServer;
};
